// SPDX-License-Identifier: MIT
#include "soak/session.h"

#include <algorithm>

namespace soak {

namespace {

const auto& kScenarios = kScenarioNames;

// Text a lecturer, or a cat on the keyboard, may type into a number field.
const char* const kHostile[] = {"",     "-1",  "0",      "abc",    "1e309", "99999999999", "7.5",   " 3",
                                "ü∞→",  "３",  "1e-300", "-0",     "+4",    ".5",          "5.",    "1e",
                                "0x10", "nan", "inf",    "-1e309", "2e9",   "0.0001",      "32768", "-32769"};
const char* const kGood[] = {"1", "2", "3", "0.5", "5", "7", "15", "1.5", "10", "0.2"};

std::string longText(std::mt19937& rng)
{
    static const std::string kPieces[] = {"9", "0", "7", "x", " ", ".", "é", "∞", "-", "e"};
    std::uniform_int_distribution<int> kind(0, 2);
    switch (kind(rng)) {
        case 0:
            return std::string(500, '9');
        case 1:
            return "1" + std::string(499, '0');
        default: {
            std::string s;
            std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
            while (s.size() < 500) s += kPieces[piece(rng)];
            return s;
        }
    }
}

// An action the runner drops by contract: on a hidden control, or the rest
// of a `type` longer than a field holds.
bool isIgnoredNote(const std::string& line)
{
    return line.starts_with("ignored: ") &&
           (line.ends_with(" is hidden") || line.ends_with(" holds at most 32767 characters"));
}

}  // namespace

// ---- driver -------------------------------------------------------------------

Driver::Driver(int dumpEvery) : m_runner(m_out, m_err), m_checker(m_runner.demo()), m_dumpEvery(dumpEvery)
{
    m_runner.onRun = [this](std::int64_t ms) { advance(ms); };
}

// A long run is advanced in pieces with the checks between them (the clock
// fires the same timers either way), so that a state broken and mended again
// within one line is still seen. The checks after the last piece are the
// line's own.
void Driver::advance(std::int64_t ms)
{
    ms = std::min(ms, m_runLeft);
    m_runLeft -= ms;
    for (std::int64_t done = 0; done < ms;) {
        const std::int64_t piece = std::min(kCheckEvery, ms - done);
        m_runner.demo().scheduler().advance(piece);
        done += piece;
        if (done == ms) break;
        std::vector<std::string> found = m_checker.check();
        if (!found.empty()) {
            const std::string when = "(" + std::to_string(done) + " ms into the run) ";
            for (std::string& v : found) m_inRun.push_back(when + v);
            return;
        }
    }
}

std::vector<std::string> Driver::execute(const std::string& line)
{
    std::vector<std::string> problems;
    noteRouterKill(line);
    m_out.str("");
    m_err.str("");
    m_inRun.clear();
    std::istringstream in(line);
    const int status = m_runner.run(in);
    if (!m_inRun.empty()) return m_inRun;
    if (status != ScriptRunner::kOk && !m_acceptScriptErrors) {
        problems.push_back("the runner rejected the line: " + m_err.str());
    }

    std::istringstream err(m_err.str());
    for (std::string l; std::getline(err, l);) {
        if (isIgnoredNote(l)) {
            ++m_ignored;
        } else if (status == ScriptRunner::kOk && !m_acceptScriptErrors) {
            problems.push_back("diagnostic: " + l);
        }
    }
    std::istringstream out(m_out.str());
    for (std::string l; std::getline(out, l);) {
        if (l.rfind("{\"messageBox\"", 0) == 0) problems.push_back("message box: " + l);
    }

    for (std::string& v : m_checker.check()) problems.push_back(std::move(v));
    count();
    ++m_lines;
    if (m_dumpEvery > 0 && m_lines % m_dumpEvery == 0) {
        for (std::string& v : m_checker.checkDump()) problems.push_back(std::move(v));
    }
    return problems;
}

void Coverage::add(const Coverage& o)
{
    lines += o.lines;
    running += o.running;
    crowdedWire += o.crowdedWire;
    fullWire += o.fullWire;
    routerQueue += o.routerQueue;
    routerAcks += o.routerAcks;
    heldAtReceiver += o.heldAtReceiver;
    retransmitting += o.retransmitting;
    ackBacklog += o.ackBacklog;
    sendingHeld += o.sendingHeld;
    traceFull += o.traceFull;
    wrongShown += o.wrongShown;
}

std::string Coverage::text() const
{
    std::ostringstream s;
    s << "lines after which: clock running " << running << ", a wire with 8+ packets " << crowdedWire
      << ", a full wire " << fullWire << ", router holding 2+ data " << routerQueue << ", router holding an ACK "
      << routerAcks << ", a packet held above slot 0 " << heldAtReceiver << ", a slot being retransmitted "
      << retransmitting << ", 3+ ACKs buffered " << ackBacklog << ", sending held " << sendingHeld
      << ", a full trace table " << traceFull << ", Wrong! shown " << wrongShown << " (of " << lines << ")";
    return s.str();
}

void Driver::count()
{
    LinkDemo& d = m_runner.demo();
    Coverage& c = m_coverage;
    ++c.lines;
    if (!d.paused) ++c.running;
    for (const Wire* w : {&d.Wire1, &d.Wire2}) {
        int n = 0;
        for (int i = 0; i < Wire::kSlots; ++i) n += w->cmdPacket[i].visible() ? 1 : 0;
        if (n >= 8) ++c.crowdedWire;
        if (n == Wire::kSlots) ++c.fullWire;
        if (w->traceTable().full()) ++c.traceFull;
    }
    int data = 0;
    bool acks = false;
    for (int k = 0; k < Queue::kSlots; ++k) {
        data += d.Queue1.pktQ(k).Active ? 1 : 0;
        acks = acks || d.Queue1.pktA(k).Active;
    }
    if (data >= 2) ++c.routerQueue;
    if (acks) ++c.routerAcks;
    const Receiver& r = d.Receiver1;
    for (int i = 1; i < Receiver::kSlots; ++i) {
        if (r.lblRxPacket[i].visible() && r.slotMark(i) == Receiver::SlotMark::Arrived) {
            ++c.heldAtReceiver;
            break;
        }
    }
    if (r.pktRxACKBuffer(2).Active) ++c.ackBacklog;
    if (r.lblWrong.visible()) ++c.wrongShown;
    using S = Transmitter::SlotState;
    for (int i = 0; i < Transmitter::kSlots; ++i) {
        if (!d.Transmitter1.lblTxPacket[i].visible()) continue;
        const S s = d.Transmitter1.slotState(i);
        if (s == S::Expired || s == S::Resending || s == S::Resent) {
            ++c.retransmitting;
            break;
        }
    }
    if (d.Transmitter1.state().sendPermitted == false) ++c.sendingHeld;
}

// A data packet destroyed while arriving at the router is looked up there by
// number; when the router dropped it, an older copy with that number may be
// removed from the middle of the data queue instead (the queue's rule), which
// leaves a hole the checker would otherwise report.
void Driver::noteRouterKill(const std::string& line)
{
    LinkDemo& d = m_runner.demo();
    if (d.topology < 10) return;
    // The line's words as the runner splits them: "press NAME" and no more.
    std::vector<std::string> words;
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string::npos) break;
        at = std::min(text.find_first_of(" \t", start), text.size());
        words.push_back(text.substr(start, at - start));
    }
    if (words.size() != 2 || words[0] != "press") return;
    const widgets::Control* c = d.findControl(words[1]);
    int i = 0;
    while (i < Wire::kSlots && c != &d.Wire1.cmdPacket[i]) ++i;
    if (i == Wire::kSlots || !c->visible()) return;
    if (d.Wire1.state().dataArrivingSlot != i) return;
    const Packet& p = d.Wire1.pktWire(i);
    if (p.ACKFlag) return;
    const int size = d.Queue1.Size();
    int match = -1, last = -1;
    for (int m = 0; m < size; ++m) {
        const Packet& s = d.Queue1.pktQ(m);
        if (s.Active) last = m;
        if (s.Number == p.Number) match = m;
    }
    if (match >= 0 && match != last) m_checker.allowDataQueueHole();
}

