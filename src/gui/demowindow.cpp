#include "gui/demowindow.h"

#include <QString>

namespace gui {

DemoWindow::DemoWindow(LinkDemo& demo, QWidget* parent) : ModelWindow(demo, parent), m_demo(demo)
{
    setWindowTitle(QString::fromStdString(demo.caption()));
    onBackgroundClick = [this] { m_demo.backgroundClick(); };
    // The keys act exactly as a click on the button, when the focused
    // control does not take them itself.
    addKey(Qt::Key_Space, demo.cmdPause);
    addKey(Qt::Key_R, demo.cmdReset);
    // The pause button is where the run starts: it has the focus at start-up
    // and after a scenario is picked from the list's pop-up, so that Space
    // or Return starts the run and no arrow key changes the scenario by
    // accident. Arrow keys on the closed list keep the focus there.
    focusControl(demo.cmdPause);
    onListChoice = [this](widgets::ComboBox& list, bool fromPopup) {
        if (&list == &m_demo.cmbScenario && fromPopup) focusControl(m_demo.cmdPause);
    };
}

}  // namespace gui
