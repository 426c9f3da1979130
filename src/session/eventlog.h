// SPDX-License-Identifier: MIT
// The event log: every routed packet event with its simulated time, the
// reporter, the event code, the operation it was routed to and the packet's
// number, sequence number and kind, for explaining a run after the fact.
//
// EventLog watches the window's routing only while someone listens: it is
// added as an observer when a listener is set and removed when it is
// cleared, so a closed log window and the runner's `log off` cost nothing.
// Events are handed over raw; formatting happens only in the listener.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session/dump.h"
#include "shell/linkdemo.h"

namespace eventlog {

struct Event {
    std::int64_t time = 0;  // the run's clock (totalTime), ms
    int iIndex = 0;
    int iType = 0;
    topology::Target target = topology::Target::Ignored;
    std::int32_t Number = -1;
    std::int32_t SequenceNumber = -1;
    std::int64_t Colour = 0;
    // False where the scenario shows no sequence numbers (Software Flow):
    // the text and CSV then write none ("—", an empty field); the JSON
    // keeps the packet's field as it is.
    bool showsSequence = true;
};

// "5", or "—" for an event whose scenario shows no sequence numbers.
std::string sequenceText(const Event& e);

// "Wire1", "Queue1", "Transmitter1" ...; "index N" for an index no
// component holds.
std::string reporterName(int iIndex);
// "DataArrived", "ResetRequest" ...; "code N" for an unknown code.
std::string codeName(int iType);
// "Receiver1.Arrive", "Queue1.Departed(true)", "LinkDemo.Reset"; empty for
// an event no rule routes.
std::string targetName(topology::Target target);
// "data", "retransmission", "ack", "ready", "hold" or "other" by colour.
std::string kindName(std::int64_t colour);

// {"time": T, "from": ..., "code": ..., "name": ..., "to": ... | null,
//  "Number": ..., "SequenceNumber": ..., "kind": ...}
dump::Json toJson(const Event& e);
// "12.300 s  Wire1 DataArrived (2) → Receiver1.Arrive  #5 seq 5 data";
// "not routed" in place of the arrow and operation.
std::string toText(const Event& e);
// One CSV record (RFC 4180) in the columns of csvHeader(), no line end.
std::string csvHeader();
std::string toCsv(const Event& e);

class EventLog : public LinkDemoObserver {
public:
    explicit EventLog(LinkDemo& demo) : m_demo(demo) {}
    ~EventLog() override;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Called with each event before it is routed. Setting a listener starts
    // watching; an empty one stops.
    void listen(std::function<void(const Event&)> listener);
    bool listening() const { return static_cast<bool>(m_listener); }

    void packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target) override;

private:
    LinkDemo& m_demo;
    std::function<void(const Event&)> m_listener;
};

}  // namespace eventlog
