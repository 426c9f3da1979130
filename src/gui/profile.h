// SPDX-License-Identifier: MIT
// The colour profile in force in the window: every colour the binding draws
// for a model colour goes through drawnColour(), so the model keeps its own
// colours whatever the profile. Standard by default; a change takes effect
// at the next full resync and repaint of a window (MainWindow::setProfile
// does both).
#pragma once

#include <cstdint>

#include <QColor>

#include "palette/palette.h"

namespace gui {

palette::Profile profile();
void setProfile(palette::Profile p);
palette::Look look();

// The colour drawn for a model colour (0xBBGGRR) in a role.
QColor drawnColour(std::int64_t model, palette::Role role);

}  // namespace gui
