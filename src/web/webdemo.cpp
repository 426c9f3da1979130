// SPDX-License-Identifier: MIT
#include "web/webdemo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string_view>
#include <unordered_map>

#include "linkdemo_version.h"
#include "packet/packet.h"
#include "palette/palette.h"
#include "session/bindingrules.h"
#include "session/dump.h"
#include "session/helptext.h"
#include "session/keys.h"
#include "session/lessons.h"
#include "session/script.h"
#include "session/tracetools.h"
#include "web/lessons.h"
#include "widgets/component.h"
#include "wire/trace.h"

namespace web {

namespace {

using dump::Json;
using widgets::Kind;

// Writes the state of changed controls straight into the sync's text: it
// runs for every changed control at every clock tick, where building
// generic JSON objects first costs several times as much.
class Writer {
public:
    explicit Writer(std::string& out, std::vector<std::size_t>* keys = nullptr) : m_out(out), m_keys(keys) {}

    Writer& key(const char* k)
    {
        m_out += m_first ? "\"" : ",\"";
        m_first = false;
        if (m_keys) m_keys->push_back(m_out.size() - 1);
        m_out += k;
        m_out += "\":";
        return *this;
    }
    // Whole numbers print without a fraction, as in the runner's dump;
    // others in the few digits that read back as the same number, by the
    // JSON library's own formatter (Grisu2; printf's "%.17g" costs several
    // times as much, and a moving packet sends two at every tick, a trace's
    // new lines five each; this toolchain's std::to_chars has no doubles).
    Writer& number(double v)
    {
        if (!std::isfinite(v)) v = 0;
        if (v == std::floor(v) && std::fabs(v) < 9e15) return integer(static_cast<std::int64_t>(v));
        char buf[32];
        m_out.append(buf, nlohmann::detail::to_chars(buf, buf + sizeof buf, v));
        return *this;
    }
    Writer& integer(std::int64_t v)
    {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        m_out.append(buf, r.ptr);
        return *this;
    }
    Writer& boolean(bool b)
    {
        m_out += b ? "true" : "false";
        return *this;
    }
    Writer& string(const std::string& s)
    {
        m_out += '"';
        for (const char ch : s) {
            const auto c = static_cast<unsigned char>(ch);
            if (c == '"' || c == '\\') {
                m_out += '\\';
                m_out += ch;
            } else if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                m_out += buf;
            } else {
                m_out += ch;
            }
        }
        m_out += '"';
        return *this;
    }
    void open() { m_out += '{'; }
    void close() { m_out += '}'; }

private:
    std::string& m_out;
    std::vector<std::size_t>* m_keys;
    bool m_first = true;
};

// A trace line's end in the page's pixels at zoom 1, rounded as the page
// rounds (JavaScript's Math.round: the nearest, a half upwards) and held
// within a million pixels: the page draws the lines at these pixels, scaled
// for its zoom and pixel ratio, and a whole number costs a fraction of the
// digits, here and in the page's reading.
std::int64_t pagePixel(double units)
{
    const double v = std::isfinite(units) ? std::clamp(units / widgets::kUnitsPerPixel, -1e6, 1e6) : 0.0;
    const double down = std::floor(v);
    return static_cast<std::int64_t>(v - down >= 0.5 ? down + 1 : down);
}

// What the page needs of a control to draw it: the fields of the runner's
// dump (under the same names) plus fonts, see-through labels, alignment,
// shape borders and container colours; `tab` is the control's place in the
// Tab chain (0: none). `keys` receives where each field's key starts (at its
// opening quote).
void writeState(std::string& out, const widgets::Control& c, int tab, std::vector<std::size_t>* keys = nullptr)
{
    Writer w(out, keys);
    w.open();
    w.key("layer").integer(rules::layerOf(c));
    w.key("tab").integer(tab);
    w.key("visible").boolean(c.visible());
    w.key("left").number(c.left());
    w.key("top").number(c.top());
    w.key("width").number(c.width());
    w.key("height").number(c.height());
    w.key("tabStop").boolean(c.tabStop());
    w.key("font");
    out += '[';
    Writer(out).number(c.font().points);
    out += c.font().bold ? ",true]" : ",false]";
    switch (c.kind()) {
        case Kind::Window:
        case Kind::Component:
            w.key("backColour").integer(static_cast<const widgets::Container&>(c).backColour());
            w.key("seeThrough").boolean(rules::seeThrough(static_cast<const widgets::Container&>(c)));
            break;
        case Kind::Button: {
            const auto& b = static_cast<const widgets::Button&>(c);
            w.key("caption").string(b.caption());
            w.key("backColour").integer(b.backColour());
            break;
        }
        case Kind::Label: {
            const auto& l = static_cast<const widgets::Label&>(c);
            w.key("caption").string(l.caption());
            w.key("foreColour").integer(l.foreColour());
            w.key("backColour").integer(l.backColour());
            w.key("align").string(l.alignment() == widgets::Label::Align::Centre  ? "center"
                                  : l.alignment() == widgets::Label::Align::Right ? "right"
                                                                                  : "left");
            break;
        }
        case Kind::Combo: {
            const auto& cb = static_cast<const widgets::ComboBox&>(c);
            w.key("text").string(cb.text());
            w.key("listIndex").integer(cb.listIndex());
            w.key("editable").boolean(cb.editable());
            if (cb.editable()) w.key("maxLength").integer(static_cast<std::int64_t>(widgets::ComboBox::kMaxLength));
            w.key("items");
            out += '[';
            for (std::size_t i = 0; i < cb.items().size(); ++i) {
                if (i) out += ',';
                Writer(out).string(cb.items()[i]);
            }
            out += ']';
            break;
        }
        case Kind::Check: {
            const auto& k = static_cast<const widgets::CheckBox&>(c);
            w.key("caption").string(k.caption());
            w.key("value").integer(k.value());
            break;
        }
        case Kind::Shape: {
            const auto& s = static_cast<const widgets::Shape&>(c);
            w.key("shape").string(s.form() == widgets::Shape::Form::Circle ? "circle" : "rectangle");
            w.key("fillColour").integer(s.fillColour());
            w.key("filled").boolean(s.filled());
            w.key("borderColour").integer(s.borderColour());
            break;
        }
        case Kind::Line: {
            const auto& l = static_cast<const widgets::Line&>(c);
            w.key("x1").number(l.x1());
            w.key("y1").number(l.y1());
            w.key("x2").number(l.x2());
            w.key("y2").number(l.y2());
            w.key("colour").integer(l.colour());
            break;
        }
        case Kind::Picture:
            w.key("backColour").integer(static_cast<const widgets::Picture&>(c).backColour());
            break;
        case Kind::ScrollBar: {
            const auto& s = static_cast<const widgets::ScrollBar&>(c);
            w.key("min").integer(s.min());
            w.key("max").integer(s.max());
            w.key("value").integer(s.value());
            w.key("smallChange").integer(s.smallChange());
            w.key("largeChange").integer(s.largeChange());
            break;
        }
        case Kind::TextBox: {
            const auto& t = static_cast<const widgets::TextBox&>(c);
            w.key("text").string(t.text());
            w.key("foreColour").integer(t.foreColour());
            break;
        }
        case Kind::Timer:
            break;
    }
    w.close();
}

// Collects what is written to one stream, and both streams in the order
// written.
class TeeBuffer : public std::streambuf {
public:
    TeeBuffer(std::string& own, std::string& both) : m_own(own), m_both(both) {}

protected:
    int_type overflow(int_type ch) override
    {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        const char c = traits_type::to_char_type(ch);
        m_own.push_back(c);
        m_both.push_back(c);
        return ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        m_own.append(s, static_cast<std::size_t>(n));
        m_both.append(s, static_cast<std::size_t>(n));
        return n;
    }

private:
    std::string& m_own;
    std::string& m_both;
};

// Whether a line that ran belongs in the session's script: queries that
// only print (dump, lines, stats, colours, svg), comments and blank lines
// do not.
// The words of the help table on a node of tree() (defined with the page's
// help below).
void describe(Json& node, const widgets::Control& control);

bool changesTheSession(const std::string& line)
{
    const ScriptRunner::Command* c = ScriptRunner::commandOf(line);
    if (!c) return false;
    for (const char* query : {"dump", "lines", "stats", "colours", "svg"}) {
        if (c->name == query) return false;
    }
    return true;
}

}  // namespace