// ---- generator ----------------------------------------------------------------

std::vector<std::string> SessionGenerator::opening()
{
    std::vector<std::string> lines;
    if (chance(0.9)) lines.push_back(std::string("choose LinkDemo.cmbScenario ") + kScenarios[uniform(0, 6)]);
    if (chance(0.4)) lines.push_back("press LinkDemo.cmdRouter");
    if (chance(0.9)) lines.push_back("press LinkDemo.cmdPause");
    return lines;
}

std::string SessionGenerator::next(std::int64_t untilMs)
{
    struct Choice {
        int weight;
        std::function<std::string()> make;
    };
    const bool rttShown = m_demo.cmdRTT.visible();
    const std::vector<Choice> choices = {
        {40, [&] { return runLine(untilMs); }},
        {12, [&] { return packetClick(); }},
        {2, [&] { return std::string("choose LinkDemo.cmbScenario ") + kScenarios[uniform(0, 6)]; }},
        {2, [&] { return std::string("press LinkDemo.cmdRouter"); }},
        {6, [&] { return std::string("press LinkDemo.cmdPause"); }},
        {1, [&] { return std::string("press LinkDemo.cmdReset"); }},
        {rttShown ? 2 : 0, [&] { return std::string("press LinkDemo.cmdRTT"); }},
        {4, [&] { return std::string("press Receiver1.chkRxReady"); }},
        {5, [&] { return panelClick(); }},
        {6, [&] { return comboChoice(); }},
        {8, [&] { return comboTyping(); }},
        {2, [&] { return scrollMove(); }},
        {1,
         [&] {
             static const char* const kComponents[] = {"Transmitter1", "Transmitter2", "Wire1",    "Wire2",  "Wire3",
                                                       "Wire4",        "Wire5",        "Queue1",   "Queue2", "Source1",
                                                       "Source2",      "Receiver1",    "Receiver2"};
             return std::string("focus ") + kComponents[uniform(0, 12)];
         }},
        {1, [&] { return std::string("background"); }},
        {1, [&] { return chance(0.5) ? std::string("dump Receiver1.lbl") : std::string("lines Wire1.Picture1"); }},
    };
    int total = 0;
    for (const Choice& c : choices) total += c.weight;
    int r = uniform(0, total - 1);
    for (const Choice& c : choices) {
        if (r < c.weight) return c.make();
        r -= c.weight;
    }
    return runLine(untilMs);
}

