// SPDX-License-Identifier: MIT
#include "shell/linkdemo.h"

#include <algorithm>

#include "lab/lab.h"

namespace {

constexpr std::int64_t kWindowWidth = 14895;
constexpr std::int64_t kWindowHeight = 11115;
constexpr std::int64_t kWindowColour = 0xE0E0E0;
constexpr std::int64_t kClockInterval = 100;  // ms

constexpr const char* kStart = "Start";
constexpr const char* kPause = "Pause";
constexpr const char* kCont = "Cont";
constexpr const char* kAddRouter = "Add Router";
constexpr const char* kRemoveRouter = "Remove Router";

// The window's controls use the interface face at the size of the
// components' captions.
constexpr double kControlPoints = 12.0;

}  // namespace

ComponentContext LinkDemo::context(int timerOrder)
{
    return ComponentContext{m_scheduler, *this, m_messageBox, m_random, timerOrder};
}

LinkDemo::LinkDemo(widgets::MessageBox& messageBox, widgets::Random* random)
    : widgets::Container(widgets::Kind::Window, nullptr, "LinkDemo"),
      m_random(random ? *random : m_ownRandom),
      m_messageBox(messageBox),
      cmbScenario(this, "cmbScenario", widgets::ComboBox::Style::ListOnly),
      cmdPause(this, "cmdPause"),
      cmdReset(this, "cmdReset"),
      cmdRTT(this, "cmdRTT"),
      cmdRouter(this, "cmdRouter"),
      Timer1(this, "Timer1", m_scheduler, 0),
      // Timer orders fix the firing order of timers due at the same
      // millisecond; wires and queues have no timer of their own.
      Transmitter1(this, "Transmitter1", context(1)),
      Transmitter2(this, "Transmitter2", context(2)),
      Wire1(this, "Wire1", context(100)),
      Wire2(this, "Wire2", context(100)),
      Wire3(this, "Wire3", context(100)),
      Wire4(this, "Wire4", context(100)),
      Wire5(this, "Wire5", context(100)),
      Queue1(this, "Queue1", context(100)),
      Queue2(this, "Queue2", context(100)),
      Source1(this, "Source1", context(5)),
      Source2(this, "Source2", context(6)),
      Receiver1(this, "Receiver1", context(3)),
      Receiver2(this, "Receiver2", context(4))
{
    setGeometry(0, 0, kWindowWidth, kWindowHeight);
    setBackColour(kWindowColour);

    cmbScenario.setGeometry(120, 6300, 3315, 405);
    cmdPause.setGeometry(120, 6900, 1275, 495);
    cmdReset.setGeometry(1500, 6900, 1275, 495);
    cmdRTT.setGeometry(120, 7620, 2655, 495);
    cmdRouter.setGeometry(120, 8220, 2655, 495);
    for (widgets::Control* c :
         std::initializer_list<widgets::Control*>{&cmbScenario, &cmdPause, &cmdReset, &cmdRTT, &cmdRouter}) {
        c->setFont(kControlPoints, false);
    }
    cmdPause.setCaption(kPause);
    cmdReset.setCaption("Reset");
    cmdRTT.setCaption("Measure RTT");
    cmdRouter.setCaption(kAddRouter);

    // The router's design place, which the router set-up keeps.
    Queue1.setGeometry(6120, 360, 2595, 3135);
    Queue2.setGeometry(6120, 360, 2595, 3135);

    cmbScenario.onClick = [this] { scenarioChosen(); };
    cmbScenario.onChange = [this] { scenarioChosen(); };
    cmdPause.onClick = [this] { pauseClicked(); };
    cmdReset.onClick = [this] { Reset(); };
    cmdRTT.onClick = [this] { measureRTTClicked(); };
    cmdRouter.onClick = [this] { routerClicked(); };
    Timer1.onTimer = [this] { tick(); };
    Timer1.setInterval(kClockInterval);
    Timer1.setEnabled(true);

    // Wire3..Wire5 are never shown and have no focus reaction.
    for (widgets::Component* c :
         std::initializer_list<widgets::Component*>{&Queue1, &Queue2, &Receiver1, &Receiver2, &Source1, &Source2,
                                                    &Transmitter1, &Transmitter2, &Wire1, &Wire2}) {
        raiseOnFocus(*c);
    }

    m_routingLive = true;

    // Start-up, in the window's order: the scenario list selects "No
    // Controls" (its handler configures and resets), then the same again,
    // the routing indices only after the resets, then the link settings,
    // and last the transmitter's RTT.
    totalTime = 0;
    paused = false;
    for (const char* s : kScenarioNames) cmbScenario.addItem(s);
    cmbScenario.setListIndex(0);
    topology = 0;
    ConfigureScenario();
    Reset();

    for (int k = 0; k < 5; ++k) wires()[static_cast<std::size_t>(k)]->SetIndex(topology::kWire1 + k);
    Queue1.SetIndex(topology::kQueue1);
    Queue2.SetIndex(topology::kQueue2);
    Source1.SetIndex(topology::kSource1);
    Source2.SetIndex(topology::kSource2);
    Receiver1.SetIndex(topology::kReceiver1);
    Receiver2.SetIndex(topology::kReceiver2);
    Transmitter1.SetIndex(topology::kTransmitter1);
    Transmitter2.SetIndex(topology::kTransmitter2);

    LinkSettings();

    m_lab = std::make_unique<lab::Lab>(
        lab::LinkView{m_scheduler, totalTime, Timer1, topology, Transmitter1, Receiver1, Wire1, Wire2, Queue1});
    addObserver(m_lab.get());
}