void WebDemo::PageMessageBox::show(const std::string& text)
{
    if (out) {
        ScriptRunner::printMessageBox(*out, text);
    } else {
        waiting.push_back(text);
    }
}

WebDemo::WebDemo()
    : m_demo(std::make_unique<LinkDemo>(m_box)),
      m_clock(&m_demo->scheduler()),
      m_recorder(m_demo->scheduler()),
      m_playOutBuffer(std::make_unique<TeeBuffer>(m_playOut, m_playBoth)),
      m_playErrBuffer(std::make_unique<TeeBuffer>(m_playErr, m_playBoth)),
      m_playOutStream(std::make_unique<std::ostream>(m_playOutBuffer.get())),
      m_playErrStream(std::make_unique<std::ostream>(m_playErrBuffer.get())),
      m_player(*m_demo, *m_playOutStream, *m_playErrStream),
      m_session(*m_demo, m_player),
      m_rewind(*m_demo, m_player, m_recorder),
      m_recording(m_recorder, Recording::Where::Page)
{
    m_clock.limit = [this] { return m_session.limit(); };
    m_player.onLine = [this](const std::string& line, std::int64_t at) { m_recorder.recordLine(line, at); };
    // Back at start-up: the recording starts afresh, the page redraws all.
    m_player.onRestart = [this] {
        m_recorder.restart();
        m_rewind.restarted();
        m_selection.clear();
        invalidate();
        m_clock.forget();
    };
    LinkDemo& root = *m_demo;
    m_entries.push_back(Entry{&root, -1, -1, rules::scriptName(root)});
    m_stacks.push_back(Stack{0});
    build(root, 0, -1);
    describeLive();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].parent == 0 && m_entries[i].control->kind() == Kind::Component) {
            m_components.push_back(static_cast<int>(i));
        }
        if (m_entries[i].control->kind() == Kind::Picture) m_pictures.push_back(i);
    }
    m_gate.onInput = [this](const UserInput& input) {
        noteInput(input);
        m_rewind.sample();
        m_recorder.record(input);
    };
    // While a script plays, its pause is the page's pause: the pause button
    // holds the script and the clock, not the model; it goes on after a
    // caption or an answer, and a question waits for its answer.
    m_gate.intercept = [this](const UserInput& input) {
        if (input.kind != UserInput::Kind::Press || input.name != rules::scriptName(m_demo->cmdPause)) return false;
        if (!m_session.pressPause()) return false;
        m_clock.forget();
        ++m_playRevision;
        advancePlay();
        return true;
    };
    m_gate.setHome(&root.cmdPause);
    m_rewind.pressPause = [this] { click(home()); };
    m_rewind.sample();
}

WebDemo::~WebDemo()
{
    // The watchers go before the model they watch.
    eventLog(false);
    explain(false);
}

void WebDemo::build(widgets::Container& container, int parent, int owner)
{
    for (widgets::Control* c : container.children()) {
        if (c->kind() == Kind::Timer) continue;
        const int id = static_cast<int>(m_entries.size());
        const int childOwner = c->kind() == Kind::Component ? id : owner;
        m_entries.push_back(Entry{c, parent, childOwner, rules::scriptName(*c)});
        if (auto* sub = dynamic_cast<widgets::Container*>(c)) {
            m_stacks.push_back(Stack{id});
            build(*sub, id, childOwner);
        }
    }
}

std::string WebDemo::tree() const
{
    Json out = Json::array();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        const Json state = dump::control(*e.control, e.name);
        const int press = rules::takesPress(*e.control) ? static_cast<int>(i) : e.parent;
        Json node{{"id", i},        {"parent", e.parent}, {"kind", state["kind"]},
                  {"name", e.name}, {"owner", e.owner},   {"press", press}};
        // Whether a click gives the control the keyboard focus (only a field).
        if (rules::takesTab(*e.control)) node["clickFocus"] = rules::clickTakesFocus(*e.control);
        describe(node, *e.control);
        out.push_back(std::move(node));
    }
    return out.dump();
}

void WebDemo::invalidate()
{
    for (Entry& e : m_entries) {
        e.revision = 0;
        e.sent.clear();
        e.sentKeys.clear();
        e.stale = true;
    }
    for (Stack& s : m_stacks) s.revision = 0;
    for (Live& l : m_live) l.known = false;
}

void WebDemo::orderTabs()
{
    bool moved = false;
    m_componentRevisions.resize(m_components.size(), 0);
    for (std::size_t k = 0; k < m_components.size(); ++k) {
        const std::uint64_t rev = m_entries[static_cast<std::size_t>(m_components[k])].control->revision();
        if (rev != m_componentRevisions[k]) moved = true;
        m_componentRevisions[k] = rev;
    }
    if (!moved) return;
    std::unordered_map<const widgets::Control*, int> place;
    int rank = 0;
    for (const widgets::Control* c : rules::tabChain(*m_demo)) place.emplace(c, ++rank);
    for (Entry& e : m_entries) {
        const auto it = place.find(e.control);
        const int tab = it == place.end() ? 0 : it->second;
        if (tab == e.tab) continue;
        e.tab = tab;
        e.revision = 0;
    }
}

