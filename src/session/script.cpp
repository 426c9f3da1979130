// SPDX-License-Identifier: MIT
#include "session/script.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "explain/explain.h"
#include "lab/lab.h"
#include "palette/palette.h"
#include "session/dump.h"
#include "session/eventlog.h"
#include "session/presenter.h"
#include "session/tracefigure.h"

namespace {

// A bad line: the reason, without the line number.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

namespace script_detail {

// Splits one line: words separated by blanks, and the literal rest of a
// line after a word and exactly one blank.
class Words {
public:
    explicit Words(const std::string& line) : m_line(line) {}

    bool atEnd()
    {
        skipBlanks();
        return m_pos >= m_line.size();
    }
    // The next word; empty at the end of the line.
    std::string next()
    {
        skipBlanks();
        const std::size_t start = m_pos;
        while (m_pos < m_line.size() && !isBlank(m_line[m_pos])) ++m_pos;
        return m_line.substr(start, m_pos - start);
    }
    // Whether text follows the last word (possibly empty text after a
    // blank), and that text, taken literally after one blank.
    bool hasRest() const { return m_pos < m_line.size(); }
    std::string rest() const { return hasRest() ? m_line.substr(m_pos + 1) : std::string(); }

private:
    void skipBlanks()
    {
        while (m_pos < m_line.size() && isBlank(m_line[m_pos])) ++m_pos;
    }
    const std::string& m_line;
    std::size_t m_pos = 0;
};

}  // namespace script_detail

namespace {

using script_detail::Words;

std::string required(Words& w, const std::string& command, const char* what)
{
    std::string s = w.next();
    if (s.empty()) throw ScriptError("missing argument: " + command + " needs " + what);
    return s;
}

// 1 for Wire1, 2 for Wire2: the wires the lab loses packets on.
int routedWire(const std::string& wire, const std::string& command)
{
    if (wire == "Wire1") return 1;
    if (wire == "Wire2") return 2;
    throw ScriptError(command + " needs a routed wire (Wire1 or Wire2), not '" + wire + "'");
}

void noMore(Words& w, const std::string& command)
{
    if (!w.atEnd()) throw ScriptError("unexpected text after " + command + ": '" + w.next() + "'");
}

template <class T>
T wholeNumber(const std::string& s, bool allowNegative, const std::string& command)
{
    T v{};
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (!allowNegative && !s.empty() && s[0] == '-') first = last;  // rejected below
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (first == last || ec != std::errc() || ptr != last) {
        throw ScriptError(command + " needs a whole number" + (allowNegative ? "" : " >= 0") + ", not '" + s + "'");
    }
    return v;
}

// Whether `s` is well-formed UTF-8 (no stray continuation bytes, overlong
// forms, surrogates or code points beyond U+10FFFF).
bool validUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

}  // namespace

std::size_t ScriptRunner::characterEnd(const std::string& text, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return end;
}

void ScriptRunner::printMessageBox(std::ostream& out, const std::string& text)
{
    out << "{\"messageBox\": " << dump::Json(text).dump() << "}\n";
}

void ScriptRunner::PrintingMessageBox::show(const std::string& text)
{
    if (!silent) printMessageBox(m_out, text);
}

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err, widgets::Random* random)
    : m_out(out),
      m_err(err),
      m_messageBox(out),
      m_random(random),
      m_ownDemo(std::make_unique<LinkDemo>(m_messageBox, random)),
      m_demo(m_ownDemo.get())
{
}

ScriptRunner::ScriptRunner(LinkDemo& demo, std::ostream& out, std::ostream& err)
    : m_out(out), m_err(err), m_messageBox(out), m_demo(&demo)
{
}

ScriptRunner::~ScriptRunner()
{
    // A borrowed model outlives the runner: its lab must not call back.
    if (m_explainer) {
        m_demo->lab().onLoss = nullptr;
        m_demo->lab().onDrop = nullptr;
    }
}

int ScriptRunner::run(std::istream& script)
{
    std::string line;
    long number = 0;
    while (std::getline(script, line)) {
        if (runLine(line, ++number) != kOk) return kScriptError;
    }
    m_out.flush();
    if (finish() != kOk) return kScriptError;
    return m_expectFailed ? kExpectFailed : kOk;
}

