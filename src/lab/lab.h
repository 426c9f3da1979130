// SPDX-License-Identifier: MIT
// The lab: counts what happens on the link since the last reset, states the
// textbook figures for the settings in force beside them, and destroys
// packets at random on the routed wires.
//
// It watches the window's routing (LinkDemoObserver) and reads the
// components' running totals through a LinkView, which whoever builds the
// model hands it (the lab never names the window's model); it never takes
// part in a protocol. Random loss is the only thing it does to the model,
// and it does it as a user would: by clicking the packet's button on its
// wire, so the protocols see exactly the reports a click gives. Chosen loss
// is the same click, on a named transmission of a named packet.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "lab/theory.h"
#include "queue/queue.h"
#include "receiver/receiver.h"
#include "topology/route.h"
#include "transmitter/transmitter.h"
#include "widgets/controls.h"
#include "widgets/scheduler.h"
#include "wire/wire.h"

namespace lab {

// Every figure of one run since the last reset.
struct Figures {
    std::int64_t elapsed = 0;  // simulated ms
    std::uint64_t dataSent = 0;
    std::uint64_t retransmissions = 0;
    std::uint64_t delivered = 0;
    std::uint64_t ignored = 0;
    std::uint64_t wrong = 0;
    std::uint64_t destroyed = 0;
    std::uint64_t lost = 0;
    std::uint64_t routerDrops = 0;
    std::uint64_t acksSent = 0;
    std::uint64_t acksProcessed = 0;
    std::uint64_t rttSamples = 0;
    std::int64_t rttEstimate = 0;     // ms
    std::int64_t retransmitTime = 0;  // ms
    double goodput = 0;               // correct deliveries per simulated s
    double utilisation = 0;           // 0..1
    std::optional<double> theoryUtilisation;
    std::optional<double> theoryGoodput;
    // Of `delivered`, the packets delivered under another packet's number
    // (each one a "Wrong!" arrival); goodput leaves them out.
    std::uint64_t deliveredWrong = 0;
};

// The parts of the model the lab reads: the clock, the routed wires, the
// transmitter, the receiver and the router. Each must outlive the lab.
struct LinkView {
    widgets::Scheduler& scheduler;
    const std::int64_t& totalTime;  // simulated ms handed to the wires
    const widgets::Timer& clock;    // the main clock, whose ticks move the wires
    const int& topology;            // the scenario and router in force (decodeTopology)
    Transmitter& transmitter;
    Receiver& receiver;
    Wire& wire1;
    Wire& wire2;
    Queue& router;
};

// The kinds of packet a chosen loss names, by the packet's colour; a
// retransmitted data packet is data.
enum class PacketKind { Data, Ack, Ready, Hold, Other };
PacketKind kindOf(const Packet& p);
// "data", "ack", "ready", "hold"; nothing for another word.
std::optional<PacketKind> kindNamed(const std::string& word);
// The word kindNamed reads; "other" for Other.
const char* kindName(PacketKind kind);

// One chosen loss: the `transmission`-th time (from 1) that the packet of
// `kind` numbered `number` is put on routed wire `wire` (1 or 2) since the
// last reset, it is destroyed when its head is half-way across.
struct Drop {
    int wire = 1;
    PacketKind kind = PacketKind::Data;
    std::int32_t number = 0;
    int transmission = 1;

    bool operator==(const Drop&) const = default;
};

// A wire's chosen losses as a person writes them: kinds separated by ";",
// each a kind and its numbers separated by ",", a number N or N:K for its
// K-th transmission ("data 2, 4:2; ack 3"); empty for none. dropsFrom is
// nothing for a text it cannot read.
std::string dropsText(const std::vector<Drop>& drops, int wire);
std::optional<std::vector<Drop>> dropsFrom(const std::string& text, int wire);

class Lab : public LinkDemoObserver {
public:
    static constexpr double kMaxLoss = 0.5;
    static constexpr std::uint64_t kDefaultSeed = 1;

    // The window builds its lab last and adds it as its first observer.
    explicit Lab(const LinkView& link);
    ~Lab() override;
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    // Loss probability of routed wire 1 or 2, 0..kMaxLoss; false (and no
    // change) for another wire or a value outside the range.
    bool setLoss(int wire, double p);
    double loss(int wire) const;
    // Restarts the loss generator from `seed` now and at every reset.
    void setSeed(std::uint64_t seed);
    std::uint64_t seed() const { return m_seed; }

    // Told of each random loss just before its click: the wire and the slot
    // of the packet's button.
    std::function<void(Wire&, int)> onLoss;

    // Chosen loss: kept through resets, until cleared. addDrop is false
    // (and no change) for another wire or a transmission below 1.
    bool addDrop(const Drop& d);
    void clearDrops(int wire);
    const std::vector<Drop>& drops() const { return m_drops; }
    // Told of each chosen loss just before its click, as onLoss.
    std::function<void(Wire&, int)> onDrop;

    Figures figures() const;
    TheorySettings theorySettings() const;

    // Starts the counts afresh now, without a reset of the run: every
    // figure measures from this moment (the loss generator goes on).
    void restartCounts();
    // The simulated time at which the settings the theory depends on first
    // changed after the counts began; empty while they are those the counts
    // began with. A change before anything was counted is taken as the
    // start.
    std::optional<std::int64_t> settingsChangedAt() const;

    void packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target) override;
    void resetDone() override;

private:
    // A packet chosen to be lost: clicked once the wire's clock reaches `due`.
    struct Doomed {
        Wire* wire;
        int slot;
        Packet packet;  // what the slot held when it was put on
        std::int64_t due;
    };

    // A transmission a chosen loss names, on its wire since it was put on.
    struct Chosen {
        Wire* wire;
        int slot;
        Packet packet;  // what the slot held when it was put on
    };

    double draw();
    void choose(Wire& wire, int index, const Packet& pPacket);
    void settleChosen();
    void doom(Wire& wire, double p, const Packet& pPacket);
    void settle();
    void watchSettings();
    void startCounts();
    void settleRandom();
    std::uint64_t destroyedTotal() const;

    LinkView m_link;
    double m_loss[2] = {0, 0};
    std::uint64_t m_seed = kDefaultSeed;
    std::mt19937_64 m_engine{kDefaultSeed};
    std::vector<Doomed> m_doomed;
    std::vector<Drop> m_drops;
    std::vector<Chosen> m_chosen;
    // Transmissions since the last reset, by wire, kind and number.
    std::map<std::tuple<int, PacketKind, std::int32_t>, int> m_transmissions;
    std::uint64_t m_resets = 0;

    // Counted from the events since the last reset.
    std::uint64_t m_dataSent = 0;
    std::uint64_t m_retransmissions = 0;
    std::uint64_t m_acksSent = 0;
    std::uint64_t m_lost = 0;
    // Wire1's forward direction: busy time closed so far, and since when it
    // has been sending (sends open, by count).
    std::int64_t m_busyMs = 0;
    std::int64_t m_busySince = 0;
    int m_sending = 0;

    // When the counts began, with the settings then in force, and when
    // those first changed.
    std::int64_t m_since = 0;
    TheorySettings m_settings;
    std::optional<std::int64_t> m_changedAt;
    std::int64_t m_seenAt = 0;  // when they were last seen unchanged

    // The components' running totals when the counts began.
    Transmitter::Totals m_txBase;
    Receiver::Totals m_rxBase;
    std::uint64_t m_dropsBase = 0;
    std::uint64_t m_destroyedBase = 0;
};

}  // namespace lab