std::string WebDemo::sync()
{
    orderTabs();
    std::string out = "{\"controls\":[";
    bool first = true;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        const std::uint64_t rev = e.control->revision();
        if (rev == e.revision) continue;
        // Inside a hidden container nothing shows: the control is sent
        // when the container is shown again.
        if (e.control->parent() && !e.control->parent()->reachable()) continue;
        e.revision = rev;
        // Only the fields that differ from what the page holds: a packet
        // on the move sends its position alone.
        m_scratch.clear();
        m_keys.clear();
        writeState(m_scratch, *e.control, e.tab, &m_keys);
        const std::size_t count = m_keys.size();
        const bool whole = e.sentKeys.size() != count;
        // Field k of a state text: from its key up to the next field's
        // comma, or the closing brace.
        const auto field = [count](const std::string& text, const std::vector<std::size_t>& keys, std::size_t k) {
            const std::size_t to = k + 1 < count ? keys[k + 1] - 1 : text.size() - 1;
            return std::string_view(text.data() + keys[k], to - keys[k]);
        };
        const std::size_t start = out.size();
        out += first ? "[" : ",[";
        Writer(out).integer(static_cast<std::int64_t>(i));
        out += ",{";
        bool any = false;
        for (std::size_t k = 0; k < count; ++k) {
            const std::string_view now = field(m_scratch, m_keys, k);
            if (!whole && now == field(e.sent, e.sentKeys, k)) continue;
            if (any) out += ',';
            any = true;
            out += now;
        }
        // The buffers swap: the scratch keeps a capacity for the next entry.
        e.sent.swap(m_scratch);
        e.sentKeys.swap(m_keys);
        if (!any) {
            out.resize(start);  // the revision moved, nothing the page shows did
            continue;
        }
        first = false;
        out += "}]";
    }

    out += "],\"pictures\":[";
    first = true;
    for (const std::size_t i : m_pictures) {
        Entry& e = m_entries[i];
        const auto& picture = static_cast<const widgets::Picture&>(*e.control);
        const auto& lines = picture.lines();
        if (picture.clearCount() != e.clearCount || lines.size() < e.drawn || picture.backColour() != e.back) {
            e.stale = true;
        }
        // Drawn when next shown: a hidden picture costs nothing.
        if (!picture.reachable()) continue;
        const bool redraw = e.stale;
        const std::size_t from = redraw ? 0 : e.drawn;
        if (!redraw && from == lines.size()) continue;
        out += first ? "[" : ",[";
        first = false;
        Writer(out).integer(static_cast<std::int64_t>(i));
        out += redraw ? ",true,[" : ",false,[";
        for (std::size_t k = from; k < lines.size(); ++k) {
            const widgets::DrawnLine& l = lines[k];
            if (k != from) out += ',';
            Writer w(out);
            w.integer(pagePixel(l.x1));
            out += ',';
            w.integer(pagePixel(l.y1));
            out += ',';
            w.integer(pagePixel(l.x2));
            out += ',';
            w.integer(pagePixel(l.y2));
            out += ',';
            w.integer(l.colour);
        }
        out += "]]";
        e.drawn = lines.size();
        e.clearCount = picture.clearCount();
        e.back = picture.backColour();
        e.stale = false;
    }

    out += "],\"stacks\":[";
    first = true;
    std::unordered_map<const widgets::Control*, int> ids;
    for (Stack& s : m_stacks) {
        const auto& container =
            static_cast<const widgets::Container&>(*m_entries[static_cast<std::size_t>(s.id)].control);
        if (container.stackingRevision() == s.revision) continue;
        s.revision = container.stackingRevision();
        if (ids.empty()) {
            for (std::size_t i = 0; i < m_entries.size(); ++i) ids.emplace(m_entries[i].control, static_cast<int>(i));
        }
        out += first ? "[" : ",[";
        first = false;
        Writer(out).integer(s.id);
        out += ",[";
        bool firstChild = true;
        for (const widgets::Control* c : container.stacking()) {
            const auto it = ids.find(c);
            if (it == ids.end()) continue;
            if (!firstChild) out += ',';
            firstChild = false;
            Writer(out).integer(it->second);
        }
        out += "]]";
    }
    out += "]";
    writeWords(out);
    out += "}";
    return out;
}

WebDemo::Entry* WebDemo::entry(int id, Kind kind)
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_entries.size()) return nullptr;
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    return e.control->kind() == kind ? &e : nullptr;
}

void WebDemo::resend(Entry& e)
{
    e.revision = 0;
    e.sent.clear();
    e.sentKeys.clear();
}

void WebDemo::act(Entry& e, UserInput::Kind kind, const std::function<void()>& action, const std::string& text,
                  int value)
{
    const InputGate::Result r = m_gate.act(*e.control, UserInput{kind, e.name, text, value}, action).result;
    // The element may hold a state of its own (a tick) the model did not take.
    if (r != InputGate::Result::Refused) resend(e);
}

void WebDemo::noteInput(const UserInput& input)
{
    if (!m_finalText.empty()) {
        m_finalText.clear();
        ++m_playRevision;
    }
    // What an ended script left in the status line goes with the run it
    // spoke of: at a reset or a scenario choice.
    const bool newRun = (input.kind == UserInput::Kind::Press && input.name == "LinkDemo.cmdReset") ||
                        (input.kind == UserInput::Kind::Choose && input.name == "LinkDemo.cmbScenario");
    if (newRun && !m_player.playing() && !m_session.status().empty()) {
        m_session.setStatus({});
        ++m_playRevision;
    }
}

void WebDemo::click(int id)
{
    Entry* e = entry(id, Kind::Button);
    if (!e) e = entry(id, Kind::Check);
    if (!e) return;
    widgets::Control* c = e->control;
    const std::string name = e->name;
    act(*e, UserInput::Kind::Press, [this, c, name] {
        if (m_explainer) explainClick(name);
        if (c->kind() == Kind::Button) {
            static_cast<widgets::Button*>(c)->click();
        } else {
            static_cast<widgets::CheckBox*>(c)->click();
        }
    });
}

