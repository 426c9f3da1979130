// SPDX-License-Identifier: MIT
// The tool windows (the Lab, the event log, the help windows) follow the
// zoom of the demonstration's window (View → Zoom), so that a projected Lab
// reads as well as the demonstration beside it: their fonts scale by the
// zoom, and a shown window grows or shrinks with it. A window that draws with
// fonts of its own (the Lab's plot) takes them from its font at
// QEvent::FontChange, and its zoom from toolZoom().
#pragma once

class QWidget;

namespace widgets {
class Container;
}

namespace gui {

class ModelWindow;

// Scales `window` to the zoom of `binding` now and at every later change of
// it; its font at this call is its font at 100 %. Without a binding it stays
// at 100 %.
void followZoom(QWidget* window, ModelWindow* binding);
// The same for the binding that mirrors `model` (ModelWindow::bindingOf).
void followZoom(QWidget* window, const widgets::Container& model);
// The zoom a following window is scaled at (1 for any other window); set
// before the window's font changes.
double toolZoom(const QWidget& window);

}  // namespace gui
