// SPDX-License-Identifier: MIT
// The JavaScript face of WebDemo (embind): the page's script holds one
// LinkDemoModel and calls these methods; strings cross as UTF-8.
#include <emscripten/bind.h>

#include "web/webdemo.h"

namespace {

std::string caption(web::WebDemo& d)
{
    return d.caption();
}

}  // namespace

EMSCRIPTEN_BINDINGS(linkdemo)
{
    emscripten::class_<web::WebDemo>("LinkDemoModel")
        .constructor<>()
        .function("caption", &caption)
        .function("tree", &web::WebDemo::tree)
        .function("sync", &web::WebDemo::sync)
        .function("invalidate", &web::WebDemo::invalidate)
        .function("click", &web::WebDemo::click)
        .function("choose", &web::WebDemo::choose)
        .function("edit", &web::WebDemo::edit)
        .function("scroll", &web::WebDemo::scroll)
        .function("focus", &web::WebDemo::focus)
        .function("background", &web::WebDemo::background)
        .function("now", &web::WebDemo::now)
        .function("advanceTo", &web::WebDemo::advanceTo)
        .function("paceAdvance", &web::WebDemo::paceAdvance)
        .function("setPace", &web::WebDemo::setPace)
        .function("paceIndex", &web::WebDemo::paceIndex)
        .function("dropPace", &web::WebDemo::dropPace)
        .function("step", &web::WebDemo::step)
        .function("status", &web::WebDemo::status)
        .function("run", &web::WebDemo::run)
        .function("takeMessage", &web::WebDemo::takeMessage)
        .function("hasMessage", &web::WebDemo::hasMessage)
        .function("script", &web::WebDemo::script)
        .function("scriptExact", &web::WebDemo::scriptExact);
    // The colour table and the profiles' looks.
    emscripten::function("drawnColour", &web::drawnColour);
    emscripten::function("profileLook", &web::profileLook);
    emscripten::function("packetLetter", &web::packetLetter);
    emscripten::function("profileName", &web::profileName);
}