void WebDemo::choose(int id, int index)
{
    Entry* e = entry(id, Kind::Combo);
    if (!e) return;
    auto* combo = static_cast<widgets::ComboBox*>(e->control);
    if (index < 0 || static_cast<std::size_t>(index) >= combo->items().size()) return;
    act(
        *e, UserInput::Kind::Choose, [combo, index] { combo->userChoose(index); },
        combo->items()[static_cast<std::size_t>(index)]);
}

void WebDemo::edit(int id, const std::string& text)
{
    Entry* e = entry(id, Kind::Combo);
    if (!e) return;
    auto* combo = static_cast<widgets::ComboBox*>(e->control);
    if (!combo->editable()) return;
    act(
        *e, UserInput::Kind::Type, [combo, text] { combo->userEdit(text); }, text);
}

void WebDemo::scroll(int id, int value)
{
    Entry* e = entry(id, Kind::ScrollBar);
    if (!e) return;
    auto* bar = static_cast<widgets::ScrollBar*>(e->control);
    act(
        *e, UserInput::Kind::Scroll, [bar, value] { bar->userScroll(value); }, {}, value);
}

void WebDemo::focus(int id)
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_entries.size()) return;
    m_gate.focus(*m_entries[static_cast<std::size_t>(id)].control);
}

int WebDemo::background()
{
    LinkDemo& demo = *m_demo;
    const InputGate::Outcome o =
        m_gate.act(demo, UserInput{UserInput::Kind::Background, {}, {}, 0}, [&demo] { demo.backgroundClick(); });
    if (!o.focus) return -1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].control == o.focus) return static_cast<int>(i);
    }
    return -1;
}

int WebDemo::home() const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].control == m_gate.home()) return static_cast<int>(i);
    }
    return -1;
}

std::string WebDemo::keyAction(const std::string& key, bool ctrl, bool shift, const std::string& focused,
                               bool scriptPlaying) const
{
    using keys::Focused;
    const Focused f = focused == "button"  ? Focused::Button
                      : focused == "check" ? Focused::CheckBox
                      : focused == "list"  ? Focused::List
                      : focused == "field" ? Focused::Field
                                           : Focused::Nothing;
    const keys::Key pressed{key, ctrl, shift};
    const keys::Action a = keys::dispatch(pressed, f, scriptPlaying);
    return keys::actionName(a != keys::Action::None ? a : keys::shortcut(pressed, f));
}

std::string WebDemo::keyTable()
{
    Json rows = Json::array();
    for (const keys::Row& row : keys::table()) {
        Json presses = Json::array();
        for (const keys::Press& p : row.presses) {
            presses.push_back(Json{{"key", p.key.name},
                                   {"ctrl", p.key.ctrl},
                                   {"shift", p.key.shift},
                                   {"action", keys::actionName(p.action)}});
        }
        const char* scope = row.scope == keys::Scope::Window     ? "window"
                            : row.scope == keys::Scope::Shortcut ? "shortcut"
                                                                 : "toolkit";
        const std::string& words = row.pageWords.empty() ? row.words : row.pageWords;
        rows.push_back(Json{{"keys", row.keys}, {"words", words}, {"scope", scope}, {"presses", presses}});
    }
    return rows.dump();
}

double WebDemo::now() const
{
    return static_cast<double>(m_demo->scheduler().now());
}

void WebDemo::advanceTo(double t)
{
    if (!std::isfinite(t)) return;
    const auto target = static_cast<std::int64_t>(std::floor(t));
    if (target > m_demo->scheduler().now()) m_demo->scheduler().advanceTo(target);
}

bool WebDemo::wake(double realMs)
{
    if (!std::isfinite(realMs)) return false;
    const int before = m_playRevision;
    const std::int64_t ms = m_clock.wake(static_cast<std::int64_t>(std::floor(realMs)));
    if (ms > 0) m_rewind.sample();
    if (ms > 0 && m_follow) presenter::followPresent(*m_demo);
    if (m_player.playing()) advancePlay();
    return ms > 0 || m_playRevision != before;
}

void WebDemo::rebaseClock(double realMs)
{
    if (std::isfinite(realMs)) m_clock.rebase(static_cast<std::int64_t>(std::floor(realMs)));
}

void WebDemo::setPace(int index)
{
    m_clock.pace().setIndex(index);
}

void WebDemo::step()
{
    // The page's Step steps the script (pausing it first).
    if (m_player.playing()) {
        if (!m_session.paused()) setPlayPaused(true);
        stepPlay();
        return;
    }
    const UserInput input{UserInput::Kind::Step, {}, {}, 0};
    noteInput(input);
    m_rewind.sample();
    m_recorder.record(input);
    presenter::step(*m_demo);
    if (m_follow) presenter::followPresent(*m_demo);
    m_clock.pace().drop();
}

// ---- back in the session ---------------------------------------------------

bool WebDemo::goBack(const std::function<bool()>& rewind)
{
    const std::size_t messages = m_box.waiting.size();
    const bool ok = rewind();
    m_recording.rewound();
    // What the replay showed happened before.
    if (m_box.waiting.size() > messages) m_box.waiting.resize(messages);
    if (m_explainer) {
        m_explainer->flush();
        m_explained.clear();
    }
    m_eventRows.clear();
    if (m_follow) presenter::followPresent(*m_demo);
    return ok;
}

bool WebDemo::back(double ms)
{
    if (!std::isfinite(ms)) return false;
    return goBack([this, ms] { return m_rewind.back(static_cast<std::int64_t>(std::floor(ms))); });
}

bool WebDemo::backTick()
{
    return goBack([this] { return m_rewind.backTick(); });
}

double WebDemo::timeTicks()
{
    return static_cast<double>(m_rewind.ticks());
}

bool WebDemo::backToTick(double value)
{
    if (!std::isfinite(value)) return false;
    return goBack([this, value] { return m_rewind.toTick(static_cast<std::int64_t>(std::floor(value))); });
}

// ---- playing ---------------------------------------------------------------

bool WebDemo::play(const std::string& script, const std::string& name)
{
    m_finalText.clear();
    m_endShown = false;
    ++m_playRevision;
    if (!m_session.start(script, name)) return false;
    m_clock.forget();
    advancePlay();
    return true;
}

bool WebDemo::playLesson(const std::string& name)
{
    for (const BundledLesson& l : bundledLessons()) {
        if (l.name != name) continue;
        const std::string text(l.text);
        const lessons::Info info = lessons::describe(text);
        return play(text, info.title.empty() ? name : info.title);
    }
    return false;
}