std::string SessionGenerator::runLine(std::int64_t untilMs)
{
    // Mostly a few ticks, sometimes a good while; any millisecond count.
    // A paused demonstration is usually started or continued first.
    if (m_demo.paused && chance(0.6)) return "press LinkDemo.cmdPause";
    std::int64_t ms = 0;
    const int kind = uniform(0, 9);
    if (kind < 7) {
        ms = uniform(0, 1500);
    } else if (kind < 9) {
        ms = uniform(1500, 8000);
    } else {
        ms = uniform(8000, 40000);
    }
    ms = std::min(ms, std::max<std::int64_t>(0, untilMs - m_demo.scheduler().now()));
    return "run " + std::to_string(ms);
}

std::string SessionGenerator::packetClick()
{
    std::vector<std::string> targets;
    for (const char* w : {"Wire1", "Wire2"}) {
        const Wire& wire = std::string(w) == "Wire1" ? m_demo.Wire1 : m_demo.Wire2;
        for (int i = 0; i < Wire::kSlots; ++i) {
            if (wire.cmdPacket[i].reachable())
                targets.push_back(std::string(w) + ".cmdPacket(" + std::to_string(i) + ")");
        }
    }
    // Now and then a click on an empty place of the line: a hidden button.
    if (targets.empty() || chance(0.05)) {
        return "press Wire" + std::to_string(uniform(1, 2)) + ".cmdPacket(" + std::to_string(uniform(0, 15)) + ")";
    }
    return "press " + pick(targets);
}

std::string SessionGenerator::panelClick()
{
    static const std::vector<std::string> kPanels = {
        "Transmitter1.cmdEdit", "Transmitter1.cmdMore", "Receiver1.cmdEdit", "Wire1.cmdEdit",
        "Wire2.cmdEdit",        "Queue1.cmdEdit",       "Queue1.cmdAdvanced"};
    static const std::vector<std::string> kHidden = {"Transmitter2.cmdEdit", "Source1.cmdEdit",   "Source1.cmdStart",
                                                     "Source1.chkPause",     "Receiver2.cmdEdit", "Wire3.cmdEdit"};
    return "press " + (chance(0.9) ? pick(kPanels) : pick(kHidden));
}

std::vector<std::pair<std::string, const widgets::ComboBox*>> SessionGenerator::combos(bool editableOnly)
{
    std::vector<std::pair<std::string, const widgets::ComboBox*>> all;
    const widgets::Component* components[] = {&m_demo.Transmitter1, &m_demo.Receiver1, &m_demo.Wire1,
                                              &m_demo.Wire2,        &m_demo.Queue1,    &m_demo.Source1};
    for (const widgets::Component* c : components) {
        for (const widgets::Control* k : c->children()) {
            if (k->kind() != widgets::Kind::Combo) continue;
            const auto* combo = static_cast<const widgets::ComboBox*>(k);
            if (editableOnly && !combo->editable()) continue;
            all.emplace_back(c->name() + "." + k->fullName(), combo);
        }
    }
    if (!editableOnly) all.emplace_back("LinkDemo.cmbScenario", &m_demo.cmbScenario);
    // Mostly what the user can reach; the rest exercises the hidden rule.
    std::vector<std::pair<std::string, const widgets::ComboBox*>> reachable;
    for (const auto& e : all) {
        if (e.second->reachable()) reachable.push_back(e);
    }
    return reachable.empty() || chance(0.1) ? all : reachable;
}

