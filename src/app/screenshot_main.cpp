// SPDX-License-Identifier: MIT
// linkdemo-screenshot OUT.png [SCRIPT]
//
// Renders the real demonstration window (with its menu, tool and status
// bars) to a PNG without a display. The
// model is driven by a script in the script runner's language (the same
// runner, so the same start-up and the same commands); without SCRIPT, the
// scene shows Go-back-N ARQ with the router, 25 simulated seconds after
// "Start", with packets on both wires and their traces drawn.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include <QApplication>
#include <QImage>
#include <QString>

#include "gui/mainwindow.h"
#include "shell/linkdemo.h"
#include "session/script.h"

namespace {

constexpr const char* kDefaultScene =
    "choose LinkDemo.cmbScenario Go-back-N ARQ\n"
    "press LinkDemo.cmdRouter\n"
    "press LinkDemo.cmdPause\n"
    "run 25000\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.png [SCRIPT]\n", argc > 0 ? argv[0] : "linkdemo-screenshot");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    ScriptRunner runner(std::cout, std::cerr);
    int status = ScriptRunner::kOk;
    if (argc == 3) {
        std::ifstream script(argv[2]);
        if (!script) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 2;
        }
        status = runner.run(script);
    } else {
        std::istringstream script(kDefaultScene);
        status = runner.run(script);
    }
    if (status != ScriptRunner::kOk) return status;

    LinkDemo& demo = runner.demo();
    gui::MainWindow window(demo);
    window.show();
    QApplication::processEvents();
    window.demoWindow().sync();
    const QImage image = window.grab().toImage();
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