int ScriptRunner::finish()
{
    if (!m_ask) return kOk;
    m_out.flush();
    m_err << "line " << m_ask->line << ": the question has no reveal\n";
    m_err.flush();
    return kScriptError;
}

std::string ScriptRunner::check(const std::string& script)
{
    std::ostringstream out;
    std::ostringstream err;
    ScriptRunner runner(out, err);
    runner.m_dry = true;
    std::istringstream in(script);
    // Only a bad line stops a script; anything else plays.
    if (runner.run(in) != kScriptError) return {};
    // The last line is the reason (earlier ones may be notices).
    std::string e = err.str();
    while (!e.empty() && e.back() == '\n') e.pop_back();
    if (const auto nl = e.rfind('\n'); nl != std::string::npos) e.erase(0, nl + 1);
    return e;
}

int ScriptRunner::runLine(const std::string& text, long number)
{
    std::string line = text;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_lineNumber = number;
    m_lineText = line;
    try {
        execute(line);
    } catch (const ScriptError& e) {
        m_out.flush();
        m_err << "line " << number << ": " << e.what() << '\n';
        m_err.flush();
        return kScriptError;
    }
    return kOk;
}

widgets::Control& ScriptRunner::control(const std::string& name)
{
    widgets::Control* c = m_demo->findControl(name);
    if (!c) throw ScriptError("unknown control '" + name + "'");
    return *c;
}

bool ScriptRunner::reachable(const widgets::Control& c, const std::string& name)
{
    if (c.reachable()) return true;
    diag() << "ignored: " << name << " is hidden\n";
    return false;
}

std::span<const ScriptRunner::Command> ScriptRunner::commands()
{
    using R = ScriptRunner;
    static const Command kCommands[] = {
        {"run", &R::runCommand, "run MS", "advance simulated time by MS milliseconds", true},
        {"press", &R::pressCommand, "press NAME", "click a button or check box"},
        {"choose", &R::chooseCommand, "choose NAME ITEM", "pick ITEM from the list of combo box NAME"},
        {"type", &R::typeCommand, "type NAME TEXT", "type TEXT into the editable combo box NAME"},
        {"scroll", &R::scrollCommand, "scroll NAME VALUE", "move scroll bar NAME to VALUE"},
        {"focus", &R::focusCommand, "focus NAME", "give component NAME the keyboard focus"},
        {"background", &R::backgroundCommand, "background", "click the window background"},
        {"dump", &R::dumpCommand, "dump [PREFIX]", "print every object whose name starts with PREFIX"},
        {"lines", &R::linesCommand, "lines NAME", "print the lines drawn on picture area NAME"},
        {"svg", &R::svgCommand, "svg NAME FILE [all | FROM TO]",
         "write the trace picture NAME (Wire1.Picture1) as SVG: its visible part, the whole run since it was last "
         "cleared, or FROM to TO ms"},
        {"log", &R::logCommand, "log on | log off", "print every routed packet event as a JSON line, or stop"},
        {"explain", &R::explainCommand, "explain on | explain off",
         "print every explanation of what happens as a JSON line, or stop"},
        {"say", &R::sayCommand, "say TEXT", "narration: print {\"say\": TEXT} (the window shows it)"},
        {"colours", &R::coloursCommand, "colours PROFILE",
         "print the colour table of PROFILE (standard, projector, colour-vision)"},
        // Checkpoints of a lesson.
        {"ask", &R::askCommand, "ask QUESTION", "a checkpoint's question (a played lesson pauses there)"},
        {"choice", &R::choiceCommand, "choice TEXT", "a wrong choice of the question asked"},
        {"choice*", &R::choiceCommand, "choice* TEXT", "the right choice of the question asked"},
        {"reveal", &R::revealCommand, "reveal TEXT",
         "the explanation after the choice; prints {\"ask\": ...} and {\"reveal\": TEXT}"},
        // Lessons that check themselves and rewind (set drop is with set).
        {"expect", &R::expectCommand, "expect NAME FIELD VALUE",
         "check that FIELD of NAME's dump object equals VALUE (JSON); else exit status 3 at the end"},
        {"back", &R::backCommand, "back MS", "go back to the state MS milliseconds earlier, as a fresh run reaches it"},
        // Described in the manual page only.
        {"step", &R::stepCommand, "", ""},
        {"set", &R::setCommand, "", ""},
        {"stats", &R::statsCommand, "", ""},
    };
    return kCommands;
}

