// SPDX-License-Identifier: MIT
#include "session/labreport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include <nlohmann/json.hpp>

#include "shell/linkdemo.h"
#include "topology/scenario.h"

namespace labreport {

namespace {

struct FigureWords {
    const char* name;
    const char* key;
};

const FigureWords kFigures[] = {{"Elapsed (s)", "elapsed"},
                                {"Data sent", "dataSent"},
                                {"Retransmissions", "retransmissions"},
                                {"Delivered", "delivered"},
                                {"  under a wrong number", "deliveredWrong"},
                                {"Ignored", "ignored"},
                                {"Wrong", "wrong"},
                                {"Destroyed", "destroyed"},
                                {"  lost at random", "lost"},
                                {"Router drops", "routerDrops"},
                                {"ACKs sent", "acksSent"},
                                {"ACKs processed", "acksProcessed"},
                                {"RTT samples", "rttSamples"},
                                {"RTT estimate (s)", "rttEstimate"},
                                {"Retransmit time (s)", "retransmitTime"},
                                {"Goodput (packets/s)", "goodput"},
                                {"Utilisation", "utilisation"}};
constexpr std::size_t kRttEstimateRow = 13;
constexpr std::size_t kRetransmitTimeRow = 14;
constexpr std::size_t kGoodputRow = 15;
constexpr std::size_t kUtilisationRow = 16;

const char* const kNone = "\u2014";

const char* const kHelp =
    "<p><b>Measured</b> since the last reset or <i>Restart counts</i>, on the simulated clock. <b>Theory</b> for the "
    "settings in "
    "force, with t<sub>f</sub> = L / (4R<sub>1</sub>) and t<sub>a</sub> = 1 / (4R<sub>1</sub>) the "
    "transmission times of a data packet and an acknowledgement on Wire1, D<sub>1</sub> its delay, "
    "P<sub>tx</sub>, P<sub>rx</sub> the processing times.</p>"
    "<p><b>Cycle</b> (send a packet, get its acknowledgement back): T = t<sub>f</sub> + D<sub>1</sub> + "
    "P<sub>rx</sub> + t<sub>a</sub> + D<sub>1</sub> + P<sub>tx</sub>; with the router the hops over Wire2 "
    "are added, and the <b>bottleneck bound</b> B = t<sub>f1</sub> / max(t<sub>f1</sub>, t<sub>f2</sub>) "
    "(B = 1 on the direct link). A = T / t<sub>f</sub> is the textbook's <b>1 + 2a</b>.</p>"
    "<p><b>Without loss</b>: U = min(1, W&middot;t<sub>f</sub> / T, B) (the <b>sliding-window "
    "efficiency</b>; W = 1 for Stop and Wait; U = B with no window).</p>"
    "<p><b>With loss</b> p<sub>1</sub>, p<sub>2</sub> per wire, P = 1 &minus; ((1 &minus; p<sub>1</sub>)(1 "
    "&minus; p<sub>2</sub>))<sup>2</sup> is the chance that a packet or its acknowledgement is lost:<br>"
    "<b>Stop-and-wait ARQ efficiency</b> (1 &minus; P) / A;<br>"
    "<b>Go-back-N efficiency</b> (1 &minus; P) / (1 + (A &minus; 1)P) when W &ge; A, else W(1 &minus; P) / "
    "(A(1 &minus; P + WP));<br>"
    "<b>Selective-repeat efficiency</b> 1 &minus; P when W &ge; A, else W(1 &minus; P) / A;<br>"
    "each at most B. Stop and Wait and Sliding Window stall after a loss (0); No Controls and Software "
    "Flow do not react to it (B).</p>"
    "<p><b>Goodput</b> = U / t<sub>f</sub> packets per second ((1 &minus; p<sub>1</sub>)(1 &minus; "
    "p<sub>2</sub>)&middot;B / t<sub>f</sub> without error control: what survives). The measured goodput "
    "counts only the packets delivered under their own number. A packet the receiver takes under another "
    "packet's number (&ldquo;Wrong!&rdquo;: a loss that nothing repairs, or sequence numbers that wrap round "
    "within the windows) is delivered as corrupted data: it is counted <i>under a wrong number</i> and "
    "plotted apart as <i>Wrong</i>; without error control, most of what survives a loss is.</p>"
    "<p>Measured and theory differ: the link moves in 100 ms ticks, so every transmission and every "
    "wait is rounded up to a tick, and a lost packet is resent only after its timeout, which starts at "
    "25 s until the first round trip has been measured.</p>";

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string optionalNumber(const std::optional<double>& v)
{
    return v ? shortest(*v) : std::string();
}

// A round step for an axis over [0, span] with at most `ticks` steps.
double roundStep(double span, int ticks)
{
    const double raw = std::max(span, 1e-9) / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) return m * power;
    }
    return 10 * power;
}

}  // namespace