std::string SessionGenerator::comboChoice()
{
    const auto list = combos(false);
    const auto& [name, combo] = pick(list);
    if (combo->items().empty()) return "background";
    return "choose " + name + " " + pick(combo->items());
}

std::string SessionGenerator::typedText(const widgets::ComboBox& c)
{
    const int kind = uniform(0, 9);
    if (kind < 2 && !c.items().empty()) return pick(c.items());
    if (kind < 4) return kGood[uniform(0, static_cast<int>(std::size(kGood)) - 1)];
    if (kind < 5) return longText(m_rng);
    return kHostile[uniform(0, static_cast<int>(std::size(kHostile)) - 1)];
}

std::string SessionGenerator::comboTyping()
{
    const auto list = combos(true);
    const auto& [name, combo] = pick(list);
    return "type " + name + " " + typedText(*combo);
}

std::string SessionGenerator::scrollMove()
{
    const Wire& w = chance(0.7) ? m_demo.Wire1 : m_demo.Wire2;
    if (chance(0.5)) {
        return "scroll " + w.name() + ".VScroll1 " + std::to_string(uniform(-3, w.VScroll1.max() + 3));
    }
    return "scroll " + w.name() + ".VScroll2 " + std::to_string(uniform(-3, 103));
}

// ---- sessions -----------------------------------------------------------------

std::string SessionReport::text() const
{
    std::ostringstream s;
    s << "soak session seed " << seed << (ok ? " passed" : " FAILED") << " after " << script.size() << " lines, "
      << simulatedMs << " ms simulated\n";
    for (const std::string& v : violations) s << "  broken: " << v << '\n';
    if (!ok) {
        s << "replay script (linkdemo-script FILE):\n";
        for (const std::string& l : script) s << l << '\n';
    }
    return s.str();
}

SessionReport runSession(std::uint32_t seed, const SessionOptions& options)
{
    SessionReport report;
    report.seed = seed;
    Driver driver(options.dumpEvery);
    SessionGenerator gen(seed, driver.demo());

    const auto step = [&](const std::string& line) {
        report.script.push_back(line);
        report.violations = driver.execute(line);
        report.ok = report.violations.empty();
        return report.ok;
    };

    bool going = true;
    for (const std::string& line : gen.opening()) {
        if (!(going = step(line))) break;
    }
    while (going && driver.now() < options.simulatedMs && static_cast<int>(report.script.size()) < options.maxLines) {
        going = step(gen.next(options.simulatedMs));
    }
    if (going) {
        report.violations = driver.checkDump();
        report.ok = report.violations.empty();
    }
    report.simulatedMs = driver.now();
    report.ignored = driver.ignored();
    report.coverage = driver.coverage();
    return report;
}

SessionReport replay(const std::vector<std::string>& script, int dumpEvery)
{
    SessionReport report;
    Driver driver(dumpEvery);
    for (const std::string& line : script) {
        report.script.push_back(line);
        report.violations = driver.execute(line);
        if (!report.violations.empty()) {
            report.ok = false;
            break;
        }
    }
    report.simulatedMs = driver.now();
    report.ignored = driver.ignored();
    return report;
}

std::vector<std::string> shrink(std::vector<std::string> script,
                                const std::function<bool(const std::vector<std::string>&)>& same)
{
    // Drop chunks of halving size while the failure stays the same.
    for (std::size_t chunk = std::max<std::size_t>(1, script.size() / 2); chunk >= 1; chunk /= 2) {
        bool removed = true;
        while (removed) {
            removed = false;
            for (std::size_t at = 0; at < script.size();) {
                std::vector<std::string> shorter(script.begin(), script.begin() + static_cast<std::ptrdiff_t>(at));
                const std::size_t end = std::min(script.size(), at + chunk);
                shorter.insert(shorter.end(), script.begin() + static_cast<std::ptrdiff_t>(end), script.end());
                if (!shorter.empty() && same(shorter)) {
                    script = std::move(shorter);
                    removed = true;
                } else {
                    at += chunk;
                }
            }
        }
        if (chunk == 1) break;
    }
    return script;
}

}  // namespace soak
