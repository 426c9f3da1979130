// SPDX-License-Identifier: MIT
#include "web/webdemo.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <streambuf>
#include <string_view>
#include <unordered_map>

#include "packet/packet.h"
#include "palette/palette.h"
#include "session/script.h"
#include "widgets/component.h"
#include "wire/trace.h"
#include "session/dump.h"

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
    // Whole numbers print without a fraction, as in the runner's dump.
    Writer& number(double v)
    {
        if (!std::isfinite(v)) v = 0;
        if (v == std::floor(v) && std::fabs(v) < 9e15) return integer(static_cast<std::int64_t>(v));
        char buf[32];
        const int n = std::snprintf(buf, sizeof buf, "%.17g", v);
        m_out.append(buf, static_cast<std::size_t>(n));
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

// What the page needs of a control to draw it: the fields of the runner's
// dump (under the same names) plus fonts, see-through labels, alignment,
// shape borders and container colours. `keys` receives where each field's
// key starts (at its opening quote).
void writeState(std::string& out, const widgets::Control& c, std::vector<std::size_t>* keys = nullptr)
{
    Writer w(out, keys);
    w.open();
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

WebDemo::WebDemo() : m_demo(std::make_unique<LinkDemo>(m_box)), m_recorder(m_demo->scheduler())
{
    LinkDemo& root = *m_demo;
    m_entries.push_back(Entry{&root, -1, -1, root.name()});
    m_stacks.push_back(Stack{0});
    build(root, 0, -1, root.name());
}

WebDemo::~WebDemo() = default;

void WebDemo::build(widgets::Container& container, int parent, int owner, const std::string& prefix)
{
    for (widgets::Control* c : container.children()) {
        if (c->kind() == Kind::Timer) continue;
        const int id = static_cast<int>(m_entries.size());
        const bool component = c->kind() == Kind::Component;
        // Components are named by themselves, controls by their owner.
        std::string name = component ? c->fullName() : prefix + "." + c->fullName();
        const int childOwner = component ? id : owner;
        m_entries.push_back(Entry{c, parent, childOwner, name});
        if (auto* sub = dynamic_cast<widgets::Container*>(c)) {
            m_stacks.push_back(Stack{id});
            build(*sub, id, childOwner, name);
        }
    }
}

std::string WebDemo::tree() const
{
    Json out = Json::array();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        const Json state = dump::control(*e.control, e.name);
        out.push_back(
            Json{{"id", i}, {"parent", e.parent}, {"kind", state["kind"]}, {"name", e.name}, {"owner", e.owner}});
    }
    return out.dump();
}

void WebDemo::invalidate()
{
    for (Entry& e : m_entries) {
        e.revision = 0;
        e.fields.clear();
        e.stale = true;
    }
    for (Stack& s : m_stacks) s.revision = 0;
}

std::string WebDemo::sync()
{
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
        writeState(m_scratch, *e.control, &m_keys);
        const std::size_t count = m_keys.size();
        const bool whole = e.fields.size() != count;
        if (whole) e.fields.assign(count, std::string());
        const std::size_t start = out.size();
        out += first ? "[" : ",[";
        Writer(out).integer(static_cast<std::int64_t>(i));
        out += ",{";
        bool any = false;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t from = m_keys[k];
            // Up to the next field's comma, or the closing brace.
            const std::size_t to = k + 1 < count ? m_keys[k + 1] - 1 : m_scratch.size() - 1;
            const std::string_view field(m_scratch.data() + from, to - from);
            if (!whole && field == e.fields[k]) continue;
            e.fields[k].assign(field);
            if (any) out += ',';
            any = true;
            out += field;
        }
        if (!any) {
            out.resize(start);  // the revision moved, nothing the page shows did
            continue;
        }
        first = false;
        out += "}]";
    }

    out += "],\"pictures\":[";
    first = true;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        if (e.control->kind() != Kind::Picture) continue;
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
            w.number(l.x1);
            out += ',';
            w.number(l.y1);
            out += ',';
            w.number(l.x2);
            out += ',';
            w.number(l.y2);
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
    out += "]}";
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
    e.fields.clear();
}