LinkDemo::~LinkDemo()
{
    m_routingLive = false;
    removeObserver(m_lab.get());
    m_lab.reset();
}

void LinkDemo::LinkSettings()
{
    // The only place the link settings are made: scenario changes and
    // resets keep what the user chooses afterwards.
    Wire1.setWidth(10000);
    Wire1.setHeight(9915);
    Wire1.SetBitRate(1.0);
    Wire1.SetDelay(2.0);
    Wire2.setWidth(10000);
    Wire2.setHeight(9915);
    Wire2.SetBitRate(5.0);
    Wire2.SetDelay(1.0);

    Transmitter1.SetRTT(150);
}

void LinkDemo::restartRandom()
{
    m_ownRandom = widgets::DefaultRandom();
}

void LinkDemo::restartClocks()
{
    Transmitter1.RestartClock();
    Transmitter2.RestartClock();
    Receiver1.RestartClock();
    Receiver2.RestartClock();
}

void LinkDemo::addObserver(LinkDemoObserver* o)
{
    m_observers.push_back(o);
}

void LinkDemo::removeObserver(LinkDemoObserver* o)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), o), m_observers.end());
}

void LinkDemo::raiseOnFocus(widgets::Component& c)
{
    c.onFocus = [this, &c] { raise(c); };
}

void LinkDemo::tick()
{
    if (paused) return;
    totalTime += Timer1.interval();
    // Hidden wires move too.
    for (Wire* w : wires()) w->MovePackets(totalTime);
}

void LinkDemo::pauseComponents()
{
    Transmitter1.Pause(paused);
    Transmitter2.Pause(paused);
    Receiver1.Pause(paused);
    Receiver2.Pause(paused);
    Source1.Pause(paused);
    Source2.Pause(paused);
}

void LinkDemo::Reset()
{
    totalTime = 0;
    paused = true;
    pauseComponents();
    cmdPause.setCaption(kStart);
    Transmitter1.Reset(1, 1);
    Transmitter2.Reset(1, 1);
    for (Wire* w : wires()) w->Reset(1);
    Source1.Reset(1);
    Source2.Reset(1);
    Receiver1.Reset(1, 1);
    Receiver2.Reset(1, 1);
    Queue1.Reset(1, 1);
    Queue2.Reset(1, 1);
    for (std::size_t k = 0; k < m_observers.size(); ++k) m_observers[k]->resetDone();
}