const ScriptRunner::Command* ScriptRunner::commandOf(std::string_view line)
{
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return nullptr;
    auto end = line.find_first_of(" \t\r", start);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view name = line.substr(start, end - start);
    for (const Command& c : commands()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

std::string ScriptRunner::commandHelp()
{
    constexpr std::size_t kUsageWidth = 20;
    std::string out;
    for (const Command& c : commands()) {
        if (c.usage.empty()) continue;
        out += "  ";
        out += c.usage;
        out.append(kUsageWidth - std::min(kUsageWidth - 1, c.usage.size()), ' ');
        out += c.help;
        out += '\n';
    }
    return out;
}

void ScriptRunner::execute(const std::string& line)
{
    // Typed text is kept and later printed as JSON, which holds only UTF-8.
    if (!validUtf8(line)) throw ScriptError("the line is not valid UTF-8");
    Words words(line);
    if (words.atEnd()) return;
    const std::string command = words.next();
    if (command[0] == '#') return;
    for (const Command& c : commands()) {
        if (c.name == command) {
            (this->*c.handler)(words, command);
            // The lines that act are the session's inputs (run and step
            // record their own).
            static constexpr std::string_view kActing[] = {"press", "choose", "type",      "scroll",
                                                           "focus", "set",    "background"};
            if (std::find(std::begin(kActing), std::end(kActing), c.name) != std::end(kActing)) {
                record(Input{Input::Kind::Line, line, 0});
            }
            return;
        }
    }
    throw ScriptError("unknown command '" + command + "'");
}

void ScriptRunner::runCommand(Words& words, const std::string& command)
{
    const auto ms = wholeNumber<std::int64_t>(required(words, command, "a time in ms"), false, command);
    noMore(words, command);
    if (!m_demo->scheduler().canAdvance(ms)) {
        throw ScriptError("run " + std::to_string(ms) + " would take the time past the latest the model can hold (" +
                          std::to_string(widgets::Scheduler::kLatest) + " ms)");
    }
    record(Input{Input::Kind::Advance, "", ms});
    if (onRun) {
        onRun(ms);
    } else {
        m_demo->scheduler().advance(ms);
    }
}

void ScriptRunner::stepCommand(Words& words, const std::string& command)
{
    noMore(words, command);
    if (!m_demo->scheduler().canAdvance(m_demo->Timer1.interval())) {
        throw ScriptError("step would take the time past the latest the model can hold");
    }
    record(Input{Input::Kind::StepStart, "", 0});
    record(Input{Input::Kind::Advance, "", m_demo->Timer1.interval()});
    record(Input{Input::Kind::StepEnd, "", 0});
    presenter::step(*m_demo);
}

void ScriptRunner::pressCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a control name");
    noMore(words, command);
    widgets::Control& c = control(name);
    if (c.kind() == widgets::Kind::Button) {
        if (!reachable(c, name)) return;
        // A packet clicked away is explained as destroyed by a click.
        int wire = 0;
        int slot = -1;
        if (m_explainer && std::sscanf(name.c_str(), "Wire%d.cmdPacket(%d)", &wire, &slot) == 2 &&
            (wire == 1 || wire == 2)) {
            m_explainer->destroying(wire, slot, explain::Cause::Click);
        }
        static_cast<widgets::Button&>(c).click();
    } else if (c.kind() == widgets::Kind::Check) {
        if (reachable(c, name)) static_cast<widgets::CheckBox&>(c).click();
    } else {
        throw ScriptError(name + " is not a button or check box");
    }
}

void ScriptRunner::chooseCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a combo box and an item");
    if (!words.hasRest()) throw ScriptError("missing argument: choose needs an item after " + name);
    const std::string item = words.rest();
    widgets::Control& c = control(name);
    if (c.kind() != widgets::Kind::Combo) throw ScriptError(name + " is not a combo box");
    auto& combo = static_cast<widgets::ComboBox&>(c);
    const int index = combo.itemIndex(item);
    if (index < 0) throw ScriptError("'" + item + "' is not an item of " + name);
    if (reachable(c, name)) combo.userChoose(index);
}