std::vector<FigureRow> figureRows(const lab::Figures& f)
{
    const double values[] = {static_cast<double>(f.elapsed) / 1000.0,
                             static_cast<double>(f.dataSent),
                             static_cast<double>(f.retransmissions),
                             static_cast<double>(f.delivered),
                             static_cast<double>(f.deliveredWrong),
                             static_cast<double>(f.ignored),
                             static_cast<double>(f.wrong),
                             static_cast<double>(f.destroyed),
                             static_cast<double>(f.lost),
                             static_cast<double>(f.routerDrops),
                             static_cast<double>(f.acksSent),
                             static_cast<double>(f.acksProcessed),
                             static_cast<double>(f.rttSamples),
                             static_cast<double>(f.rttEstimate) / 1000.0,
                             static_cast<double>(f.retransmitTime) / 1000.0,
                             f.goodput,
                             f.utilisation};
    const auto theoryText = [](const std::optional<double>& v) { return v ? fixed(*v, 3) : std::string(kNone); };
    std::vector<FigureRow> rows;
    rows.reserve(std::size(kFigures));
    for (std::size_t row = 0; row < std::size(kFigures); ++row) {
        const bool rtt = row == kRttEstimateRow || row == kRetransmitTimeRow;
        const int decimals = row == 0 ? 1 : rtt ? 2 : row >= kGoodputRow ? 3 : 0;
        // No estimate until a round trip has been measured.
        FigureRow r{kFigures[row].name, kFigures[row].key,
                    rtt && f.rttSamples == 0 ? std::string(kNone) : fixed(values[row], decimals), ""};
        if (row == kGoodputRow) r.theory = theoryText(f.theoryGoodput);
        if (row == kUtilisationRow) r.theory = theoryText(f.theoryUtilisation);
        rows.push_back(std::move(r));
    }
    return rows;
}

std::string settingsChangedText(const lab::Lab& lab)
{
    const auto at = lab.settingsChangedAt();
    if (!at) return {};
    return "Settings changed at " + fixed(static_cast<double>(*at) / 1000.0, 1) +
           " s: the theory is for the settings now in force";
}

std::string inForceText(const lab::Lab& lab)
{
    const lab::TheorySettings settings = lab.theorySettings();
    const std::string inForce = lab::substituted(settings, lab::theoryFor(settings));
    return inForce.empty() ? "With the settings in force the theory is undefined."
                           : "With the settings in force: " + inForce;
}

const char* formulasHelp()
{
    return kHelp;
}

Axis roundAxis(double top)
{
    const double step = roundStep(top, 5);
    return Axis{std::max(step, std::ceil(top / step - 1e-9) * step), step};
}

DeliveryPlot::Change DeliveryPlot::sample(const lab::Figures& f)
{
    if (f.elapsed == m_lastElapsed) return Change::None;
    Change change = Change::Appended;
    // A reset starts the plot afresh.
    if (f.elapsed < m_lastElapsed) {
        clear();
        change = Change::Rebuilt;
    }
    if (m_seconds.size() >= kMaxPoints) {
        // Keep every other point: the curve keeps its shape.
        for (std::vector<double>* v : {&m_seconds, &m_correct, &m_wrong}) {
            std::size_t kept = 0;
            for (std::size_t k = 0; k < v->size(); k += 2) (*v)[kept++] = (*v)[k];
            v->resize(kept);
        }
        change = Change::Rebuilt;
    }
    m_seconds.push_back(static_cast<double>(f.elapsed) / 1000.0);
    m_correct.push_back(static_cast<double>(f.delivered - f.deliveredWrong));
    m_wrong.push_back(static_cast<double>(f.deliveredWrong));
    m_lastElapsed = f.elapsed;
    return change;
}