void LinkDemo::ConfigureScenario()
{
    layOut();
    // Every scenario starts from the No Controls link; the router changes
    // only the layout.
    const Topology t = decodeTopology(topology);
    if (t.link) applySettings(kBaseSettings);
    const int scenario = t.scenario;
    if (scenario >= 0 && scenario < static_cast<int>(kScenarioSettings.size())) {
        applySettings(kScenarioSettings[static_cast<std::size_t>(scenario)]);
    }
}

void LinkDemo::layOut()
{
    for (Wire* w : wires()) w->setVisible(false);
    for (widgets::Component* c : std::initializer_list<widgets::Component*>{
             &Transmitter1, &Transmitter2, &Source1, &Source2, &Receiver1, &Receiver2, &Queue1, &Queue2}) {
        c->setVisible(false);
    }

    const auto showWire = [](Wire& w, double left, int length) {
        w.setTop(480);
        w.setLeft(left);
        w.SetLength(length);
        w.setVisible(true);
        w.Trace(true);
        w.SetPicHeight(8000);
    };

    const Topology t = decodeTopology(topology);
    if (t.link) {
        Transmitter1.setTop(240);
        Transmitter1.setLeft(120);
        Transmitter1.setVisible(true);
        showWire(Wire1, 3240, 7950);
        Receiver1.setTop(240);
        Receiver1.setLeft(11340);
        Receiver1.setVisible(true);
    }

    if (t.router) {
        // A line starts 120 right of its wire's Left: Wire1 then ends at
        // 6120, the router's left edge, and Wire2 at 11340, the receiver's.
        showWire(Wire1, 3240, 2760);
        showWire(Wire2, 8520, 2700);
        Queue1.setVisible(true);
    }
}

void LinkDemo::scenarioChosen()
{
    const int scenario = cmbScenario.listIndex();
    // Only a deselection gives no index; it chooses no scenario.
    if (scenario < 0) return;
    topology = scenario;
    cmdRouter.setCaption(kAddRouter);
    ConfigureScenario();
    Reset();
    cmdRTT.setVisible(scenarioOffersMeasureRTT(scenario));
}

void LinkDemo::routerClicked()
{
    if (cmdRouter.caption() == kAddRouter) {
        topology += 10;
        cmdRouter.setCaption(kRemoveRouter);
    } else {
        topology -= 10;
        cmdRouter.setCaption(kAddRouter);
    }
    ConfigureScenario();
    Reset();
}

void LinkDemo::pauseClicked()
{
    if (cmdPause.caption() == kStart) {
        cmdPause.setCaption(kPause);
        paused = false;
    } else if (cmdPause.caption() == kPause) {
        cmdPause.setCaption(kCont);
        paused = true;
    } else {
        cmdPause.setCaption(kPause);
        paused = false;
    }
    pauseComponents();
}

void LinkDemo::measureRTTClicked()
{
    Reset();
    Transmitter1.MeasureRTT();
    // The caption reads "Start" after the reset, so this starts the run.
    pauseClicked();
}

void LinkDemo::backgroundClick()
{
    for (Wire* w : wires()) w->ReDrawTrace();
}

widgets::Component* LinkDemo::findComponent(const std::string& name)
{
    for (widgets::Control* c : children()) {
        if (c->kind() == widgets::Kind::Component && c->fullName() == name) return static_cast<widgets::Component*>(c);
    }
    return nullptr;
}

widgets::Control* LinkDemo::findControl(const std::string& fullName)
{
    const auto dot = fullName.find('.');
    if (dot == std::string::npos) return nullptr;
    const std::string owner = fullName.substr(0, dot);
    const std::string rest = fullName.substr(dot + 1);
    widgets::Container* container = nullptr;
    if (owner == name()) {
        container = this;
    } else {
        container = findComponent(owner);
    }
    if (!container) return nullptr;
    widgets::Control* c = container->child(rest);
    // A component is reached by its own name, not as a window control.
    if (c && c->kind() == widgets::Kind::Component) return nullptr;
    return c;
}
