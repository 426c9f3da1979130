// SPDX-License-Identifier: MIT
#include "session/dump.h"

#include <cmath>
#include <cstdint>

namespace dump {

namespace {

void geometry(Json& j, const widgets::Control& c)
{
    j["visible"] = c.visible();
    j["left"] = number(c.left());
    j["top"] = number(c.top());
    j["width"] = number(c.width());
    j["height"] = number(c.height());
}

Json optionalNumber(const std::optional<double>& v)
{
    if (!v || !std::isfinite(*v)) return nullptr;
    return *v;
}

std::string indexed(const std::string& owner, const char* array, int i)
{
    return owner + "." + array + "(" + std::to_string(i) + ")";
}

}  // namespace

Json number(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9e15) {
        return static_cast<std::int64_t>(v);
    }
    if (!std::isfinite(v)) return 0;
    return v;
}

Json control(const widgets::Control& c, const std::string& fullName)
{
    Json j;
    j["name"] = fullName;
    switch (c.kind()) {
        case widgets::Kind::Button: {
            const auto& b = static_cast<const widgets::Button&>(c);
            j["kind"] = "button";
            j["caption"] = b.caption();
            j["backColour"] = b.backColour();
            geometry(j, c);
            break;
        }
        case widgets::Kind::Label: {
            const auto& l = static_cast<const widgets::Label&>(c);
            j["kind"] = "label";
            j["caption"] = l.caption();
            j["foreColour"] = l.foreColour();
            geometry(j, c);
            break;
        }
        case widgets::Kind::Combo: {
            const auto& cb = static_cast<const widgets::ComboBox&>(c);
            j["kind"] = "combo";
            j["text"] = cb.text();
            j["listIndex"] = cb.listIndex();
            j["items"] = cb.items();
            j["editable"] = cb.editable();
            geometry(j, c);
            break;
        }
        case widgets::Kind::Check: {
            const auto& k = static_cast<const widgets::CheckBox&>(c);
            j["kind"] = "check";
            j["caption"] = k.caption();
            j["value"] = k.value();
            geometry(j, c);
            break;
        }
        case widgets::Kind::Shape: {
            const auto& s = static_cast<const widgets::Shape&>(c);
            j["kind"] = "shape";
            j["shape"] = s.form() == widgets::Shape::Form::Circle ? "circle" : "rectangle";
            j["fillColour"] = s.fillColour();
            j["filled"] = s.filled();
            geometry(j, c);
            break;
        }
        case widgets::Kind::Line: {
            const auto& l = static_cast<const widgets::Line&>(c);
            j["kind"] = "line";
            j["x1"] = number(l.x1());
            j["y1"] = number(l.y1());
            j["x2"] = number(l.x2());
            j["y2"] = number(l.y2());
            j["colour"] = l.colour();
            j["visible"] = l.visible();
            break;
        }
        case widgets::Kind::Picture: {
            const auto& p = static_cast<const widgets::Picture&>(c);
            j["kind"] = "picture";
            geometry(j, c);
            j["lineCount"] = p.lines().size();
            break;
        }
        case widgets::Kind::ScrollBar: {
            const auto& s = static_cast<const widgets::ScrollBar&>(c);
            j["kind"] = "scrollbar";
            j["min"] = s.min();
            j["max"] = s.max();
            j["value"] = s.value();
            j["smallChange"] = s.smallChange();
            j["largeChange"] = s.largeChange();
            geometry(j, c);
            break;
        }
        case widgets::Kind::TextBox: {
            const auto& t = static_cast<const widgets::TextBox&>(c);
            j["kind"] = "textbox";
            j["text"] = t.text();
            j["foreColour"] = t.foreColour();
            geometry(j, c);
            break;
        }
        case widgets::Kind::Timer: {
            const auto& t = static_cast<const widgets::Timer&>(c);
            j["kind"] = "timer";
            j["enabled"] = t.enabled();
            j["interval"] = t.interval();
            break;
        }
        case widgets::Kind::Window:
        case widgets::Kind::Component:
            j["kind"] = c.kind() == widgets::Kind::Window ? "window" : "component";
            geometry(j, c);
            break;
    }
    return j;
}

Json line(const widgets::DrawnLine& l)
{
    Json j;
    j["x1"] = number(l.x1);
    j["y1"] = number(l.y1);
    j["x2"] = number(l.x2);
    j["y2"] = number(l.y2);
    j["colour"] = l.colour;
    return j;
}

