// SPDX-License-Identifier: MIT
// The rules every binding of the model follows, whatever draws it: the
// script name of a control, what is drawn over what, the order of the Tab
// key, which part of a component takes a click and where a click leaves the
// keyboard focus. The window (src/gui) and the page (src/web, web/binding.js)
// apply these; neither keeps a rule of its own.
#pragma once

#include <string>
#include <vector>

#include "widgets/component.h"
#include "widgets/controls.h"

namespace rules {

// The script runner's name of a control: "LinkDemo.cmdPause",
// "Wire1.cmdPacket(3)", "Transmitter1" (a component goes by its own name,
// its controls by "Component.control").
std::string scriptName(const widgets::Control& control);

// The nearest component at or above the control (the one that receives the
// focus when the user works in the control); nullptr for the window's own.
widgets::Component* ownerOf(const widgets::Control& control);

// ---- stacking ----------------------------------------------------------------
// Shapes, lines and labels are drawn on their container, beneath every
// control that is a window of its own (buttons, lists, pictures, text boxes,
// components): the layouts were designed with that rule, so a label or a
// frame created after a button never covers it. Inside a component, an open
// settings panel's lists and captions (labels on a background of their own)
// lie above its buttons, so that the packets passing on a wire never hide
// them. Within a layer the container's stacking order holds.
inline constexpr int kLayers = 3;
int layerOf(const widgets::Control& control);
// The container's children bottom to top as drawn: by layer, then by the
// container's stacking order.
std::vector<widgets::Control*> drawingOrder(const widgets::Container& container);

// ---- the Tab chain -----------------------------------------------------------
// Whether the Tab key stops on the control: buttons, check boxes and lists
// that are tab stops (a packet on a wire is not).
bool takesTab(const widgets::Control& control);
// Whether a click on the control takes the keyboard focus: only a field to
// type in. A click on a button, a check box, a packet or a list presses or
// opens it and leaves the focus where it was, so that Space never presses
// the last button clicked again.
bool clickTakesFocus(const widgets::Control& control);
// The Tab key follows the layout: the window's components from left to
// right (top to bottom where they stand level), each with its own controls
// in creation order, then the window's own controls. Hidden controls keep
// their place (the toolkits skip them).
std::vector<widgets::Control*> tabChain(const widgets::Container& window);

// ---- clicks ------------------------------------------------------------------
// A container whose colour equals the one beneath paints nothing: it is
// see-through, and takes clicks only where its controls draw; a click on an
// empty part reaches whatever lies beneath, down to the window.
bool seeThrough(const widgets::Container& container);
// Captions, text boxes, shapes and lines take no press of their own: it goes
// to the container they are drawn on.
bool takesPress(const widgets::Control& control);
// The control a press on `control` goes to.
const widgets::Control& pressTarget(const widgets::Control& control);

}  // namespace rules
