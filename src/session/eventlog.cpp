// SPDX-License-Identifier: MIT
#include "session/eventlog.h"

#include <cstdio>

#include "packet/routing.h"

namespace eventlog {

std::string reporterName(int iIndex)
{
    if (iIndex >= topology::kWire1 && iIndex <= topology::kWire1 + 4) return "Wire" + std::to_string(iIndex);
    switch (iIndex) {
        case topology::kQueue1:
            return "Queue1";
        case topology::kQueue2:
            return "Queue2";
        case topology::kSource1:
            return "Source1";
        case topology::kSource2:
            return "Source2";
        case topology::kReceiver1:
            return "Receiver1";
        case topology::kReceiver2:
            return "Receiver2";
        case topology::kTransmitter1:
            return "Transmitter1";
        case topology::kTransmitter2:
            return "Transmitter2";
        default:
            return "index " + std::to_string(iIndex);
    }
}

std::string codeName(int iType)
{
    static const char* const kNames[] = {
        "DataHeadArrived",   "ACKHeadArrived",   "DataArrived",       "ACKArrived",
        "SendData",          "SendACK",          "DataLineFree",      "ACKLineFree",
        "DataArrivalKilled", "ACKArrivalKilled", "DataSendCancelled", "ACKSendCancelled",
    };
    if (iType >= 0 && iType < static_cast<int>(std::size(kNames))) return kNames[iType];
    if (iType == ResetRequest) return "ResetRequest";
    return "code " + std::to_string(iType);
}

std::string targetName(topology::Target target)
{
    using topology::Target;
    switch (target) {
        case Target::Ignored:
            return "";
        case Target::ResetAll:
            return "LinkDemo.Reset";
        case Target::Wire1PacketArrive:
            return "Wire1.PacketArrive";
        case Target::Wire2PacketArrive:
            return "Wire2.PacketArrive";
        case Target::Transmitter1TxFree:
            return "Transmitter1.TxFree";
        case Target::Transmitter1Arrive:
            return "Transmitter1.Arrive";
        case Target::Receiver1Arriving:
            return "Receiver1.Arriving";
        case Target::Receiver1Arrive:
            return "Receiver1.Arrive";
        case Target::Receiver1KillArriving:
            return "Receiver1.KillArriving";
        case Target::Receiver1TxFree:
            return "Receiver1.TxFree";
        case Target::Queue1Arriving:
            return "Queue1.Arriving";
        case Target::Queue1Arrive:
            return "Queue1.Arrive";
        case Target::Queue1KillArriving:
            return "Queue1.KillArriving";
        case Target::Queue1DepartedACK:
            return "Queue1.Departed(true)";
        case Target::Queue1DepartedData:
            return "Queue1.Departed(false)";
    }
    return "";
}

std::string kindName(std::int64_t colour)
{
    switch (colour) {
        case PacketColour::kData:
            return "data";
        case PacketColour::kDataResent:
            return "retransmission";
        case PacketColour::kAck:
            return "ack";
        case PacketColour::kReady:
            return "ready";
        case PacketColour::kHold:
            return "hold";
        default:
            return "other";
    }
}

dump::Json toJson(const Event& e)
{
    dump::Json j;
    j["time"] = e.time;
    j["from"] = reporterName(e.iIndex);
    j["code"] = e.iType;
    j["name"] = codeName(e.iType);
    const std::string to = targetName(e.target);
    j["to"] = to.empty() ? dump::Json(nullptr) : dump::Json(to);
    j["Number"] = e.Number;
    j["SequenceNumber"] = e.SequenceNumber;
    j["kind"] = kindName(e.Colour);
    return j;
}

namespace {

std::string seconds(std::int64_t ms)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(ms) / 1000.0);
    return buf;
}

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

}  // namespace

std::string sequenceText(const Event& e)
{
    return e.showsSequence ? std::to_string(e.SequenceNumber) : std::string("\u2014");
}

std::string toText(const Event& e)
{
    const std::string to = targetName(e.target);
    return seconds(e.time) + " s  " + reporterName(e.iIndex) + " " + codeName(e.iType) + " (" +
           std::to_string(e.iType) + ") " + (to.empty() ? std::string("not routed") : "\u2192 " + to) + "  #" +
           std::to_string(e.Number) + " seq " + sequenceText(e) + " " + kindName(e.Colour);
}

std::string csvHeader()
{
    return "time_s,from,code,name,to,Number,SequenceNumber,kind";
}

std::string toCsv(const Event& e)
{
    const std::string to = targetName(e.target);
    return seconds(e.time) + "," + csvField(reporterName(e.iIndex)) + "," + std::to_string(e.iType) + "," +
           csvField(codeName(e.iType)) + "," + csvField(to) + "," + std::to_string(e.Number) + "," +
           (e.showsSequence ? std::to_string(e.SequenceNumber) : std::string()) + "," + kindName(e.Colour);
}

EventLog::~EventLog()
{
    if (m_listener) m_demo.removeObserver(this);
}

void EventLog::listen(std::function<void(const Event&)> listener)
{
    const bool was = listening();
    m_listener = std::move(listener);
    if (!was && listening()) m_demo.addObserver(this);
    if (was && !listening()) m_demo.removeObserver(this);
}

void EventLog::packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target)
{
    if (!m_listener) return;
    Event e;
    e.time = m_demo.totalTime;
    e.iIndex = iIndex;
    e.iType = iType;
    e.target = target;
    e.Number = pPacket.Number;
    e.SequenceNumber = pPacket.SequenceNumber;
    e.showsSequence = pPacket.ShowSequenceFlag;
    e.Colour = pPacket.Colour;
    // Copied out first: the listener may stop the log from inside the call.
    auto listener = m_listener;
    listener(e);
}

}  // namespace eventlog
