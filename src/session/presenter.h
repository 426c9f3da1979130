// SPDX-License-Identifier: MIT
// What a presenter does with the demonstration beyond its own buttons: step
// one main tick, choose a packet in flight from the keyboard, keep the traces
// on the present, read the clock. Nothing here changes a rule of the
// demonstration: every action goes through the controls a user could use.
//
// `Pace` maps the wall clock onto simulated time at a chosen speed; the
// window and the web page both use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class LinkDemo;
class Wire;

namespace presenter {

// One main tick, as a user would do it with the pause button: continue (or
// start), 100 ms of simulated time, pause, so that the button then reads
// "Cont". While the run goes on it is 100 ms and the pause.
void step(LinkDemo& demo);

// The simulated time at which packets stand between two main ticks: the
// run's time at the last tick plus the part of the tick that has passed
// since (0 at the tick itself; nothing while paused).
std::int64_t motionTime(const LinkDemo& demo);

// The pause button's caption as a binding shows it: the model's own, but
// "Cont" where the model reads "Pause" while a played script stands paused
// (the script holds the clock, not the model), as a paused run reads.
std::string pauseCaption(const LinkDemo& demo, bool scriptPaused);

// "t = 12.3 s": the run's simulated time, in tenths of a second.
std::string clockText(const LinkDemo& demo);
// The scenario in force, "Go-back-N ARQ" or "Go-back-N ARQ with router".
std::string scenarioText(const LinkDemo& demo);

struct PacketRef {
    Wire* wire = nullptr;
    int slot = -1;
    bool operator==(const PacketRef&) const = default;
};

// Packets in flight on the wires a user can see, oldest first (by the time
// they were put on their wire, then by wire and slot).
std::vector<PacketRef> packetsInFlight(LinkDemo& demo);

// A packet chosen from the keyboard. It follows its packet while it moves
// and is gone once the packet has left its slot.
class Selection {
public:
    // The next packet in flight (direction > 0) or the previous one; from no
    // selection, the oldest or the newest.
    void cycle(LinkDemo& demo, int direction);
    void clear() { m_ref.reset(); }
    // Chooses the packet in flight numbered `number`, data or acknowledgement
    // as `ack` says (the other kind when only that one is in flight), the
    // one put on its wire last when there are several; false, and nothing
    // chosen, when none is.
    bool choose(LinkDemo& demo, int number, bool ack);
    std::optional<PacketRef> current() const;
    // Destroys the chosen packet exactly as a click on it would; false when
    // there was none.
    bool destroy();

private:
    struct Held {
        PacketRef ref;
        int number;
        std::int64_t hopStarted;
        bool ack;
    };
    bool stillThere(const Held& h) const;
    std::optional<Held> m_ref;
};

// Keeps the start-time bar of every visible wire's trace on the present.
void followPresent(LinkDemo& demo);

// Speeds of the wall clock: 0.1x to 20x, 1x (the demonstration's own pace)
// by default.
class Pace {
public:
    static constexpr double kSpeeds[] = {0.1, 0.25, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0};
    static constexpr int kNormal = 3;

    double speed() const { return kSpeeds[m_index]; }
    int index() const { return m_index; }
    void setIndex(int i);
    void faster() { setIndex(m_index + 1); }
    void slower() { setIndex(m_index - 1); }
    // "1×", "0.25×", "20×".
    std::string speedText() const;

    // Simulated milliseconds for `realMs` more of real time at the speed in
    // force; fractions are carried to the next call, so that no time is lost
    // at slow speeds.
    std::int64_t advance(std::int64_t realMs);
    // Forgets the carried fraction (after a step, a reset of the clock).
    void drop() { m_carry = 0; }

private:
    int m_index = kNormal;
    double m_carry = 0;
};

}  // namespace presenter