void ScriptRunner::typeCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a combo box");
    const std::string text = words.rest();
    widgets::Control& c = control(name);
    if (c.kind() != widgets::Kind::Combo) throw ScriptError(name + " is not a combo box");
    auto& combo = static_cast<widgets::ComboBox&>(c);
    if (!combo.editable()) throw ScriptError("cannot type into " + name + ": it is a list-only combo box");
    if (!reachable(c, name)) return;
    // Select all, then type: an empty text only empties the field. The
    // field grows by one character per keystroke, up to what it holds.
    if (text.empty()) combo.userEdit(text);
    const std::size_t fit = widgets::ComboBox::fittingLength(text);
    std::string typed;
    typed.reserve(fit);
    for (std::size_t at = 0; at < fit;) {
        const std::size_t end = characterEnd(text, at);
        typed.append(text, at, end - at);
        combo.userEdit(typed);
        at = end;
    }
    if (fit < text.size()) {
        diag() << "ignored: " << name << " holds at most " << widgets::ComboBox::kMaxLength << " characters\n";
    }
}

void ScriptRunner::scrollCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a scroll bar and a value");
    const auto value = wholeNumber<int>(required(words, command, "a value"), true, command);
    noMore(words, command);
    widgets::Control& c = control(name);
    if (c.kind() != widgets::Kind::ScrollBar) throw ScriptError(name + " is not a scroll bar");
    if (reachable(c, name)) static_cast<widgets::ScrollBar&>(c).userScroll(value);
}

void ScriptRunner::focusCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a component name");
    noMore(words, command);
    widgets::Component* component = m_demo->findComponent(name);
    if (!component) throw ScriptError("unknown component '" + name + "'");
    component->focus();
}

void ScriptRunner::backgroundCommand(Words& words, const std::string& command)
{
    noMore(words, command);
    m_demo->backgroundClick();
}

void ScriptRunner::dumpCommand(Words& words, const std::string&)
{
    dump(words.rest());
}

void ScriptRunner::statsCommand(Words& words, const std::string& command)
{
    if (!words.atEnd()) {
        const std::string what = words.next();
        if (what != "reset") throw ScriptError("stats takes nothing or reset, not '" + what + "'");
        noMore(words, command);
        m_demo->lab().restartCounts();
        return;
    }
    m_out << "{\"stats\": " << dump::figures(m_demo->lab().figures()).dump() << "}\n";
}

void ScriptRunner::coloursCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a profile (standard, projector, colour-vision)");
    noMore(words, command);
    const auto profile = palette::profileNamed(name);
    if (!profile) throw ScriptError("unknown colour profile " + name + " (standard, projector, colour-vision)");
    palette::writeTable(m_out, *profile);
}

void ScriptRunner::linesCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a picture name");
    noMore(words, command);
    lines(name);
}

void ScriptRunner::svgCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a picture name and a file");
    if (!words.hasRest() || words.rest().empty()) throw ScriptError("missing argument: svg needs a file after " + name);
    // FILE, FILE all (the whole run since the trace was last cleared) or
    // FILE FROM TO (ms): the file is the rest of the line before them.
    std::string file = words.rest();
    std::optional<figure::Range> range;
    bool all = false;
    auto lastWord = [](std::string& text) {
        const std::size_t blank = text.find_last_of(" \t");
        if (blank == std::string::npos) return std::string();
        std::string word = text.substr(blank + 1);
        text.erase(blank);
        return word;
    };
    auto milliseconds = [](const std::string& w, std::int64_t& v) {
        if (w.empty() || w.size() > 18 || w.find_first_not_of("0123456789") != std::string::npos) return false;
        v = std::stoll(w);
        return true;
    };
    {
        std::string rest = file;
        const std::string last = lastWord(rest);
        std::string head = rest;
        const std::string before = lastWord(head);
        std::int64_t from = 0, to = 0;
        if (last == "all" && !rest.empty()) {
            all = true;
            file = rest;
        } else if (!head.empty() && milliseconds(before, from) && milliseconds(last, to)) {
            // The whole span, a day at most, is drawn at the trace's scale.
            constexpr std::int64_t kLongestRange = 24LL * 3600 * 1000;
            if (to <= from) throw ScriptError("svg needs FROM before TO, not " + before + " " + last);
            if (to - from > kLongestRange) throw ScriptError("svg draws at most a day (86400000 ms) at once");
            range = figure::Range{from, to};
            file = head;
        }
    }
    svg(name, file, all, range);
}

