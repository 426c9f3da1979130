// SPDX-License-Identifier: MIT
// The demonstration window: the model of the main window on screen, its
// clock locked to real time.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QMenu>
#include <QString>

#include "app/cli.h"
#include "gui/labwindow.h"
#include "gui/lecture.h"
#include "gui/mainwindow.h"
#include "gui/qtmessagebox.h"
#include "palette/palette.h"
#include "shell/linkdemo.h"

namespace {

constexpr app::Program kProgram{
    "linkdemo",
    "linkdemo [--play FILE] [--profile NAME] [QT-OPTION...]",
    "Start the Link Demo window: a transmitter, a wire and a receiver (optionally\n"
    "a router between two wires) exchanging packets in simulated time, to show\n"
    "flow control and error control on a data link.\n"
    "\n"
    "Options:\n"
    "      --play FILE     play the script FILE (the language of linkdemo-script)\n"
    "                      at the window's pace, its narration shown as captions\n"
    "      --profile NAME  draw in the colour profile NAME: standard (the default),\n"
    "                      projector or colour-vision (also View > Profile)\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n"
    "\n"
    "The usual Qt options are accepted, for example -platform NAME, -style NAME,\n"
    "-reverse, -display DISPLAY (X11) and -qwindowgeometry GEOMETRY.\n"
    "\n"
    "linkdemo-script(1) runs the same demonstration without a display.\n",
};

std::vector<std::string> arguments(int argc, char** argv)
{
    return {argv + 1, argv + argc};
}

// True when the command line names a Qt style (-style NAME, -style=NAME).
bool styleChosen(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "-style" || arg == "--style" || arg.starts_with("-style=") || arg.starts_with("--style="))
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    // --help and --version answer before any display is opened, so that they
    // work on a text console as well.
    const std::vector<std::string> given = arguments(argc, argv);
    const app::Parsed early = app::parse(given, kProgram);
    if (early.action == app::Parsed::Action::Help || early.action == app::Parsed::Action::Version)
        return app::report(early, kProgram, std::cout, std::cerr);

    // Qt takes its own options out of argv; whatever it leaves is ours.
    QApplication app(argc, argv);
    std::vector<std::string> args = arguments(argc, argv);
    std::string playFile;
    if (!app::takeOption(args, "--play", playFile)) {
        std::cerr << "linkdemo: --play needs a file\nTry 'linkdemo --help' for more information.\n";
        return app::kUsageError;
    }
    std::string profileName = palette::name(palette::Profile::Standard);
    const bool profileGiven = app::takeOption(args, "--profile", profileName);
    const std::optional<palette::Profile> profile = palette::profileNamed(profileName);
    if (!profileGiven || !profile) {
        std::cerr << "linkdemo: --profile needs one of standard, projector, colour-vision\n"
                     "Try 'linkdemo --help' for more information.\n";
        return app::kUsageError;
    }
    const app::Parsed parsed = app::parse(args, kProgram);
    if (parsed.action != app::Parsed::Action::Run) return app::report(parsed, kProgram, std::cout, std::cerr);

    if (!styleChosen(given)) QApplication::setStyle(QStringLiteral("Fusion"));

    // The box outlives the model that shows it.
    gui::QtMessageBox messageBox;
    LinkDemo demo(messageBox);
    gui::MainWindow window(demo);
    messageBox.attach(&window.demoWindow());
    window.demoWindow().startClock(demo.scheduler());
    window.show();
    if (*profile != palette::Profile::Standard) window.setProfile(*profile);
    window.fitToScreen();
    // The Lab window, from the Window menu or the key L (which, like the
    // demonstration's other keys, a focused control that takes it keeps).
    gui::LabWindow labWindow(demo);
    const auto openLab = [&] { labWindow.showBeside(window); };
    window.windowMenu()->addAction(QObject::tr("&Lab") + QStringLiteral("\tL"), &labWindow, openLab);
    window.demoWindow().bindKey(keys::Action::Lab, openLab);

    if (!playFile.empty() && !window.lecture().play(QString::fromStdString(playFile))) return app::kUsageError;
    return app.exec();
}
