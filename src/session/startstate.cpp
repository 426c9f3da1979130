// SPDX-License-Identifier: MIT
#include "session/startstate.h"

#include <cstddef>
#include <sstream>

#include "lab/lab.h"
#include "session/dump.h"
#include "session/script.h"
#include "shell/linkdemo.h"
#include "widgets/component.h"

namespace startstate {

namespace {

// Answers the reference model's message boxes: it is never shown.
class SilentBox : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

// Puts every user setting of `live` (and of the controls under it) back to
// the value it has in `fresh`, which was built the same way. Returns whether
// anything was changed.
bool putBack(widgets::Control& live, const widgets::Control& fresh, const widgets::Control& skip)
{
    if (&live == &skip) return false;
    bool changed = false;
    switch (live.kind()) {
        case widgets::Kind::Window:
        case widgets::Kind::Component: {
            const auto& l = static_cast<widgets::Container&>(live).children();
            const auto& f = static_cast<const widgets::Container&>(fresh).children();
            for (std::size_t i = 0; i < l.size() && i < f.size(); ++i) changed |= putBack(*l[i], *f[i], skip);
            break;
        }
        case widgets::Kind::Combo: {
            auto& l = static_cast<widgets::ComboBox&>(live);
            const auto& f = static_cast<const widgets::ComboBox&>(fresh);
            if (l.text() == f.text() && l.listIndex() == f.listIndex()) break;
            if (f.listIndex() >= 0 && l.items() == f.items()) {
                l.userChoose(f.listIndex());
            } else if (l.editable()) {
                l.userEdit(f.text());
            }
            changed = true;
            break;
        }
        case widgets::Kind::Check: {
            auto& l = static_cast<widgets::CheckBox&>(live);
            if (l.value() != static_cast<const widgets::CheckBox&>(fresh).value()) {
                l.click();
                changed = true;
            }
            break;
        }
        case widgets::Kind::ScrollBar: {
            auto& l = static_cast<widgets::ScrollBar&>(live);
            const int v = static_cast<const widgets::ScrollBar&>(fresh).value();
            if (l.value() != v) {
                l.userScroll(v);
                changed = true;
            }
            break;
        }
        default:
            break;
    }
    return changed;
}

// What a reset leaves behind where nothing shows it (the captions of slots
// out of use, the places of a layout no longer shown, a scroll bar's range)
// is made as `fresh` has it: these are the controls' own properties, which
// run no handler.
void copyAppearance(widgets::Control& live, const widgets::Control& fresh)
{
    using widgets::Kind;
    if (live.left() != fresh.left() || live.top() != fresh.top() || live.width() != fresh.width() ||
        live.height() != fresh.height()) {
        live.setGeometry(fresh.left(), fresh.top(), fresh.width(), fresh.height());
    }
    live.setVisible(fresh.visible());
    switch (live.kind()) {
        case Kind::Window:
        case Kind::Component: {
            const auto& l = static_cast<widgets::Container&>(live).children();
            const auto& f = static_cast<const widgets::Container&>(fresh).children();
            for (std::size_t i = 0; i < l.size() && i < f.size(); ++i) copyAppearance(*l[i], *f[i]);
            break;
        }
        case Kind::Button: {
            auto& l = static_cast<widgets::Button&>(live);
            const auto& f = static_cast<const widgets::Button&>(fresh);
            l.setCaption(f.caption());
            l.setBackColour(f.backColour());
            break;
        }
        case Kind::Label: {
            auto& l = static_cast<widgets::Label&>(live);
            const auto& f = static_cast<const widgets::Label&>(fresh);
            l.setCaption(f.caption());
            l.setForeColour(f.foreColour());
            l.setBackColour(f.backColour());
            break;
        }
        case Kind::TextBox: {
            auto& l = static_cast<widgets::TextBox&>(live);
            const auto& f = static_cast<const widgets::TextBox&>(fresh);
            l.setText(f.text());
            l.setForeColour(f.foreColour());
            break;
        }
        case Kind::Line: {
            auto& l = static_cast<widgets::Line&>(live);
            const auto& f = static_cast<const widgets::Line&>(fresh);
            l.setPoints(f.x1(), f.y1(), f.x2(), f.y2());
            l.setColour(f.colour());
            break;
        }
        case Kind::Shape: {
            auto& l = static_cast<widgets::Shape&>(live);
            const auto& f = static_cast<const widgets::Shape&>(fresh);
            l.setForm(f.form());
            l.setFillColour(f.fillColour());
            l.setFilled(f.filled());
            break;
        }
        case Kind::ScrollBar: {
            auto& l = static_cast<widgets::ScrollBar&>(live);
            const auto& f = static_cast<const widgets::ScrollBar&>(fresh);
            if (l.value() == f.value()) {
                l.setMin(f.min());
                l.setMax(f.max());
            }
            break;
        }
        default:
            break;
    }
}

// The stacking order of `fresh`'s children, given to `live`'s.
void restack(widgets::Container& live, const widgets::Container& fresh)
{
    for (const widgets::Control* c : fresh.stacking()) {
        const auto& f = fresh.children();
        for (std::size_t i = 0; i < f.size() && i < live.children().size(); ++i) {
            if (f[i] == c) live.raise(*live.children()[i]);
        }
    }
    for (std::size_t i = 0; i < live.children().size() && i < fresh.children().size(); ++i) {
        widgets::Control* l = live.children()[i];
        const widgets::Control* f = fresh.children()[i];
        if (l->kind() == widgets::Kind::Component) {
            restack(static_cast<widgets::Container&>(*l), static_cast<const widgets::Container&>(*f));
        }
    }
}

}  // namespace

std::vector<std::string> differences(const LinkDemo& a, const LinkDemo& b)
{
    const std::vector<dump::Json> x = dump::objects(a, "");
    const std::vector<dump::Json> y = dump::objects(b, "");
    std::vector<std::string> out;
    for (std::size_t i = 0; i < x.size() || i < y.size(); ++i) {
        if (i < x.size() && i < y.size() && x[i] == y[i]) continue;
        const dump::Json& j = i < x.size() ? x[i] : y[i];
        std::string name = j.contains("name") ? j["name"].get<std::string>() : j.dump();
        // The first field that differs, a field of `state` by its own name.
        if (i < x.size() && i < y.size()) {
            for (const auto& [key, value] : x[i].items()) {
                if (y[i].contains(key) && y[i][key] == value) continue;
                name += " " + key;
                if (key != "state") name += " " + value.dump() + " not " + y[i].value(key, dump::Json()).dump();
                if (key == "state" && value.is_object() && y[i][key].is_object()) {
                    for (const auto& [k, v] : value.items()) {
                        if (!(y[i][key].contains(k) && y[i][key][k] == v)) {
                            name += "." + k + " " + v.dump() + " not " + y[i][key].value(k, dump::Json()).dump();
                            break;
                        }
                    }
                }
                break;
            }
        }
        out.push_back(name);
    }
    return out;
}

std::vector<std::string> restore(LinkDemo& demo)
{
    SilentBox box;
    widgets::DefaultRandom random;
    const LinkDemo fresh(box, &random);

    // Everything below happens at time 0, as the start-up does: the
    // components' own clocks start from there.
    demo.scheduler().restart();
    demo.restartClocks();
    if (demo.topology >= 10) demo.cmdRouter.click();
    // A setting's handler may change another (a transmitter's mode its
    // timer list): a few passes settle them.
    for (int pass = 0; pass < 3 && putBack(demo, fresh, demo.cmbScenario); ++pass) {
    }
    // Edit panels left open are closed as their Edit buttons close them.
    for (std::size_t i = 0; i < demo.children().size(); ++i) {
        auto* live = dynamic_cast<widgets::Component*>(demo.children()[i]);
        const auto* ref = dynamic_cast<const widgets::Component*>(fresh.children()[i]);
        if (!live || !ref) continue;
        auto* edit = dynamic_cast<widgets::Button*>(live->child("cmdEdit"));
        const auto* refEdit = dynamic_cast<const widgets::Button*>(ref->child("cmdEdit"));
        if (edit && refEdit && edit->caption() != refEdit->caption()) edit->click();
    }
    // The scenario's choice configures the link and resets the run.
    demo.cmbScenario.userChoose(0);
    demo.ConfigureScenario();
    demo.Reset();
    demo.LinkSettings();
    // A trace the router's layout switched on, a source's packet still
    // offered when the run was reset.
    for (std::size_t i = 0; i < demo.wires().size(); ++i) {
        const bool on = fresh.wires()[i]->traceTable().traceOn();
        if (demo.wires()[i]->traceTable().traceOn() != on) demo.wires()[i]->Trace(on);
    }
    for (Source* source : {&demo.Source1, &demo.Source2}) {
        if (source->state().packetWaiting) source->TxFree();
    }
    // A wire's Reset empties it but leaves it marked as sending when a
    // packet was half sent: the mark goes as a cancel takes it (the wire is
    // empty, so nothing else happens and nothing is reported).
    for (Wire* wire : demo.wires()) {
        if (wire->state().dataSending) wire->DataCancel();
        if (wire->state().ackSending) wire->ACKCancel();
    }
    copyAppearance(demo, fresh);
    restack(demo, fresh);
    demo.lab().setLoss(1, 0.0);
    demo.lab().setLoss(2, 0.0);
    demo.lab().setSeed(lab::Lab::kDefaultSeed);
    demo.lab().clearDrops(1);
    demo.lab().clearDrops(2);
    demo.restartRandom();
    demo.scheduler().restart();
    return differences(demo, fresh);
}

std::vector<std::string> replayDifferences(const LinkDemo& live, const std::string& script)
{
    std::ostringstream out, err;
    ScriptRunner fresh(out, err);
    std::istringstream in(script);
    if (fresh.run(in) == ScriptRunner::kScriptError) return {"the recording itself: " + err.str()};
    return differences(live, fresh.demo());
}

}  // namespace startstate