void ScriptRunner::logCommand(Words& words, const std::string& command)
{
    const std::string state = required(words, command, "on or off");
    noMore(words, command);
    if (state != "on" && state != "off") throw ScriptError("log needs on or off, not '" + state + "'");
    log(state == "on");
}

void ScriptRunner::explainCommand(Words& words, const std::string& command)
{
    const std::string state = required(words, command, "on or off");
    noMore(words, command);
    if (state != "on" && state != "off") throw ScriptError("explain needs on or off, not '" + state + "'");
    explain(state == "on");
}

void ScriptRunner::explain(bool on)
{
    if (!on) {
        m_demo->lab().onLoss = nullptr;
        m_demo->lab().onDrop = nullptr;
        m_explainer.reset();
        return;
    }
    if (m_explainer) return;
    m_explainer = std::make_unique<explain::Explainer>(*m_demo);
    m_explainer->onLine = [this](const explain::Line& l) { m_out << explain::jsonLine(l) << "\n"; };
    // The lab's random loss (set loss) is said as such, not as a plain loss.
    m_demo->lab().onLoss = [this](Wire& wire, int slot) {
        m_explainer->destroying(&wire == &m_demo->Wire2 ? 2 : 1, slot, explain::Cause::RandomLoss);
    };
    // A chosen loss is explained as one, not as a packet that went missing.
    m_demo->lab().onDrop = [this](Wire& wire, int slot) {
        if (m_explainer) m_explainer->destroying(&wire == &m_demo->Wire2 ? 2 : 1, slot, explain::Cause::Chosen);
    };
}

void ScriptRunner::sayCommand(Words& words, const std::string&)
{
    const std::string text = words.rest();
    m_out << "{\"say\": " << dump::Json(text).dump() << "}\n";
    if (onSay) onSay(text);
}

void ScriptRunner::askCommand(Words& words, const std::string&)
{
    if (m_ask) {
        throw ScriptError("ask before the reveal of the question at line " + std::to_string(m_ask->line));
    }
    m_ask = Checkpoint{};
    m_ask->question = words.rest();
    m_ask->line = m_lineNumber;
}

void ScriptRunner::choiceCommand(Words& words, const std::string& command)
{
    if (!m_ask) throw ScriptError(command + " without an ask");
    if (static_cast<int>(m_ask->choices.size()) >= Checkpoint::kMaxChoices) {
        throw ScriptError("a question has at most " + std::to_string(Checkpoint::kMaxChoices) + " choices");
    }
    if (command == "choice*") {
        if (m_ask->answer >= 0) throw ScriptError("a second right choice (choice*) for the question");
        m_ask->answer = static_cast<int>(m_ask->choices.size());
    }
    m_ask->choices.push_back(words.rest());
}

void ScriptRunner::revealCommand(Words& words, const std::string&)
{
    if (!m_ask) throw ScriptError("reveal without an ask");
    if (m_ask->answer < 0) throw ScriptError("the question has no right choice (choice*)");
    Checkpoint c = std::move(*m_ask);
    m_ask.reset();
    c.reveal = words.rest();
    dump::Json choices = dump::Json::array();
    for (const std::string& s : c.choices) choices.push_back(s);
    m_out << "{\"ask\": {\"question\": " << dump::Json(c.question).dump() << ", \"choices\": " << choices.dump()
          << ", \"answer\": " << c.answer << "}}\n";
    m_out << "{\"reveal\": " << dump::Json(c.reveal).dump() << "}\n";
    if (onCheckpoint) onCheckpoint(c);
}