std::string WebDemo::lessons()
{
    Json out = Json::array();
    for (const BundledLesson& l : bundledLessons()) {
        const lessons::Info info = lessons::describe(std::string(l.text));
        out.push_back(Json{{"name", std::string(l.name)},
                           {"title", info.title.empty() ? std::string(l.name) : info.title},
                           {"summary", info.summary}});
    }
    return out.dump();
}

void WebDemo::stopPlay()
{
    m_session.stop();
    ++m_playRevision;
}

void WebDemo::setPlayPaused(bool paused)
{
    if (!m_player.playing()) return;
    m_session.setPaused(paused);
    m_clock.forget();
    ++m_playRevision;
    advancePlay();
}

void WebDemo::stepPlay()
{
    if (!m_session.step()) return;
    m_clock.forget();
    ++m_playRevision;
    advancePlay();
}

bool WebDemo::answer(int k)
{
    if (!m_player.answer(k)) return false;
    ++m_playRevision;
    advancePlay();
    return true;
}

void WebDemo::proceed()
{
    if (!m_player.playing()) return;
    m_player.proceed();
    m_clock.forget();
    ++m_playRevision;
    advancePlay();
}

bool WebDemo::watchAgain()
{
    if (!m_player.watchAgain()) return false;
    m_session.setPaused(false);
    ++m_playRevision;
    advancePlay();
    return true;
}

// Runs the lines due; the end keeps its last caption and score.
void WebDemo::advancePlay()
{
    const long line = m_player.lineNumber();
    const ScriptPlayer::Wait wasWaiting = m_player.waiting();
    const ScriptPlayer::State wasState = m_player.state();
    const std::string status = m_session.status();
    const ScriptPlayer::State now = m_session.advance();
    if (now == ScriptPlayer::State::Finished && !m_endShown) {
        m_endShown = true;
        m_finalText = m_session.endText();
    }
    if (m_player.lineNumber() != line || m_player.waiting() != wasWaiting || now != wasState ||
        m_session.status() != status) {
        ++m_playRevision;
    }
}

std::string WebDemo::playInfo() const
{
    static const char* const states[] = {"idle", "playing", "finished", "failed"};
    Json band = Json{{"mode", "none"}};
    const Checkpoint* c = m_player.checkpoint();
    const ScriptPlayer::Wait wait = m_player.waiting();
    if (c && m_player.playing()) {
        band = Json{{"mode", "ask"},
                    {"question", c->question},
                    {"choices", c->choices},
                    {"answer", c->answer},
                    {"chosen", m_player.chosen()},
                    {"reveal", c->reveal},
                    {"canContinue", wait == ScriptPlayer::Wait::Reveal},
                    {"canWatchAgain", m_player.canWatchAgain()}};
    } else if (wait == ScriptPlayer::Wait::Caption) {
        band = Json{{"mode", "wait"}, {"text", m_player.caption()}};
    } else if (m_player.playing() && !m_player.caption().empty()) {
        band = Json{{"mode", "text"}, {"text", m_player.caption()}};
    } else if (!m_player.playing() && !m_finalText.empty()) {
        band = Json{{"mode", "text"}, {"text", m_finalText}};
    }
    return Json{{"playing", m_player.playing()},
                {"paused", m_session.paused()},
                {"state", states[static_cast<int>(m_player.state())]},
                {"status", m_session.status()},
                {"error", m_player.error()},
                {"line", m_player.lineNumber()},
                {"waitAtCaptions", m_player.waitAtCaptions()},
                {"band", band}}
        .dump();
}

std::string WebDemo::takePlayOutput()
{
    m_playOutStream->flush();
    m_playErrStream->flush();
    std::string out = Json{{"stdout", m_playOut}, {"stderr", m_playErr}, {"text", m_playBoth}}.dump();
    m_playOut.clear();
    m_playErr.clear();
    m_playBoth.clear();
    return out;
}

std::string WebDemo::status() const
{
    return presenter::clockText(*m_demo) + "   " + presenter::scenarioText(*m_demo);
}

std::string WebDemo::run(const std::string& script)
{
    std::string out, err, both;
    TeeBuffer outBuffer(out, both);
    TeeBuffer errBuffer(err, both);
    std::ostream outStream(&outBuffer);
    std::ostream errStream(&errBuffer);
    int status = ScriptRunner::kOk;
    m_box.out = &outStream;
    m_downloads.clear();
    try {
        ScriptRunner runner(*m_demo, outStream, errStream);
        runner.onWrite = [this](const std::string& file, const std::string& text) { offer(file, text); };
        std::istringstream in(script);
        std::string line;
        long number = 0;
        while (status == ScriptRunner::kOk && std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::int64_t at = m_demo->scheduler().now();
            const std::size_t offered = m_downloads.size();
            if (m_explainer) explainPress(line);
            m_rewind.sample();
            status = runner.runLine(line, ++number);
            if (status == ScriptRunner::kOk && changesTheSession(line)) m_recorder.recordLine(line, at);
            if (status == ScriptRunner::kOk && m_downloads.size() > offered) {
                const Download& d = m_downloads.back();
                outStream << "{\"download\": " << Json(d.name).dump() << ", \"bytes\": " << d.text.size() << "}\n";
            } else if (m_downloads.size() > offered) {
                m_downloads.resize(offered);
            }
        }
        outStream.flush();
        m_rewind.sample();
    } catch (...) {
        m_box.out = nullptr;
        if (m_explainer) hookLosses();
        throw;
    }
    m_box.out = nullptr;
    // A console `explain on` took the lab's loss reports while it ran.
    if (m_explainer) hookLosses();
    Json downloads = Json::array();
    for (const Download& d : m_downloads)
        downloads.push_back(Json{{"name", d.name}, {"type", d.type}, {"text", d.text}});
    m_downloads.clear();
    return Json{{"stdout", out}, {"stderr", err}, {"status", status}, {"text", both}, {"downloads", downloads}}.dump();
}

std::string WebDemo::takeMessage()
{
    if (m_box.waiting.empty()) return {};
    std::string text = std::move(m_box.waiting.front());
    m_box.waiting.pop_front();
    return text;
}

namespace {

palette::Profile profileOf(const std::string& name)
{
    return palette::profileNamed(name).value_or(palette::Profile::Standard);
}

}  // namespace

int drawnColour(const std::string& profile, int model, const std::string& role)
{
    const palette::Role r = role == "text"   ? palette::Role::Text
                            : role == "line" ? palette::Role::Line
                                             : palette::Role::Fill;
    return static_cast<int>(palette::drawn(profileOf(profile), model, r));
}

