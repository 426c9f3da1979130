#include "gui/demowindow.h"

#include <QKeySequence>
#include <QString>

namespace gui {

DemoWindow::DemoWindow(LinkDemo& demo, QWidget* parent) : ModelWindow(demo, parent), m_demo(demo)
{
    setWindowTitle(QString::fromStdString(demo.caption()));
    onBackgroundClick = [this] { m_demo.backgroundClick(); };
    // The keys act exactly as a click on the button; an editable combo with
    // the focus still takes them as text.
    addShortcut(QKeySequence(Qt::Key_Space), demo.cmdPause);
    addShortcut(QKeySequence(Qt::Key_R), demo.cmdReset);
}

}  // namespace gui