void ScriptRunner::setCommand(Words& words, const std::string&)
{
    const std::string what = required(words, "set", "loss, seed or drop");
    if (what == "drop") {
        setDrop(words);
    } else if (what == "loss") {
        const std::string wire = required(words, "set loss", "a wire and a probability");
        const std::string value = required(words, "set loss", "a probability");
        noMore(words, "set loss");
        const int index = routedWire(wire, "set loss");
        // strtod, not from_chars: the web edition's standard library has no
        // from_chars for doubles. Only plain decimal text is a probability.
        const bool plain = !value.empty() && value.find_first_not_of("0123456789.") == std::string::npos;
        char* end = nullptr;
        const double p = plain ? std::strtod(value.c_str(), &end) : -1.0;
        if (!plain || end != value.c_str() + value.size() || !m_demo->lab().setLoss(index, p)) {
            throw ScriptError("set loss needs a probability from 0 to 0.5, not '" + value + "'");
        }
    } else if (what == "seed") {
        const auto seed = wholeNumber<std::uint64_t>(required(words, "set seed", "a whole number"), false, "set seed");
        noMore(words, "set seed");
        m_demo->lab().setSeed(seed);
    } else {
        throw ScriptError("set needs loss, seed or drop, not '" + what + "'");
    }
}

void ScriptRunner::dump(const std::string& prefix)
{
    const std::vector<dump::Json> objects = dump::objects(*m_demo, prefix);
    for (const auto& j : objects) m_out << j.dump() << '\n';
    m_out << "{\"dumped\": " << objects.size() << ", \"time\": " << m_demo->scheduler().now() << "}\n";
}

void ScriptRunner::lines(const std::string& name)
{
    widgets::Control& c = control(name);
    if (c.kind() != widgets::Kind::Picture) throw ScriptError(name + " is not a picture area");
    const auto& drawn = static_cast<const widgets::Picture&>(c).lines();
    for (const auto& l : drawn) m_out << dump::line(l).dump() << '\n';
    m_out << "{\"lines\": " << drawn.size() << "}\n";
}

void ScriptRunner::svg(const std::string& name, const std::string& file, bool all, std::optional<figure::Range> range)
{
    widgets::Control& c = control(name);
    const auto* wire = dynamic_cast<const Wire*>(c.parent());
    if (c.kind() != widgets::Kind::Picture || !wire || &wire->Picture1 != &c) {
        throw ScriptError(name + " is not a wire's trace picture");
    }
    if (all) range = figure::wholeRun(*wire, m_demo->totalTime);
    const figure::TraceFigure f = range ? figure::traceFigure(*wire, *range) : figure::traceFigure(*wire);
    if (m_dry) return;
    if (onWrite) {
        onWrite(file, figure::svg(f));
    } else {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << figure::svg(f);
        out.close();
        if (!out) throw ScriptError("cannot write " + file);
    }
    m_out << "{\"svg\": " << dump::Json(file).dump() << ", \"lines\": " << f.lines.size()
          << ", \"labels\": " << f.labels.size() << "}\n";
}

void ScriptRunner::log(bool on)
{
    if (!on) {
        m_log.reset();
        return;
    }
    if (m_log) return;
    m_log = std::make_unique<eventlog::EventLog>(*m_demo);
    m_log->listen([this](const eventlog::Event& e) { m_out << "{\"event\": " << eventlog::toJson(e).dump() << "}\n"; });
}

// ---- Lessons that check themselves, lose chosen packets and rewind ---------

void ScriptRunner::expectCommand(Words& words, const std::string& command)
{
    const std::string name = required(words, command, "a name, a field and a value");
    const std::string field = required(words, command, "a field and a value");
    const std::string text = words.rest();
    if (text.find_first_not_of(" \t") == std::string::npos) {
        throw ScriptError("missing argument: expect needs a value after " + field);
    }
    dump::Json expected;
    try {
        expected = dump::Json::parse(text);
    } catch (const dump::Json::parse_error&) {
        throw ScriptError("expect needs a JSON value, not '" + text + "'");
    }
    std::vector<dump::Json> objects = dump::objects(*m_demo, name);
    const auto object =
        std::find_if(objects.begin(), objects.end(), [&](const dump::Json& j) { return j["name"] == name; });
    if (object == objects.end()) throw ScriptError("nothing named '" + name + "' in the dump");
    const dump::Json* found = nullptr;
    if (object->contains(field)) {
        found = &(*object)[field];
    } else if (object->contains("state") && (*object)["state"].contains(field)) {
        found = &(*object)["state"][field];
    }
    if (!found) throw ScriptError(name + " has no field '" + field + "'");
    if (*found == expected) return;
    m_expectFailed = true;
    m_out.flush();
    m_err << "line " << m_lineNumber << ": " << m_lineText << ": found " << found->dump() << '\n';
    m_err.flush();
}