std::string profileLook(const std::string& profile)
{
    const palette::Look l = palette::look(profileOf(profile));
    auto flag = [](bool on) { return on ? "true" : "false"; };
    const std::int64_t dashed = l.dashedRetransmissions ? TimeSequenceTrace::colourFor(PacketColour::kDataResent) : -1;
    return std::string("{\"wideTraceLines\": ") + flag(l.wideTraceLines) + ", \"largeClock\": " + flag(l.largeClock) +
           ", \"dashedRetransmissions\": " + flag(l.dashedRetransmissions) +
           ", \"packetLetters\": " + flag(l.packetLetters) + ", \"dashedColour\": " + std::to_string(dashed) + "}";
}

std::string packetLetter(const std::string& profile, int model)
{
    const char c = palette::packetLetter(profileOf(profile), model);
    return c == '\0' ? std::string() : std::string(1, c);
}

std::string profileName(const std::string& name)
{
    return palette::name(profileOf(name));
}

// ---- What surrounds the demonstration ---------------------------------------

namespace {

void describe(Json& node, const widgets::Control& control)
{
    const std::string name = help::systemName(control);
    const std::string purpose = help::purpose(control);
    node["about"] = purpose.empty() ? name : name + ": " + purpose;
    if (control.kind() == Kind::Combo || control.kind() == Kind::TextBox) node["caption"] = help::fieldCaption(control);
}

// "Wire1.cmdPacket(3)": wire 1, slot 3; false for any other name.
bool wireSlot(const std::string& name, int& wire, int& slot)
{
    return std::sscanf(name.c_str(), "Wire%d.cmdPacket(%d)", &wire, &slot) == 2 && (wire == 1 || wire == 2);
}

}  // namespace

void WebDemo::describeLive()
{
    std::unordered_map<const widgets::Control*, int> ids;
    for (std::size_t i = 0; i < m_entries.size(); ++i) ids.emplace(m_entries[i].control, static_cast<int>(i));
    const auto add = [&](std::initializer_list<const widgets::Control*> controls, std::function<std::string()> words) {
        Live l{{}, std::move(words), {}, false, {}};
        for (const widgets::Control* c : controls) {
            const auto it = ids.find(c);
            if (it != ids.end()) l.ids.push_back(it->second);
        }
        l.seen.assign(l.ids.size(), 0);
        if (!l.ids.empty()) m_live.push_back(std::move(l));
    };
    LinkDemo& demo = *m_demo;
    for (Wire* wire : {&demo.Wire1, &demo.Wire2}) {
        for (int i = 0; i < Wire::kSlots; ++i) {
            add({&wire->cmdPacket[i]}, [&demo, wire, i] { return explain::wirePacketText(demo, *wire, i); });
        }
    }
    const Transmitter& tx = demo.Transmitter1;
    for (int i = 0; i < Transmitter::kSlots; ++i) {
        add({&tx.shpTxQueue[i], &tx.lblTxPacket[i], &tx.lblTxSeq[i], &tx.lblRTO[i]},
            [&tx, i] { return explain::transmitterSlotText(tx, i); });
    }
    const Receiver& rx = demo.Receiver1;
    for (int i = 0; i < Receiver::kSlots; ++i) {
        add({&rx.shpRxQueue[i], &rx.lblRxPacket[i], &rx.lblRxSeq[i]},
            [&rx, i] { return explain::receiverSlotText(rx, i); });
    }
    add({&rx.chkRxReady}, [&rx] { return explain::readyHoldText(rx); });
}

// Only what can be seen is described: a hidden control's words are sent
// when it is shown again.
void WebDemo::writeWords(std::string& out)
{
    out += ",\"words\":[";
    bool first = true;
    for (Live& l : m_live) {
        bool shown = false;
        bool changed = !l.known;
        for (std::size_t k = 0; k < l.ids.size(); ++k) {
            const widgets::Control& c = *m_entries[static_cast<std::size_t>(l.ids[k])].control;
            shown = shown || c.reachable();
            changed = changed || c.revision() != l.seen[k];
        }
        if (!shown || !changed) continue;
        for (std::size_t k = 0; k < l.ids.size(); ++k) {
            l.seen[k] = m_entries[static_cast<std::size_t>(l.ids[k])].control->revision();
        }
        std::string words = l.words();
        if (l.known && words == l.sent) continue;
        l.known = true;
        l.sent = std::move(words);
        for (const int id : l.ids) {
            out += first ? "[" : ",[";
            first = false;
            Writer(out).integer(id);
            out += ',';
            Writer(out).string(l.sent);
            out += ']';
        }
    }
    out += ']';
}

void WebDemo::explainClick(const std::string& name)
{
    int wire = 0;
    int slot = 0;
    if (wireSlot(name, wire, slot)) m_explainer->destroying(wire, slot, explain::Cause::Click);
}

// A packet pressed away from the console is a click, as in the runner.
void WebDemo::explainPress(const std::string& line)
{
    std::istringstream words(line);
    std::string command, name, more;
    if (!(words >> command >> name) || command != "press" || (words >> more)) return;
    const widgets::Control* c = m_demo->findControl(name);
    if (c != nullptr && c->reachable()) explainClick(name);
}

void WebDemo::hookLosses()
{
    LinkDemo& demo = *m_demo;
    demo.lab().onLoss = [this](Wire& wire, int slot) {
        if (m_explainer) m_explainer->destroying(&wire == &m_demo->Wire2 ? 2 : 1, slot, explain::Cause::RandomLoss);
    };
    demo.lab().onDrop = [this](Wire& wire, int slot) {
        if (m_explainer) m_explainer->destroying(&wire == &m_demo->Wire2 ? 2 : 1, slot, explain::Cause::Chosen);
    };
}

void WebDemo::explain(bool on)
{
    if (on == explaining()) return;
    if (!on) {
        m_demo->lab().onLoss = nullptr;
        m_demo->lab().onDrop = nullptr;
        m_explainer.reset();
        m_explained.clear();
        return;
    }
    m_explainer = std::make_unique<explain::Explainer>(*m_demo);
    m_explainer->onLine = [this](const explain::Line& l) {
        m_explained.push_back(l);
        if (m_explained.size() > kMaxExplanations) m_explained.pop_front();
    };
    hookLosses();
}

std::string WebDemo::takeExplanations()
{
    if (m_explainer) m_explainer->flush();
    Json out = Json::array();
    for (const explain::Line& l : m_explained) {
        out.push_back(Json{{"time", l.time},
                           {"text", l.text},
                           {"packet", l.packet ? Json(*l.packet) : Json(nullptr)},
                           {"ack", l.acknowledgement}});
    }
    m_explained.clear();
    return out.dump();
}