Json packet(const Packet& p, const std::string& name)
{
    Json j;
    j["name"] = name;
    j["kind"] = "packet";
    j["Number"] = p.Number;
    j["SequenceNumber"] = p.SequenceNumber;
    j["ShowSequenceFlag"] = p.ShowSequenceFlag;
    j["TriggerNumber"] = p.TriggerNumber;
    j["TimeStarted"] = p.TimeStarted;
    j["HopStarted"] = p.HopStarted;
    j["Errored"] = p.Errored;
    j["ACKFlag"] = p.ACKFlag;
    j["CumulativeACKFlag"] = p.CumulativeACKFlag;
    j["SelectiveACKFlag"] = p.SelectiveACKFlag;
    j["Active"] = p.Active;
    j["Length"] = p.Length;
    j["Flag"] = p.Flag;
    j["Congestion"] = p.Congestion;
    j["Colour"] = p.Colour;
    return j;
}

Json figures(const lab::Figures& f)
{
    Json j;
    j["elapsed"] = f.elapsed;
    j["dataSent"] = f.dataSent;
    j["retransmissions"] = f.retransmissions;
    j["delivered"] = f.delivered;
    j["ignored"] = f.ignored;
    j["wrong"] = f.wrong;
    j["destroyed"] = f.destroyed;
    j["lost"] = f.lost;
    j["routerDrops"] = f.routerDrops;
    j["acksSent"] = f.acksSent;
    j["acksProcessed"] = f.acksProcessed;
    j["rttSamples"] = f.rttSamples;
    j["rttEstimate"] = f.rttEstimate;
    j["retransmitTime"] = f.retransmitTime;
    j["goodput"] = f.goodput;
    j["utilisation"] = f.utilisation;
    j["theoryUtilisation"] = optionalNumber(f.theoryUtilisation);
    j["theoryGoodput"] = optionalNumber(f.theoryGoodput);
    j["deliveredWrong"] = f.deliveredWrong;
    return j;
}

// ---- component states -------------------------------------------------------

Json state(const Transmitter::State& s)
{
    Json j = Json::object();
    j["txWindow"] = s.txWindow;
    j["maxSequence"] = s.maxSequence;
    j["reliable"] = s.reliable;
    j["individualTimers"] = s.individualTimers;
    j["individualRetransmit"] = s.individualRetransmit;
    j["waitForAck"] = s.waitForAck;
    j["sendPermitted"] = s.sendPermitted;
    j["measuringRTT"] = s.measuringRTT;
    j["txBusy"] = s.txBusy;
    j["txClock"] = s.txClock;
    j["retransmitTime"] = s.retransmitTime;
    j["rttEstimate"] = s.rttEstimate;
    j["resetRTT"] = s.resetRTT;
    j["nextPacketNumber"] = s.nextPacketNumber;
    j["routingIndex"] = s.routingIndex;
    j["panelMode"] = s.panelMode;
    j["restricted"] = s.restricted;
    return j;
}

Json state(const Receiver::State& s)
{
    Json j = Json::object();
    j["rxWindow"] = s.rxWindow;
    j["rxBase"] = s.rxBase;
    j["maxSequence"] = s.maxSequence;
    j["rxClock"] = s.rxClock;
    j["wrongUntil"] = s.wrongUntil;
    j["rxReady"] = s.rxReady;
    j["ackLineBusy"] = s.ackLineBusy;
    j["routingIndex"] = s.routingIndex;
    j["restricted"] = s.restricted;
    return j;
}

Json state(const Wire::State& s)
{
    Json j;
    j["routingIndex"] = s.routingIndex;
    j["delay"] = number(s.delay);
    j["bitRate"] = number(s.bitRate);
    j["dataSending"] = s.dataSending;
    j["ackSending"] = s.ackSending;
    j["lastDataSlot"] = s.lastDataSlot;
    j["lastACKSlot"] = s.lastACKSlot;
    j["dataArrivingSlot"] = s.dataArrivingSlot;
    j["ackArrivingSlot"] = s.ackArrivingSlot;
    j["traceOn"] = s.traceOn;
    j["traceCount"] = s.traceCount;
    j["labelCount"] = s.labelCount;
    j["X1"] = number(s.X1);
    j["X2"] = number(s.X2);
    return j;
}

Json state(const Queue::State& s)
{
    Json j;
    j["queueSize"] = s.queueSize;
    j["routingIndex"] = s.routingIndex;
    j["restricted"] = s.restricted;
    j["dataOutBusy"] = s.dataOutBusy;
    j["ackOutBusy"] = s.ackOutBusy;
    return j;
}

Json state(const Source::State& s)
{
    Json j;
    j["routingIndex"] = s.routingIndex;
    j["packetCount"] = s.packetCount;
    j["maxSequence"] = s.maxSequence;
    j["packetWaiting"] = s.packetWaiting;
    return j;
}

