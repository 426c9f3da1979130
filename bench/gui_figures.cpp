// SPDX-License-Identifier: MIT
#include "bench/gui_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QApplication>

#include "bench/fill.h"
#include "gui/demowindow.h"
#include "gui/views.h"
#include "shell/linkdemo.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SilentBox : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace

void guiFigures(int& argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto start = Clock::now();
    QApplication app(argc, argv);
    SilentBox box;
    {
        // Start-up: the application, the model's start-up, the binding, and
        // the first frame painted.
        LinkDemo demo(box);
        gui::DemoWindow window(demo);
        window.show();
        window.repaint();
        std::printf("== window\n  start-up to the first painted frame: %.1f ms (target < 300 ms)\n", msSince(start));
    }

    {
        SilentBox box2;
        LinkDemo demo(box2);
        gui::DemoWindow window(demo);
        window.show();
        fillTraces(demo);
        demo.Wire1.ReDrawTrace();
        window.sync();
        gui::PictureView* picture = window.pictureFor(demo.Wire1.Picture1);
        // One untimed round first: the first redraw allocates the image.
        demo.Wire1.ReDrawTrace();
        window.sync();
        picture->repaint();
        const int reps = 20;
        double worst = 0, total = 0;
        for (int i = 0; i < reps; ++i) {
            auto t = Clock::now();
            demo.Wire1.ReDrawTrace();
            window.sync();
            picture->repaint();
            double ms = msSince(t);
            worst = std::max(worst, ms);
            total += ms;
        }
        std::printf(
            "  full repaint of a wire with 1000 trace records and 64 labels (model + Qt): mean %.2f ms, "
            "worst %.2f ms (target < 5 ms)\n",
            total / reps, worst);

        demo.cmdPause.click();
        // The first paint of the shown window is start-up, not a tick.
        window.sync();
        window.repaint();
        worst = 0;
        total = 0;
        const int ticks = 40;
        for (int i = 0; i < ticks; ++i) {
            auto t = Clock::now();
            demo.scheduler().advance(100);
            window.sync();
            window.repaint();
            double ms = msSince(t);
            worst = std::max(worst, ms);
            total += ms;
        }
        std::printf(
            "  main-clock tick with the Qt sync and repaint, 16 packets on each wire, full traces: "
            "mean %.2f ms, worst %.2f ms (target < 2 ms)\n",
            total / ticks, worst);
    }

    {
        // The presenter's pace: 20x with the router and traces on, the clock
        // waking every 10 ms (200 simulated ms a frame), and the smooth
        // motion's frame between two ticks.
        SilentBox box4;
        LinkDemo demo(box4);
        gui::DemoWindow window(demo);
        window.show();
        demo.cmbScenario.userChoose(4);
        demo.cmdRouter.click();
        demo.cmdPause.click();
        std::int64_t real = 0;
        window.setTimeSource([&] { return real; });
        window.startClock(demo.scheduler(), 0);
        window.pace().setIndex(7);
        auto t = Clock::now();
        const int frames = 3000;  // 600 simulated seconds
        for (int i = 0; i < frames; ++i) {
            real += 10;
            window.tick();
            window.repaint();
        }
        const double perSecond = msSince(t) / (frames * 0.2);
        std::printf(
            "  wall time per simulated second at 20x, Go-back-N ARQ with the router, traces on: %.2f ms "
            "(target < 50 ms)\n",
            perSecond);

        window.setSmoothMotion(true);
        window.pace().setIndex(3);
        double worst = 0, total = 0;
        const int smoothFrames = 600;
        for (int i = 0; i < smoothFrames; ++i) {
            auto f = Clock::now();
            real += 16;  // 60 frames a second
            window.tick();
            window.repaint();
            const double ms = msSince(f);
            worst = std::max(worst, ms);
            total += ms;
        }
        std::printf(
            "  a frame of smooth motion at 60 frames a second (advance, places, repaint): mean %.2f ms, "
            "worst %.2f ms (target < 2 ms)\n",
            total / smoothFrames, worst);
    }

    {
        SilentBox box3;
        LinkDemo demo(box3);
        gui::DemoWindow window(demo);
        window.show();
        demo.cmbScenario.userChoose(4);
        demo.cmdRouter.click();
        demo.cmdPause.click();
        // Ten simulated minutes as the window runs them: a sync every 10 ms.
        for (int i = 0; i < 60000; ++i) {
            demo.scheduler().advance(10);
            window.sync();
            if (i % 100 == 0) QCoreApplication::processEvents();
        }
        std::printf(
            "  resident memory after ten simulated minutes of Go-back-N ARQ with the router: %.1f MB "
            "(target < 80 MB)\n",
            residentKiB() / 1024.0);
    }
}