void WebDemo::eventLog(bool on)
{
    if (on == eventLogOn()) return;
    if (!on) {
        m_events.reset();
        m_eventRows.clear();
        return;
    }
    m_events = std::make_unique<eventlog::EventLog>(*m_demo);
    m_events->listen([this](const eventlog::Event& e) {
        m_eventRows.push_back(e);
        if (m_eventRows.size() > kMaxEvents) m_eventRows.pop_front();
    });
}

std::string WebDemo::takeEvents()
{
    Json out = Json::array();
    for (const eventlog::Event& e : m_eventRows) {
        Json row = eventlog::toJson(e);
        row["csv"] = eventlog::toCsv(e);
        out.push_back(std::move(row));
    }
    m_eventRows.clear();
    return out.dump();
}

void WebDemo::offer(const std::string& file, const std::string& text)
{
    // The page saves under the file's own name, without a folder.
    const std::size_t slash = file.find_last_of("/\\");
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    if (name.empty()) name = "trace.svg";
    const bool svg = name.size() >= 4 && name.compare(name.size() - 4, 4, ".svg") == 0;
    m_downloads.push_back(Download{name, svg ? "image/svg+xml" : "text/plain", text});
}

std::string helpTexts(const std::string& profileName)
{
    const palette::Profile profile = profileOf(profileName);
    Json guide = Json::array();
    for (const help::GuideSection& s : help::gettingStarted()) {
        if (s.paragraphs.empty()) continue;
        guide.push_back(Json{{"title", s.title}, {"paragraphs", s.paragraphs}});
    }
    Json colours = Json::array();
    for (const help::ColourGroup& g : help::colourLegend()) {
        Json entries = Json::array();
        for (const help::ColourEntry& e : g.entries) {
            Json swatches = Json::array();
            Json letters = Json::array();
            for (const std::int64_t c : e.swatches) {
                swatches.push_back(palette::drawn(profile, c, g.role));
                const char letter = g.role == palette::Role::Fill ? palette::packetLetter(profile, c) : '\0';
                letters.push_back(letter == '\0' ? std::string() : std::string(1, letter));
            }
            entries.push_back(
                Json{{"name", e.name}, {"meaning", e.meaning}, {"swatches", swatches}, {"letters", letters}});
        }
        colours.push_back(Json{{"title", g.title}, {"note", g.note}, {"entries", entries}});
    }
    Json codes = Json::array();
    for (int code = 0; code <= ACKSendCancelled; ++code) codes.push_back(Json::array({code, eventlog::codeName(code)}));
    codes.push_back(Json::array({static_cast<int>(ResetRequest), eventlog::codeName(ResetRequest)}));
    return Json{{"version", LINKDEMO_VERSION},
                {"copyright", std::string(help::kCopyright)},
                {"licence", std::string(help::kLicence)},
                {"bundled",
                 "The page bundles uPlot (Copyright (c) 2022 Leon Sorokin, MIT licence), which draws the Lab's plot."},
                {"profile", palette::name(profile)},
                {"gettingStarted", guide},
                {"colours", colours},
                {"eventCodes", codes},
                {"components", {"Transmitter1", "Wire1", "Queue1", "Wire2", "Receiver1", "Source1", "LinkDemo"}},
                {"eventCsvHeader", eventlog::csvHeader()}}
        .dump();
}

// ---- the presenter's keys ---------------------------------------------------

void WebDemo::setFollowPresent(bool on)
{
    if (on == m_follow) return;
    m_follow = on;
    if (!on) return;
    LinkDemo& demo = *m_demo;
    m_gate.act(demo, UserInput{UserInput::Kind::Other, {}, "the traces following the present", 0},
               [&demo] { presenter::followPresent(demo); });
}

void WebDemo::selectPacket(int direction)
{
    m_selection.cycle(*m_demo, direction);
}

int WebDemo::selectedPacket() const
{
    const auto ref = m_selection.current();
    if (!ref) return -1;
    const widgets::Control* packet = &ref->wire->cmdPacket[ref->slot];
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].control == packet) return static_cast<int>(i);
    }
    return -1;
}

void WebDemo::destroySelectedPacket()
{
    const int id = selectedPacket();
    if (id < 0) return;
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    const std::string name = e.name;
    act(e, UserInput::Kind::Press, [this, name] {
        int wire = 0;
        int slot = 0;
        if (m_explainer && wireSlot(name, wire, slot)) m_explainer->destroying(wire, slot, explain::Cause::Key);
        m_selection.destroy();
    });
}

bool WebDemo::choosePacket(int number, bool ack)
{
    return m_selection.choose(*m_demo, number, ack);
}

// ---- the trace tools --------------------------------------------------------

int WebDemo::idOf(const widgets::Control& control) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].control == &control) return static_cast<int>(i);
    }
    return -1;
}

Wire* WebDemo::wireOfPicture(int id)
{
    if (!entry(id, Kind::Picture)) return nullptr;
    for (Wire* w : m_demo->wires()) {
        if (&w->Picture1 == m_entries[static_cast<std::size_t>(id)].control) return w;
    }
    return nullptr;
}

std::string WebDemo::traces()
{
    const auto wires = m_demo->wires();
    // What the answer depends on, wire by wire: asked after every sync, it
    // is written out only when one of these changed.
    std::vector<double> key;
    key.reserve(wires.size() * 7);
    for (std::size_t i = 0; i < wires.size(); ++i) {
        const Wire& w = *wires[i];
        const bool onScreen = w.reachable() && w.Picture1.reachable() && w.traceTable().traceOn();
        key.insert(key.end(), {onScreen ? 1.0 : 0.0, static_cast<double>(w.VScroll1.value()),
                               static_cast<double>(w.VScroll2.value()), w.Picture1.width(), w.Picture1.height(),
                               presenter::traceFullShown(w) ? 1.0 : 0.0,
                               m_followNotices[i].update(w, m_demo->totalTime, m_follow) ? 1.0 : 0.0});
    }
    if (key == m_tracesKey) return {};
    m_tracesKey = std::move(key);
    Json out = Json::array();
    for (std::size_t i = 0; i < wires.size(); ++i) {
        const Wire& w = *wires[i];
        const bool onScreen = w.reachable() && w.Picture1.reachable() && w.traceTable().traceOn();
        Json axis = Json::array();
        if (onScreen) {
            for (const auto& m : w.traceTable().timeAxis()) axis.push_back(Json::array({dump::number(m.y), m.seconds}));
        }
        const bool follow = m_followNotices[i].shown();
        out.push_back(Json{{"picture", idOf(w.Picture1)},
                           {"wire", w.name()},
                           {"axis", std::move(axis)},
                           {"room", dump::number(w.traceTable().xOf(0))},
                           {"full", presenter::traceFullShown(w)},
                           {"records", TimeSequenceTrace::kRecords},
                           {"follow", follow}});
    }
    return out.dump();
}