// ---- records ----------------------------------------------------------------

namespace {

Json traceRecord(const TraceRecord& rec, const std::string& name)
{
    Json j;
    j["name"] = name;
    j["kind"] = "trace";
    j["startTime"] = rec.startTime;
    j["sendEndTime"] = rec.sendEndTime;
    j["lastTime"] = rec.lastTime;
    j["fromPos"] = number(rec.fromPos);
    j["toPos"] = number(rec.toPos);
    j["seqLabel"] = rec.seqLabel;
    j["labelled"] = rec.labelled;
    j["traceColour"] = rec.traceColour;
    return j;
}

}  // namespace

std::vector<Json> records(const Transmitter& t)
{
    std::vector<Json> d;
    for (int i = 0; i < Transmitter::kSlots; ++i) d.push_back(packet(t.pktTx(i), indexed(t.name(), "pktTx", i)));
    for (int k = 0; k < Transmitter::kAckQueue; ++k) {
        d.push_back(packet(t.pktWaiting(k), indexed(t.name(), "pktWaiting", k)));
    }
    return d;
}

std::vector<Json> records(const Receiver& r)
{
    std::vector<Json> d;
    for (int i = 0; i < Receiver::kSlots; ++i) d.push_back(packet(r.pktRxQueue(i), indexed(r.name(), "pktRxQueue", i)));
    for (int i = 0; i < Receiver::kAckEntries; ++i) {
        d.push_back(packet(r.pktRxACKBuffer(i), indexed(r.name(), "pktRxACKBuffer", i)));
    }
    return d;
}

std::vector<Json> records(const Wire& w)
{
    std::vector<Json> d;
    for (int i = 0; i < Wire::kSlots; ++i) {
        d.push_back(packet(w.pktWire(i), indexed(w.name(), "pktWire", i)));
    }
    const TimeSequenceTrace& trace = w.traceTable();
    for (int r = 0; r < trace.traceCount(); ++r)
        d.push_back(traceRecord(trace.record(r), indexed(w.name(), "trace", r)));
    return d;
}

std::vector<Json> records(const Queue& q)
{
    std::vector<Json> d;
    for (int i = 0; i < Queue::kSlots; ++i) d.push_back(packet(q.pktQ(i), indexed(q.name(), "pktQ", i)));
    for (int i = 0; i < Queue::kSlots; ++i) d.push_back(packet(q.pktA(i), indexed(q.name(), "pktA", i)));
    return d;
}

std::vector<Json> records(const Source& s)
{
    return {packet(s.pktSource(), s.name() + ".pktSource")};
}

std::vector<Json> objects(const LinkDemo& demo, const std::string& prefix)
{
    std::vector<Json> out;
    const auto wanted = [&prefix](const std::string& n) { return n.compare(0, prefix.size(), prefix) == 0; };

    if (wanted(demo.name())) {
        Json w;
        w["name"] = demo.name();
        w["kind"] = "window";
        w["caption"] = demo.caption();
        w["width"] = number(demo.width());
        w["height"] = number(demo.height());
        w["backColour"] = demo.backColour();
        w["totalTime"] = demo.totalTime;
        w["paused"] = demo.paused;
        w["topology"] = demo.topology;
        out.push_back(std::move(w));
    }

    for (const widgets::Control* c : demo.children()) {
        if (c->kind() == widgets::Kind::Component) continue;
        const std::string n = demo.name() + "." + c->fullName();
        if (wanted(n)) out.push_back(control(*c, n));
    }
    const std::string mainPacket = demo.name() + ".MainPacket";
    if (wanted(mainPacket)) out.push_back(packet(demo.MainPacket, mainPacket));

    const auto component = [&](const auto& c) {
        const std::string& cn = c.fullName();
        if (wanted(cn)) {
            Json j = control(c, cn);
            j["state"] = state(c.state());
            out.push_back(std::move(j));
        }
        for (const widgets::Control* k : c.children()) {
            const std::string n = cn + "." + k->fullName();
            if (wanted(n)) out.push_back(control(*k, n));
        }
        for (auto& r : records(c)) {
            if (wanted(r["name"].template get<std::string>())) out.push_back(std::move(r));
        }
    };
    // The window's components in creation order.
    for (const Transmitter* t : {&demo.Transmitter1, &demo.Transmitter2}) component(*t);
    for (const Wire* w : demo.wires()) component(*w);
    for (const Queue* q : {&demo.Queue1, &demo.Queue2}) component(*q);
    for (const Source* s : {&demo.Source1, &demo.Source2}) component(*s);
    for (const Receiver* r : {&demo.Receiver1, &demo.Receiver2}) component(*r);
    return out;
}

}  // namespace dump
