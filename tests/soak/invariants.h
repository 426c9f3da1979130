// SPDX-License-Identifier: MIT
// The model's invariants, checked on a live window model between two user
// steps: slot arrays consistent with what they show, queues laid out as their
// rules keep them, busy flags matching the wires, every number finite and
// every numeric caption well formed.
//
// A check never changes the model. Each violation is one line naming the
// object and what is wrong, so that a failing soak session can print it
// beside its replay script.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "shell/linkdemo.h"

namespace soak {

// Caption forms, exactly as the system writes numbers.
// " 7", "-3": the leading-blank form of a whole number.
bool isBlankInteger(const std::string& s);
// The leading-blank form with an optional fraction without trailing zeros:
// " 0.35", " 2", "-1.5".
bool isBlankNumber(const std::string& s);
// A plain non-negative whole number: "0", "12".
bool isPlainCount(const std::string& s);
// The caption a wire gives a packet record: "s( n)", "( n)" or empty.
std::string wireCaption(const Packet& p);

// Watches every wire's reports: a packet wholly arrives (code 2, 3) only
// after it was itself announced arriving (code 0, 1) on that wire, and at
// most one packet per wire and direction is announced at a time.
class ArrivalWatch : public LinkDemoObserver {
public:
    void packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target) override;
    void resetDone() override { m_open.clear(); }
    // The violations seen since the last call.
    std::vector<std::string> take();

private:
    struct Open {
        int number;
        std::int64_t hopStarted;
    };
    // By wire index and direction (false: data).
    std::map<std::pair<int, bool>, Open> m_open;
    std::vector<std::string> m_found;
};

class ModelChecker {
public:
    explicit ModelChecker(LinkDemo& demo) : m_demo(demo) { m_demo.addObserver(&m_arrivals); }
    ~ModelChecker() { m_demo.removeObserver(&m_arrivals); }
    ModelChecker(const ModelChecker&) = delete;
    ModelChecker& operator=(const ModelChecker&) = delete;

    // Every invariant; empty when all hold. The components that no scenario
    // shows are checked at every eighth call.
    std::vector<std::string> check();

    // Scans a full dump: every number finite, every object serialisable.
    // Costly with full trace tables, so callers run it less often.
    std::vector<std::string> checkDump() const;

    // The next check may find a hole in Queue1's data queue: a data packet
    // destroyed while arriving at the router matched, by number, an older
    // copy held there (its own copy had been dropped), and the rules remove
    // that older copy from the middle of the queue. The hole is accepted
    // until the queue is contiguous again.
    void allowDataQueueHole() { m_dataHoleAllowed = true; }

private:
    void checkWindow();
    void checkWire(const Wire& w, int index);
    void checkTransmitter(const Transmitter& t);
    void checkReceiver(const Receiver& r);
    void checkQueue(const Queue& q, bool routed);
    void checkSource(const Source& s);
    void checkBusyFlags();
    void checkGeometry(const widgets::Control& c);

    void fail(const std::string& what) { m_found.push_back(what); }

    LinkDemo& m_demo;
    ArrivalWatch m_arrivals;
    std::vector<std::string> m_found;
    long m_checks = 0;
    bool m_dataHoleAllowed = false;
    // Per picture: its clear count and how many of its lines were checked.
    std::map<const widgets::Picture*, std::pair<std::uint64_t, std::size_t>> m_linesSeen;
};

}  // namespace soak
