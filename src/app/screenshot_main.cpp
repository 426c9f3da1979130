// SPDX-License-Identifier: MIT
// linkdemo-screenshot [--profile NAME] OUT.png [SCRIPT]
//
// Renders the real demonstration window (with its menu, tool and status
// bars) to a PNG without a display. The
// model is driven by a script in the script runner's language (the same
// runner, so the same start-up and the same commands); without SCRIPT, the
// scene shows Go-back-N ARQ with the router, 25 simulated seconds after
// "Start", with packets on both wires and their traces drawn. --profile
// draws the window in a colour profile, as View > Profile would.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QString>

#include "app/cli.h"
#include "gui/mainwindow.h"
#include "palette/palette.h"
#include "session/script.h"
#include "shell/linkdemo.h"

namespace {

constexpr const char* kDefaultScene =
    "choose LinkDemo.cmbScenario Go-back-N ARQ\n"
    "press LinkDemo.cmdRouter\n"
    "press LinkDemo.cmdPause\n"
    "run 25000\n";

constexpr app::Program kProgram{
    "linkdemo-screenshot",
    "linkdemo-screenshot [--profile NAME] OUT.png [SCRIPT]",
    "Render the demonstration window (menu, tool and status bars included) to the\n"
    "PNG file OUT.png without a display. SCRIPT (the language of linkdemo-script)\n"
    "drives the model first; without it the scene shows Go-back-N ARQ with the\n"
    "router 25 simulated seconds after Start.\n"
    "\n"
    "Options:\n"
    "      --profile NAME  draw in the colour profile NAME: standard (the default),\n"
    "                      projector or colour-vision\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n",
    2,
};

int usage(const std::string& error)
{
    app::Parsed parsed;
    parsed.action = app::Parsed::Action::Error;
    parsed.error = error;
    return app::report(parsed, kProgram, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string profileName = palette::name(palette::Profile::Standard);
    const bool profileGiven = app::takeOption(args, "--profile", profileName);
    const app::Parsed parsed = app::parse(args, kProgram);
    if (parsed.action != app::Parsed::Action::Run) return app::report(parsed, kProgram, std::cout, std::cerr);
    const std::optional<palette::Profile> profile = palette::profileNamed(profileName);
    if (!profileGiven || !profile) return usage("--profile needs one of standard, projector, colour-vision");
    if (parsed.operands.empty()) return usage("missing the output file OUT.png");
    const std::string out = parsed.operands[0];
    const std::string scriptFile = parsed.operands.size() > 1 ? parsed.operands[1] : std::string();

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    ScriptRunner runner(std::cout, std::cerr);
    int status = ScriptRunner::kOk;
    if (!scriptFile.empty()) {
        std::ifstream script(scriptFile);
        if (!script) {
            std::fprintf(stderr, "cannot read %s\n", scriptFile.c_str());
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
    if (*profile != palette::Profile::Standard) {
        window.setProfile(*profile);
        QApplication::processEvents();
    }
    window.demoWindow().sync();
    const QImage image = window.grab().toImage();
    if (!image.save(QString::fromStdString(out), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