void ScriptRunner::setDrop(Words& words)
{
    const std::string wire = required(words, "set drop", "a wire and a packet, or off");
    const int index = routedWire(wire, "set drop");
    const std::string kindWord = required(words, "set drop", "a kind (data, ack, ready, hold) and a number, or off");
    if (kindWord == "off") {
        noMore(words, "set drop");
        m_demo->lab().clearDrops(index);
        return;
    }
    const auto kind = lab::kindNamed(kindWord);
    if (!kind) throw ScriptError("set drop needs data, ack, ready, hold or off, not '" + kindWord + "'");
    const auto number = wholeNumber<std::int32_t>(required(words, "set drop", "a packet number"), false, "set drop");
    int transmission = 1;
    if (!words.atEnd()) {
        transmission = wholeNumber<int>(words.next(), false, "set drop");
        if (transmission < 1)
            throw ScriptError("set drop counts transmissions from 1, not " + std::to_string(transmission));
    }
    noMore(words, "set drop");
    m_demo->lab().addDrop(lab::Drop{index, *kind, number, transmission});
}

void ScriptRunner::record(Input input)
{
    if (m_replaying) return;
    // Runs in a row are one input.
    if (input.kind == Input::Kind::Advance && !m_inputs.empty() && m_inputs.back().kind == Input::Kind::Advance) {
        m_inputs.back().ms += input.ms;
        return;
    }
    m_inputs.push_back(std::move(input));
}

void ScriptRunner::replay(const Input& input)
{
    switch (input.kind) {
        case Input::Kind::Line:
            execute(input.line);
            break;
        case Input::Kind::Advance:
            m_demo->scheduler().advance(input.ms);
            break;
        case Input::Kind::StepStart:
            if (m_demo->paused) m_demo->cmdPause.click();
            break;
        case Input::Kind::StepEnd:
            if (!m_demo->paused) m_demo->cmdPause.click();
            break;
    }
}

void ScriptRunner::backCommand(Words& words, const std::string& command)
{
    const auto ms = wholeNumber<std::int64_t>(required(words, command, "a time in ms"), false, command);
    noMore(words, command);
    if (!m_ownDemo || m_random) throw ScriptError("back needs a runner that builds its own model");
    const std::int64_t now = m_demo->scheduler().now();
    if (ms > now) {
        throw ScriptError("back " + std::to_string(ms) + " goes before the start: " + std::to_string(now) +
                          " ms have run");
    }
    rewindTo(now - ms);
}

void ScriptRunner::rewindTo(std::int64_t t)
{
    // The inputs up to t: a time passing across t is cut there, and what
    // acted at t itself stays.
    std::vector<Input> kept;
    std::int64_t at = 0;
    for (const Input& input : m_inputs) {
        if (input.kind == Input::Kind::Advance && at + input.ms > t) {
            if (t > at) kept.push_back(Input{Input::Kind::Advance, "", t - at});
            break;
        }
        if (input.kind == Input::Kind::Advance) at += input.ms;
        kept.push_back(input);
    }

    const bool logging = m_log != nullptr;
    const bool explaining = m_explainer != nullptr;
    m_log.reset();
    m_explainer.reset();
    m_demo = nullptr;
    m_ownDemo.reset();

    // Replayed silently: what the session printed has been printed.
    struct Quiet {
        ScriptRunner& r;
        explicit Quiet(ScriptRunner& runner) : r(runner) { r.m_replaying = r.m_messageBox.silent = true; }
        ~Quiet() { r.m_replaying = r.m_messageBox.silent = false; }
    };
    {
        const Quiet quiet(*this);
        m_ownDemo = std::make_unique<LinkDemo>(m_messageBox, nullptr);
        m_demo = m_ownDemo.get();
        for (const Input& input : kept) replay(input);
    }
    m_inputs = std::move(kept);
    if (logging) log(true);
    if (explaining) explain(true);
}