void WebDemo::wheelTrace(int id, int notches)
{
    Wire* w = wireOfPicture(id);
    if (!w || notches == 0) return;
    const int to = presenter::wheelScrollTarget(*w, notches);
    const int bar = idOf(w->VScroll1);
    if (bar >= 0) scroll(bar, to);
}

void WebDemo::clearTrace(int id)
{
    Wire* w = wireOfPicture(id);
    if (!w) return;
    LinkDemo& demo = *m_demo;
    m_gate.act(w->Picture1, UserInput{UserInput::Kind::Other, {}, "Clear trace of " + w->name(), 0},
               [&demo, w] { presenter::clearTrace(demo, *w); });
}

std::string WebDemo::motion() const
{
    if (!m_smooth || m_demo->paused) return "[]";
    const std::int64_t t = presenter::motionTime(*m_demo);
    Json out = Json::array();
    for (const Wire* w : m_demo->wires()) {
        if (!w->reachable()) continue;
        for (int i = 0; i < Wire::kSlots; ++i) {
            const widgets::Button& b = w->cmdPacket[i];
            if (!b.visible()) continue;
            if (const auto span = w->spanAt(i, t)) {
                out.push_back(Json::array({idOf(b), dump::number(span->left), dump::number(span->width)}));
            }
        }
    }
    return out.dump();
}

}  // namespace web

namespace web {

namespace {

// One line of the runner's language only: no line breaks, no blank ends.
std::optional<std::string> oneLine(const std::string& text)
{
    if (text.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool WebDemo::runLines(const std::string& lines)
{
    return Json::parse(run(lines))["status"].get<int>() == ScriptRunner::kOk;
}

// Written as the sync is, by hand: nested generic JSON objects would cost
// the page several times their code.
std::string WebDemo::labInfo(bool all)
{
    const lab::Lab& lab = m_demo->lab();
    const lab::Figures f = lab.figures();
    std::string out = "{\"rows\":[";
    const std::vector<labreport::FigureRow> rows = labreport::figureRows(f);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (k) out += ',';
        Writer w(out);
        w.open();
        w.key("name").string(rows[k].name).key("key").string(rows[k].key);
        w.key("measured").string(rows[k].measured).key("theory").string(rows[k].theory);
        w.close();
    }
    out += "],";
    // Opened, the panel's plot starts afresh.
    if (all) m_labPlot.clear();
    bool rebuilt = all;
    if (m_labPlot.sample(f) == labreport::DeliveryPlot::Change::Rebuilt) rebuilt = true;
    if (rebuilt) m_labSent = 0;
    const labreport::PlotFrame frame = labreport::plotFrame(f);
    {
        Writer w(out);
        w.key("changed").string(labreport::settingsChangedText(lab));
        w.key("inForce").string(labreport::inForceText(lab));
        w.key("seed").string(std::to_string(lab.seed()));
        w.key("loss");
        out += '[';
        w.number(lab.loss(1));
        out += ',';
        w.number(lab.loss(2));
        out += "],\"drops\":[";
        w.string(lab::dropsText(lab.drops(), 1));
        out += ',';
        w.string(lab::dropsText(lab.drops(), 2));
        out += "],\"colours\":{";
        Writer c(out);
        c.key("correct").integer(labreport::kCorrectColour).key("wrong").integer(labreport::kWrongColour);
        c.key("theory").integer(labreport::kTheoryColour);
        out += "},\"names\":{";
        Writer n(out);
        n.key("correct").string(labreport::kCorrectName).key("wrong").string(labreport::kWrongName);
        n.key("theory").string(labreport::kTheoryName).key("time").string(labreport::kTimeAxisTitle);
        n.key("count").string(labreport::kCountAxisTitle);
        out += "},\"frame\":{";
        Writer fr(out);
        fr.key("xEnd").number(frame.x.end).key("xStep").number(frame.x.step);
        fr.key("yEnd").number(frame.y.end).key("yStep").number(frame.y.step).key("theoryEnd");
        if (frame.theoryEnd) {
            fr.number(*frame.theoryEnd);
        } else {
            out += "null";
        }
        out += "},\"plot\":{";
        Writer p(out);
        p.key("rebuilt").boolean(rebuilt);
        const std::pair<const char*, const std::vector<double>*> series[] = {
            {"seconds", &m_labPlot.seconds()}, {"correct", &m_labPlot.correct()}, {"wrong", &m_labPlot.wrong()}};
        for (const auto& [name, values] : series) {
            p.key(name);
            out += '[';
            for (std::size_t k = m_labSent; k < values->size(); ++k) {
                if (k > m_labSent) out += ',';
                p.number((*values)[k]);
            }
            out += ']';
        }
        out += "}}";
    }
    m_labSent = m_labPlot.seconds().size();
    return out;
}

bool WebDemo::setLabLoss(int wire, const std::string& text)
{
    const auto p = oneLine(text);
    if (!p || (wire != 1 && wire != 2)) return false;
    return runLines("set loss Wire" + std::to_string(wire) + " " + *p);
}

bool WebDemo::setLabSeed(const std::string& text)
{
    const auto seed = oneLine(text);
    if (!seed || seed->size() > 19 || seed->find_first_not_of("0123456789") != std::string::npos) return false;
    return runLines("set seed " + *seed);
}

std::string WebDemo::setLabDrops(int wire, const std::string& text)
{
    const auto drops = lab::dropsFrom(text, wire);
    if ((wire == 1 || wire == 2) && drops && text.find_first_of("\r\n") == std::string::npos) {
        const std::string name = "Wire" + std::to_string(wire);
        std::string lines = "set drop " + name + " off\n";
        for (const lab::Drop& d : *drops) {
            lines += "set drop " + name + " " + lab::kindName(d.kind) + " " + std::to_string(d.number) + " " +
                     std::to_string(d.transmission) + "\n";
        }
        runLines(lines);
    }
    return lab::dropsText(m_demo->lab().drops(), wire);
}

void WebDemo::restartLabCounts()
{
    runLines("stats reset");
}

std::string WebDemo::labCsv() const
{
    return labreport::csv(*m_demo);
}

std::string WebDemo::labHelp()
{
    return labreport::formulasHelp();
}

}  // namespace web
