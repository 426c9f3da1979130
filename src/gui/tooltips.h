// SPDX-License-Identifier: MIT
// Tooltips and screen-reader names for the controls of a model window: each
// control's widget tells its system name ("Wire1.cmdPacket(3)") and what it
// does. Nothing the window draws changes.
#pragma once

#include "gui/modelwindow.h"

namespace gui {

// Describes every control of the window's model tree. Call once, after the
// window is built (the model never adds a control later).
void describeControls(ModelWindow& window);

}  // namespace gui
