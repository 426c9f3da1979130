// SPDX-License-Identifier: MIT
// The page's exports of a wire's trace: the window's choices and figure,
// as JSON for the page's dialog.
#include "session/dump.h"
#include "session/figureexport.h"
#include "web/webdemo.h"
#include "wire/wire.h"

namespace web {

namespace {

using dump::Json;

const Wire* wireOf(const widgets::Control* c)
{
    for (; c; c = c->parent()) {
        if (const auto* w = dynamic_cast<const Wire*>(c)) return w;
    }
    return nullptr;
}

}  // namespace

std::string WebDemo::traceExports() const
{
    auto idOf = [this](const widgets::Control* c) {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].control == c) return static_cast<int>(i);
        }
        return -1;
    };
    Json wires = Json::array();
    for (const Wire* w : m_demo->wires()) {
        const figure::ExportChoices c = figure::exportChoices(*w, m_demo->totalTime);
        wires.push_back(Json{{"name", w->name()},
                             {"component", idOf(w)},
                             {"picture", idOf(&w->Picture1)},
                             {"visible", w->visible()},
                             {"on", w->traceTable().traceOn()},
                             {"title", c.title},
                             {"visibleText", c.visibleText},
                             {"wholeText", c.wholeText},
                             {"fromS", static_cast<double>(c.run.fromMs) / 1000.0},
                             {"toS", static_cast<double>(c.run.toMs) / 1000.0},
                             {"latestS", static_cast<double>(c.latestMs) / 1000.0}});
    }
    return Json{{"none", figure::kNoTrace},
                {"scale", {{"min", figure::kMinScale}, {"max", figure::kMaxScale}, {"default", figure::kDefaultScale}}},
                {"wires", wires}}
        .dump();
}

std::string WebDemo::exportTrace(int id, const std::string& part, double fromS, double toS, const std::string& format,
                                 double scale, const std::string& profile) const
{
    const Wire* wire = id >= 0 && static_cast<std::size_t>(id) < m_entries.size()
                           ? wireOf(m_entries[static_cast<std::size_t>(id)].control)
                           : nullptr;
    const bool png = format == "png";
    Json out{{"error", ""}, {"name", ""}, {"type", png ? "image/png" : "image/svg+xml"},
             {"svg", ""},   {"width", 0}, {"height", 0}};
    if (!wire) {
        out["error"] = "There is no such wire.";
        return out.dump();
    }
    const std::string name = wire->name() + (png ? ".png" : ".svg");
    out["name"] = name;
    const figure::ExportChoices choices = figure::exportChoices(*wire, m_demo->totalTime);
    const figure::Part p = part == "whole"   ? figure::Part::Whole
                           : part == "range" ? figure::Part::Range
                                             : figure::Part::Visible;
    std::string why;
    const auto chosen = figure::chooseRange(choices, p, fromS, toS, why);
    if (!chosen) {
        out["error"] = why;
        return out.dump();
    }
    const figure::TraceFigure f =
        figure::exportFigure(*wire, *chosen, palette::profileNamed(profile).value_or(palette::Profile::Standard));
    if (png) {
        const std::string problem = figure::pngProblem(f, scale);
        if (!problem.empty()) {
            out["error"] = "Could not make " + name + ": " + problem;
            return out.dump();
        }
        const figure::PixelSize size = figure::pngSize(f, scale);
        out["width"] = size.width;
        out["height"] = size.height;
    }
    out["svg"] = figure::svg(f);
    return out.dump();
}

}  // namespace web
