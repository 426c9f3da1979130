#include "widgets/dump.h"

#include <cmath>

namespace widgets {

nlohmann::ordered_json jsonNumber(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9e15) {
        return static_cast<std::int64_t>(v);
    }
    if (!std::isfinite(v)) return 0;
    return v;
}

namespace {

void geometry(nlohmann::ordered_json& j, const Control& c)
{
    j["visible"] = c.visible();
    j["left"] = jsonNumber(c.left());
    j["top"] = jsonNumber(c.top());
    j["width"] = jsonNumber(c.width());
    j["height"] = jsonNumber(c.height());
}

}  // namespace

nlohmann::ordered_json controlJson(const Control& c, const std::string& fullName)
{
    nlohmann::ordered_json j;
    j["name"] = fullName;
    switch (c.kind()) {
        case Kind::Button: {
            const auto& b = static_cast<const Button&>(c);
            j["kind"] = "button";
            j["caption"] = b.caption();
            j["backColour"] = b.backColour();
            geometry(j, c);
            break;
        }
        case Kind::Label: {
            const auto& l = static_cast<const Label&>(c);
            j["kind"] = "label";
            j["caption"] = l.caption();
            j["foreColour"] = l.foreColour();
            geometry(j, c);
            break;
        }
        case Kind::Combo: {
            const auto& cb = static_cast<const ComboBox&>(c);
            j["kind"] = "combo";
            j["text"] = cb.text();
            j["listIndex"] = cb.listIndex();
            j["items"] = cb.items();
            j["editable"] = cb.editable();
            geometry(j, c);
            break;
        }
        case Kind::Check: {
            const auto& k = static_cast<const CheckBox&>(c);
            j["kind"] = "check";
            j["caption"] = k.caption();
            j["value"] = k.value();
            geometry(j, c);
            break;
        }
        case Kind::Shape: {
            const auto& s = static_cast<const Shape&>(c);
            j["kind"] = "shape";
            j["shape"] = s.form() == Shape::Form::Circle ? "circle" : "rectangle";
            j["fillColour"] = s.fillColour();
            j["filled"] = s.filled();
            geometry(j, c);
            break;
        }
        case Kind::Line: {
            const auto& l = static_cast<const Line&>(c);
            j["kind"] = "line";
            j["x1"] = jsonNumber(l.x1());
            j["y1"] = jsonNumber(l.y1());
            j["x2"] = jsonNumber(l.x2());
            j["y2"] = jsonNumber(l.y2());
            j["colour"] = l.colour();
            j["visible"] = l.visible();
            break;
        }
        case Kind::Picture: {
            const auto& p = static_cast<const Picture&>(c);
            j["kind"] = "picture";
            geometry(j, c);
            j["lineCount"] = p.lines().size();
            break;
        }
        case Kind::ScrollBar: {
            const auto& s = static_cast<const ScrollBar&>(c);
            j["kind"] = "scrollbar";
            j["min"] = s.min();
            j["max"] = s.max();
            j["value"] = s.value();
            j["smallChange"] = s.smallChange();
            j["largeChange"] = s.largeChange();
            geometry(j, c);
            break;
        }
        case Kind::TextBox: {
            const auto& t = static_cast<const TextBox&>(c);
            j["kind"] = "textbox";
            j["text"] = t.text();
            j["foreColour"] = t.foreColour();
            geometry(j, c);
            break;
        }
        case Kind::Timer: {
            const auto& t = static_cast<const Timer&>(c);
            j["kind"] = "timer";
            j["enabled"] = t.enabled();
            j["interval"] = t.interval();
            break;
        }
        case Kind::Window:
        case Kind::Component:
            j["kind"] = c.kind() == Kind::Window ? "window" : "component";
            geometry(j, c);
            break;
    }
    return j;
}

nlohmann::ordered_json lineJson(const DrawnLine& l)
{
    nlohmann::ordered_json j;
    j["x1"] = jsonNumber(l.x1);
    j["y1"] = jsonNumber(l.y1);
    j["x2"] = jsonNumber(l.x2);
    j["y2"] = jsonNumber(l.y2);
    j["colour"] = l.colour;
    return j;
}

}  // namespace widgets
