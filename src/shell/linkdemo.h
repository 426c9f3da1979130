// SPDX-License-Identifier: MIT
// The main window's model: it owns the simulated clock, every component, the
// routing of packet events between them and the scenario set-up. The window
// (Qt) and the script runner both build exactly this object.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "queue/queue.h"
#include "receiver/receiver.h"
#include "source/source.h"
#include "topology/route.h"
#include "topology/scenario.h"
#include "transmitter/transmitter.h"
#include "widgets/component.h"
#include "widgets/messagebox.h"
#include "widgets/random.h"
#include "widgets/scheduler.h"
#include "wire/wire.h"

// One call of a scenario's set-up on Transmitter1 or Receiver1; list
// settings take the item index of the component's list.
struct ScenarioSetting {
    enum Call {
        TxMaxSequence,
        TxReliable,
        TxWindow,
        TxRetransmitMode,
        TxTimerMode,
        TxRTT,
        RxMaxSequence,
        RxWindow,
        RxPolicy,
        RxACKMode,
    };
    Call call;
    int value;
};

namespace lab {
class Lab;
}

class LinkDemo : public widgets::Container, public Routing {
public:
    // Builds every component and performs the window's start-up sequence at
    // virtual time 0. `messageBox` answers the modal message box; `random`
    // (optional, must outlive the window) replaces the window's own
    // generator, which is never seeded from the clock.
    explicit LinkDemo(widgets::MessageBox& messageBox, widgets::Random* random = nullptr);
    ~LinkDemo() override;

    void PacketDone(int iIndex, int iType, Packet& pPacket) override;

    widgets::Scheduler& scheduler() { return m_scheduler; }
    const widgets::Scheduler& scheduler() const { return m_scheduler; }

    static constexpr const char* kCaption = "Brelk's Vorn Demo";
    const std::string& caption() const { return m_caption; }

    // The window's Reset (cmdReset's action, also scenario and router changes,
    // "Measure RTT" and the transmitter's reset request): time 0, paused,
    // every component emptied.
    void Reset();
    // Lays out and configures the components for the current topology: the
    // layout, then the base set-up, then the scenario's own settings.
    void ConfigureScenario();
    // The base set-up every scenario starts from, and each scenario's
    // settings after it, by scenario number.
    static const std::vector<ScenarioSetting> kBaseSettings;
    static const std::array<std::vector<ScenarioSetting>, kScenarioNames.size()> kScenarioSettings;
    // A click on the window background: repaints every wire's trace.
    void backgroundClick();

    // Observers are told of every packet event and reset, in the order they
    // were added; each must outlive the window or be removed first.
    void addObserver(LinkDemoObserver* o);
    void removeObserver(LinkDemoObserver* o);

    // The link settings of start-up (bit rates, delays, the wires' size, the
    // transmitter's RTT), which scenario changes and resets keep.
    void LinkSettings();
    // The window's own generator starts its sequence again, as at start-up
    // (a generator given to the constructor is left alone).
    void restartRandom();
    // The transmitters' and receivers' own clocks start again from 0, as at
    // start-up (resets keep them running).
    void restartClocks();

    // The lab: measured figures, theory and seeded random loss.
    lab::Lab& lab() { return *m_lab; }
    const lab::Lab& lab() const { return *m_lab; }

private:
    // Declared first: the controls and components below need them at their
    // construction.
    widgets::Scheduler m_scheduler;
    widgets::DefaultRandom m_ownRandom;
    widgets::Random& m_random;
    widgets::MessageBox& m_messageBox;
    std::string m_caption = kCaption;
    // Routing is live only once every member exists: a component that
    // reported while the window was still being built would reach
    // half-constructed neighbours.
    bool m_routingLive = false;
    std::vector<LinkDemoObserver*> m_observers;

    ComponentContext context(int timerOrder);

public:
    // Controls of the window, in creation (dump) order.
    widgets::ComboBox cmbScenario;
    widgets::Button cmdPause;
    widgets::Button cmdReset;
    widgets::Button cmdRTT;
    widgets::Button cmdRouter;
    widgets::Timer Timer1;
    Packet MainPacket;  // never used

    // Components, in creation (dump) order.
    Transmitter Transmitter1;
    Transmitter Transmitter2;
    Wire Wire1;
    Wire Wire2;
    Wire Wire3;
    Wire Wire4;
    Wire Wire5;
    Queue Queue1;
    Queue Queue2;
    Source Source1;
    Source Source2;
    Receiver Receiver1;
    Receiver Receiver2;

    // The five wires in order, Wire1 to Wire5 (Wire3..Wire5 are never shown).
    std::array<Wire*, 5> wires() { return {&Wire1, &Wire2, &Wire3, &Wire4, &Wire5}; }
    std::array<const Wire*, 5> wires() const { return {&Wire1, &Wire2, &Wire3, &Wire4, &Wire5}; }

    // Running total of simulated milliseconds handed to the wires.
    std::int64_t totalTime = 0;
    // While true the main clock does not advance.
    bool paused = false;
    // Scenario number (0..6), plus 10 while the router is added.
    int topology = 0;

private:
    // Last: it watches the components above from its construction on.
    std::unique_ptr<lab::Lab> m_lab;

public:
    // A control by its full name: "LinkDemo.cmdPause", "Wire1.cmdPacket(3)".
    widgets::Control* findControl(const std::string& fullName);
    // A component by its name ("Wire1"); nullptr when there is none.
    widgets::Component* findComponent(const std::string& name);

private:
    void tick();
    void scenarioChosen();
    void routerClicked();
    void pauseClicked();
    void measureRTTClicked();
    void pauseComponents();
    void raiseOnFocus(widgets::Component& c);
    void layOut();
    void applySettings(const std::vector<ScenarioSetting>& settings);
};
