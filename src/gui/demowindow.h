// The demonstration's main window on screen: the binding of the LinkDemo
// model with the window's caption, its background click and the presenter's
// keys (Space: the pause button, "Start"/"Pause"/"Cont"; R: "Reset"), which
// act when the focused control does not take the key itself.
#pragma once

#include "gui/modelwindow.h"
#include "shell/linkdemo.h"

namespace gui {

class DemoWindow : public ModelWindow {
public:
    explicit DemoWindow(LinkDemo& demo, QWidget* parent = nullptr);
    LinkDemo& demo() const { return m_demo; }

private:
    LinkDemo& m_demo;
};

}  // namespace gui
