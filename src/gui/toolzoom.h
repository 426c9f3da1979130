// SPDX-License-Identifier: MIT
// The tool windows (the Lab, the event log, the help windows) follow the
// demonstration's zoom (View → Zoom), so that a projected Lab reads as well
// as the demonstration beside it: their fonts scale by the zoom, and a shown
// window grows or shrinks with it. A window that draws with fonts of its own
// (the Lab's plot) takes them from its font at QEvent::FontChange.
#pragma once

class QWidget;

namespace gui {

// Scales `window` to the zoom in force now and at every later change; its
// font at this call is its font at 100 %.
void followZoom(QWidget* window);
// Brings every following window to the zoom in force (after setZoom).
void rescaleToolWindows();

}  // namespace gui
