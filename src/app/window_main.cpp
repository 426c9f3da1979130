// The demonstration window: the model of the main window on screen, its
// clock locked to real time.
#include <QApplication>
#include <QString>

#include "gui/demowindow.h"
#include "gui/qtmessagebox.h"
#include "shell/linkdemo.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    // The box outlives the model that shows it.
    gui::QtMessageBox messageBox;
    LinkDemo demo(messageBox);
    gui::DemoWindow window(demo);
    messageBox.attach(&window);
    window.startClock(demo.scheduler());
    window.show();
    return app.exec();
}