void DeliveryPlot::clear()
{
    m_seconds.clear();
    m_correct.clear();
    m_wrong.clear();
    m_lastElapsed = -1;
}

PlotFrame plotFrame(const lab::Figures& f)
{
    PlotFrame frame;
    const double span = std::max(10.0, static_cast<double>(f.elapsed) / 1000.0);
    double top =
        std::max({5.0, static_cast<double>(f.delivered - f.deliveredWrong), static_cast<double>(f.deliveredWrong)});
    if (f.theoryGoodput) {
        frame.theoryEnd = *f.theoryGoodput * span;
        top = std::max(top, *frame.theoryEnd);
    }
    // The theory's line ends where the measured time does (or at 10 s).
    frame.x = roundAxis(span);
    frame.y = roundAxis(top * 1.05);
    return frame;
}

std::string shortest(double v)
{
#if defined(__EMSCRIPTEN__)
    // The web edition's library has no std::to_chars for doubles: JSON's
    // shortest form, which differs only far from the numbers shown here.
    if (!std::isfinite(v)) return "0";
    std::string text = nlohmann::json(v).dump();
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
    return text;
#else
    char buf[64];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
#endif
}

std::string csvHeader()
{
    return "scenario,router,window,bitRate,delay,length,loss,seed,seconds,"
           "elapsed,dataSent,retransmissions,delivered,ignored,wrong,destroyed,lost,routerDrops,acksSent,"
           "acksProcessed,rttSamples,rttEstimate,retransmitTime,goodput,utilisation,theoryUtilisation,"
           "theoryGoodput,deliveredWrong\n";
}

std::string csvRow(const CsvRun& r)
{
    const lab::Figures& f = r.figures;
    std::ostringstream o;
    o << '"' << kScenarioNames.at(static_cast<std::size_t>(r.scenario)) << "\"," << (r.router ? 1 : 0) << ','
      << r.window << ',' << shortest(r.bitRate) << ',' << shortest(r.delay) << ',' << r.length << ','
      << shortest(r.loss) << ',' << r.seed << ',' << r.seconds << ',' << f.elapsed << ',' << f.dataSent << ','
      << f.retransmissions << ',' << f.delivered << ',' << f.ignored << ',' << f.wrong << ',' << f.destroyed << ','
      << f.lost << ',' << f.routerDrops << ',' << f.acksSent << ',' << f.acksProcessed << ',' << f.rttSamples << ','
      << f.rttEstimate << ',' << f.retransmitTime << ',' << shortest(f.goodput) << ',' << shortest(f.utilisation) << ','
      << optionalNumber(f.theoryUtilisation) << ',' << optionalNumber(f.theoryGoodput) << ',' << f.deliveredWrong
      << '\n';
    return o.str();
}

CsvRun currentRun(const LinkDemo& demo)
{
    CsvRun r;
    const Topology topology = decodeTopology(demo.topology);
    r.scenario = topology.scenario;
    r.router = topology.router;
    r.window = demo.Transmitter1.window();
    r.bitRate = demo.Wire1.currentBitRate();
    r.delay = demo.Wire1.currentDelay();
    r.length = demo.Transmitter1.packetLength();
    r.loss = demo.lab().loss(1);
    r.seed = demo.lab().seed();
    r.seconds = demo.totalTime / 1000;
    r.figures = demo.lab().figures();
    return r;
}

std::string csv(const LinkDemo& demo)
{
    return csvHeader() + csvRow(currentRun(demo));
}

}  // namespace labreport
