// SPDX-License-Identifier: MIT
// Test doubles for components: a routing that records every report, a
// message box that records its texts, and a window to host components.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "packet/routing.h"
#include "widgets/component.h"
#include "widgets/messagebox.h"
#include "widgets/random.h"
#include "widgets/scheduler.h"

struct Report {
    int index;
    int code;
    Packet packet;  // a copy taken at the moment of the report
};

class RecordingRouting : public Routing {
public:
    std::vector<Report> reports;
    // Runs after each report is recorded, inside the PacketDone call, so a
    // test can re-enter the reporter the way the main window would.
    std::function<void(int, int, Packet&)> react;

    void PacketDone(int iIndex, int iType, Packet& pPacket) override
    {
        reports.push_back(Report{iIndex, iType, pPacket});
        if (react) react(iIndex, iType, pPacket);
    }
    std::vector<int> codes() const
    {
        std::vector<int> c;
        for (const auto& r : reports) c.push_back(r.code);
        return c;
    }
    void clear() { reports.clear(); }
};

class RecordingMessageBox : public widgets::MessageBox {
public:
    std::vector<std::string> shown;
    void show(const std::string& text) override { shown.push_back(text); }
};

// Replays a fixed sequence and counts the draws.
class CountingRandom : public widgets::Random {
public:
    explicit CountingRandom(std::vector<double> values) : m_seq(std::move(values)) {}
    double next() override
    {
        ++draws;
        return m_seq.next();
    }
    int draws = 0;

private:
    widgets::SequenceRandom m_seq;
};

// A host window, a clock and the doubles, ready to build one component:
//   TestEnv env;  Wire wire(&env.window, "Wire1", env.context());
struct TestEnv {
    widgets::Scheduler scheduler;
    RecordingRouting routing;
    RecordingMessageBox messageBox;
    widgets::DefaultRandom random;
    widgets::Container window{widgets::Kind::Window, nullptr, "LinkDemo"};

    ComponentContext context(int timerOrder = 1)
    {
        return ComponentContext{scheduler, routing, messageBox, random, timerOrder};
    }
};