void WebDemo::record(UserInput::Kind kind, const Entry* e, const std::string& text, int value)
{
    m_recorder.record(UserInput{kind, e ? e->name : std::string(), text, value});
}

void WebDemo::ownerFocus(const Entry& e)
{
    if (e.owner < 0) return;
    record(UserInput::Kind::Focus, &m_entries[static_cast<std::size_t>(e.owner)]);
    static_cast<widgets::Component*>(m_entries[static_cast<std::size_t>(e.owner)].control)->focus();
}

void WebDemo::click(int id)
{
    Entry* e = entry(id, Kind::Button);
    if (!e) e = entry(id, Kind::Check);
    if (!e || !e->control->reachable()) return;
    ownerFocus(*e);
    record(UserInput::Kind::Press, e);
    if (e->control->kind() == Kind::Button) {
        static_cast<widgets::Button*>(e->control)->click();
    } else {
        static_cast<widgets::CheckBox*>(e->control)->click();
    }
    // The element may hold a state of its own (a tick) the model did not take.
    resend(*e);
}

void WebDemo::choose(int id, int index)
{
    Entry* e = entry(id, Kind::Combo);
    if (!e || !e->control->reachable()) return;
    ownerFocus(*e);
    const auto& items = static_cast<widgets::ComboBox*>(e->control)->items();
    if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
        record(UserInput::Kind::Choose, e, items[static_cast<std::size_t>(index)]);
    }
    static_cast<widgets::ComboBox*>(e->control)->userChoose(index);
    resend(*e);
}

void WebDemo::edit(int id, const std::string& text)
{
    Entry* e = entry(id, Kind::Combo);
    if (!e || !e->control->reachable()) return;
    auto* combo = static_cast<widgets::ComboBox*>(e->control);
    if (!combo->editable()) return;
    ownerFocus(*e);
    record(UserInput::Kind::Type, e, text);
    combo->userEdit(text);
    resend(*e);
}

void WebDemo::scroll(int id, int value)
{
    Entry* e = entry(id, Kind::ScrollBar);
    if (!e || !e->control->reachable()) return;
    ownerFocus(*e);
    record(UserInput::Kind::Scroll, e, {}, value);
    static_cast<widgets::ScrollBar*>(e->control)->userScroll(value);
    resend(*e);
}

void WebDemo::focus(int id)
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_entries.size()) return;
    ownerFocus(m_entries[static_cast<std::size_t>(id)]);
}

void WebDemo::background()
{
    record(UserInput::Kind::Background, nullptr);
    m_demo->backgroundClick();
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

double WebDemo::paceAdvance(double realMs)
{
    if (!std::isfinite(realMs) || realMs <= 0) return 0;
    return static_cast<double>(m_pace.advance(static_cast<std::int64_t>(realMs)));
}

void WebDemo::setPace(int index)
{
    m_pace.setIndex(index);
}

void WebDemo::step()
{
    record(UserInput::Kind::Step, nullptr);
    presenter::step(*m_demo);
    m_pace.drop();
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
    try {
        ScriptRunner runner(*m_demo, outStream, errStream);
        std::istringstream in(script);
        std::string line;
        long number = 0;
        while (status == ScriptRunner::kOk && std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::int64_t at = m_demo->scheduler().now();
            status = runner.runLine(line, ++number);
            if (status == ScriptRunner::kOk && changesTheSession(line)) m_recorder.recordLine(line, at);
        }
        outStream.flush();
    } catch (...) {
        m_box.out = nullptr;
        throw;
    }
    m_box.out = nullptr;
    return Json{{"stdout", out}, {"stderr", err}, {"status", status}, {"text", both}}.dump();
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
    const std::int64_t dashed = l.dashedRetransmissions ? TimeSequenceTrace::colourFor(pkt::kDataResent) : -1;
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

}  // namespace web
