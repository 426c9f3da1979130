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
        .function("home", &web::WebDemo::home)
        .function("keyAction", &web::WebDemo::keyAction)
        .function("now", &web::WebDemo::now)
        .function("wake", &web::WebDemo::wake)
        .function("rebaseClock", &web::WebDemo::rebaseClock)
        .function("advanceTo", &web::WebDemo::advanceTo)
        .function("setPace", &web::WebDemo::setPace)
        .function("paceIndex", &web::WebDemo::paceIndex)
        .function("step", &web::WebDemo::step)
        .function("status", &web::WebDemo::status)
        .function("run", &web::WebDemo::run)
        .function("takeMessage", &web::WebDemo::takeMessage)
        .function("hasMessage", &web::WebDemo::hasMessage)
        .function("script", &web::WebDemo::script)
        .function("scriptExact", &web::WebDemo::scriptExact)
        // The panels around the demonstration.
        .function("resendWords", &web::WebDemo::resendWords)
        .function("explain", &web::WebDemo::explain)
        .function("explaining", &web::WebDemo::explaining)
        .function("takeExplanations", &web::WebDemo::takeExplanations)
        .function("eventLog", &web::WebDemo::eventLog)
        .function("eventLogOn", &web::WebDemo::eventLogOn)
        .function("takeEvents", &web::WebDemo::takeEvents)
        // Exporting a wire's trace.
        .function("traceExports", &web::WebDemo::traceExports)
        .function("exportTrace", &web::WebDemo::exportTrace)
        // Back in the session, and Record….
        .function("back", &web::WebDemo::back)
        .function("backTick", &web::WebDemo::backTick)
        .function("timeTicks", &web::WebDemo::timeTicks)
        .function("backToTick", &web::WebDemo::backToTick)
        .function("backStatus", &web::WebDemo::backStatus)
        .function("startRecording", &web::WebDemo::startRecording)
        .function("recording", &web::WebDemo::recording)
        .function("recordingFile", &web::WebDemo::recordingFile)
        .function("recordingNote", &web::WebDemo::recordingNote)
        .function("stopRecording", &web::WebDemo::stopRecording)
        // The presenter's keys: Follow the Present, the chosen packet.
        .function("setFollowPresent", &web::WebDemo::setFollowPresent)
        .function("followPresent", &web::WebDemo::followPresent)
        .function("selectPacket", &web::WebDemo::selectPacket)
        .function("clearSelection", &web::WebDemo::clearSelection)
        .function("selectedPacket", &web::WebDemo::selectedPacket)
        .function("destroySelectedPacket", &web::WebDemo::destroySelectedPacket)
        .function("choosePacket", &web::WebDemo::choosePacket)
        // The trace tools and the packets' smooth motion.
        .function("traces", &web::WebDemo::traces)
        .function("wheelTrace", &web::WebDemo::wheelTrace)
        .function("clearTrace", &web::WebDemo::clearTrace)
        .function("setSmoothMotion", &web::WebDemo::setSmoothMotion)
        .function("smoothMotion", &web::WebDemo::smoothMotion)
        .function("motion", &web::WebDemo::motion)
        // The Lab.
        .function("labInfo", &web::WebDemo::labInfo)
        .function("setLabLoss", &web::WebDemo::setLabLoss)
        .function("setLabSeed", &web::WebDemo::setLabSeed)
        .function("setLabDrops", &web::WebDemo::setLabDrops)
        .function("restartLabCounts", &web::WebDemo::restartLabCounts)
        .function("labCsv", &web::WebDemo::labCsv)
        .class_function("labHelp", &web::WebDemo::labHelp)
        // The script player and the bundled lessons.
        .function("play", &web::WebDemo::play)
        .function("playLesson", &web::WebDemo::playLesson)
        .function("stopPlay", &web::WebDemo::stopPlay)
        .function("setPlayPaused", &web::WebDemo::setPlayPaused)
        .function("stepPlay", &web::WebDemo::stepPlay)
        .function("setWaitAtCaptions", &web::WebDemo::setWaitAtCaptions)
        .function("answer", &web::WebDemo::answer)
        .function("proceed", &web::WebDemo::proceed)
        .function("watchAgain", &web::WebDemo::watchAgain)
        .function("playing", &web::WebDemo::playing)
        .function("playInfo", &web::WebDemo::playInfo)
        .function("takePlayOutput", &web::WebDemo::takePlayOutput)
        .function("playRevision", &web::WebDemo::playRevision)
        .class_function("lessons", &web::WebDemo::lessons);
    // The key table, for the page's help.
    emscripten::function("keyTable", &web::WebDemo::keyTable);
    // The colour table and the profiles' looks.
    emscripten::function("drawnColour", &web::drawnColour);
    emscripten::function("profileLook", &web::profileLook);
    emscripten::function("packetLetter", &web::packetLetter);
    emscripten::function("profileName", &web::profileName);
    emscripten::function("helpTexts", &web::helpTexts);
}
