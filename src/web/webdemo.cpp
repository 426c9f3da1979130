#include "web/webdemo.h"

#include <cmath>
#include <sstream>
#include <streambuf>
#include <unordered_map>

#include "shell/script.h"
#include "widgets/component.h"
#include "widgets/dump.h"

namespace web {

namespace {

using widgets::Json;
using widgets::Kind;

// The state a page needs beyond the script runner's dump object: fonts,
// see-through labels, alignment, shape borders, container colours.
Json stateOf(const widgets::Control& c, const std::string& name)
{
    Json j = widgets::controlJson(c, name);
    j["font"] = {widgets::jsonNumber(c.font().points), c.font().bold};
    switch (c.kind()) {
        case Kind::Window:
        case Kind::Component:
            j["backColour"] = static_cast<const widgets::Container&>(c).backColour();
            break;
        case Kind::Label: {
            const auto& l = static_cast<const widgets::Label&>(c);
            j["backColour"] = l.backColour();
            j["align"] = l.alignment() == widgets::Label::Align::Centre  ? "center"
                         : l.alignment() == widgets::Label::Align::Right ? "right"
                                                                         : "left";
            break;
        }
        case Kind::Shape:
            j["borderColour"] = static_cast<const widgets::Shape&>(c).borderColour();
            break;
        case Kind::Picture:
            j["backColour"] = static_cast<const widgets::Picture&>(c).backColour();
            break;
        default:
            break;
    }
    return j;
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

}  // namespace

void WebDemo::PageMessageBox::show(const std::string& text)
{
    if (out) {
        ScriptRunner::printMessageBox(*out, text);
    } else {
        waiting.push_back(text);
    }
}

WebDemo::WebDemo() : m_demo(std::make_unique<LinkDemo>(m_box))
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
        const Json state = widgets::controlJson(*e.control, e.name);
        out.push_back(
            Json{{"id", i}, {"parent", e.parent}, {"kind", state["kind"]}, {"name", e.name}, {"owner", e.owner}});
    }
    return out.dump();
}

void WebDemo::invalidate()
{
    for (Entry& e : m_entries) {
        e.revision = 0;
        e.stale = true;
    }
    for (Stack& s : m_stacks) s.revision = 0;
}

std::string WebDemo::sync()
{
    Json controls = Json::array();
    Json stacks = Json::array();
    Json pictures = Json::array();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        const std::uint64_t rev = e.control->revision();
        if (rev != e.revision) {
            controls.push_back(Json::array({i, stateOf(*e.control, e.name)}));
            e.revision = rev;
        }
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
        Json flat = Json::array();
        for (std::size_t k = from; k < lines.size(); ++k) {
            const widgets::DrawnLine& l = lines[k];
            flat.push_back(widgets::jsonNumber(l.x1));
            flat.push_back(widgets::jsonNumber(l.y1));
            flat.push_back(widgets::jsonNumber(l.x2));
            flat.push_back(widgets::jsonNumber(l.y2));
            flat.push_back(l.colour);
        }
        pictures.push_back(Json::array({i, redraw, std::move(flat)}));
        e.drawn = lines.size();
        e.clearCount = picture.clearCount();
        e.back = picture.backColour();
        e.stale = false;
    }
    std::unordered_map<const widgets::Control*, int> ids;
    for (Stack& s : m_stacks) {
        const auto& container =
            static_cast<const widgets::Container&>(*m_entries[static_cast<std::size_t>(s.id)].control);
        if (container.stackingRevision() == s.revision) continue;
        s.revision = container.stackingRevision();
        if (ids.empty()) {
            for (std::size_t i = 0; i < m_entries.size(); ++i) ids.emplace(m_entries[i].control, static_cast<int>(i));
        }
        Json order = Json::array();
        for (const widgets::Control* c : container.stacking()) {
            const auto it = ids.find(c);
            if (it != ids.end()) order.push_back(it->second);
        }
        stacks.push_back(Json::array({s.id, std::move(order)}));
    }
    return Json{{"controls", std::move(controls)}, {"stacks", std::move(stacks)}, {"pictures", std::move(pictures)}}
        .dump();
}

WebDemo::Entry* WebDemo::entry(int id, Kind kind)
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_entries.size()) return nullptr;
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    return e.control->kind() == kind ? &e : nullptr;
}

void WebDemo::ownerFocus(const Entry& e)
{
    if (e.owner < 0) return;
    static_cast<widgets::Component*>(m_entries[static_cast<std::size_t>(e.owner)].control)->focus();
}

void WebDemo::click(int id)
{
    Entry* e = entry(id, Kind::Button);
    if (!e) e = entry(id, Kind::Check);
    if (!e || !e->control->reachable()) return;
    ownerFocus(*e);
    if (e->control->kind() == Kind::Button) {
        static_cast<widgets::Button*>(e->control)->click();
    } else {
        static_cast<widgets::CheckBox*>(e->control)->click();
    }
    // The element may hold a state of its own (a tick) the model did not take.
    e->revision = 0;
}

void WebDemo::choose(int id, int index)
{
    Entry* e = entry(id, Kind::Combo);
    if (!e || !e->control->reachable()) return;
    ownerFocus(*e);
    static_cast<widgets::ComboBox*>(e->control)->userChoose(index);
    e->revision = 0;
}

void WebDemo::edit(int id, const std::string& text)
{
    Entry* e = entry(id, Kind::Combo);
    if (!e || !e->control->reachable()) return;
    auto* combo = static_cast<widgets::ComboBox*>(e->control);
    if (!combo->editable()) return;
    ownerFocus(*e);
    combo->userEdit(text);
    e->revision = 0;
}

void WebDemo::scroll(int id, int value)
{
    Entry* e = entry(id, Kind::ScrollBar);
    if (!e || !e->control->reachable()) return;
    ownerFocus(*e);
    static_cast<widgets::ScrollBar*>(e->control)->userScroll(value);
    e->revision = 0;
}

void WebDemo::focus(int id)
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_entries.size()) return;
    ownerFocus(m_entries[static_cast<std::size_t>(id)]);
}

void WebDemo::background()
{
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
        status = runner.run(in);
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

}  // namespace web
