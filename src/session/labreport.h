// SPDX-License-Identifier: MIT
// What the Lab shows of the model's lab, in its words and numbers, for every
// binding alike (the Qt window, the page): the rows of figures beside the
// theory, the notice of a changed setting, the formula in force with its
// numbers, the Formulas help, the plot of correct and wrong deliveries with
// its theory line and round axes, and Copy as CSV (the sweep's columns).
// Only the drawing is the binding's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lab/lab.h"

class LinkDemo;

namespace labreport {

// One row of the figures: its words, the name `stats` gives it, the measured
// value as shown ("—" where nothing is measured yet) and the theory's value
// ("" where the theory states none for the row).
struct FigureRow {
    const char* name;
    const char* key;
    std::string measured;
    std::string theory;
};
std::vector<FigureRow> figureRows(const lab::Figures& f);

// "Settings changed at 20.0 s: …" once a setting the theory depends on
// changed after the counts began; "" while none has.
std::string settingsChangedText(const lab::Lab& lab);
// The formula in force with its numbers substituted, as one sentence.
std::string inForceText(const lab::Lab& lab);
// The Formulas help, as rich text (a few HTML tags and entities).
const char* formulasHelp();

// The plot's words.
inline constexpr const char* kCorrectName = "Correct";
inline constexpr const char* kWrongName = "Wrong";
inline constexpr const char* kTheoryName = "Theory";
inline constexpr const char* kTimeAxisTitle = "Simulated time (s)";
inline constexpr const char* kCountAxisTitle = "Packets delivered";
// The plot's colours (0xRRGGBB), the same in every colour profile: the
// correct deliveries, the wrong ones, and the theory's line (dashed).
inline constexpr int kCorrectColour = 0x209FDF;
inline constexpr int kWrongColour = 0xE09020;
inline constexpr int kTheoryColour = 0xC04040;

// An axis from 0 to `end` in ticks `step` apart: 1, 2 or 5 times a power of
// ten, at most five of them, covering `top`.
struct Axis {
    double end = 0;
    double step = 0;
};
Axis roundAxis(double top);

// Correct and wrong deliveries against simulated seconds, one point for each
// sample at which the elapsed time moved; a reset (the elapsed time going
// back) starts the curves afresh, and beyond kMaxPoints every other point is
// dropped, so that the curves keep their shape.
class DeliveryPlot {
public:
    static constexpr std::size_t kMaxPoints = 2000;
    enum class Change { None, Appended, Rebuilt };

    // Takes the figures in. Appended: one point was added at the end;
    // Rebuilt: the points before it changed too (cleared or thinned).
    Change sample(const lab::Figures& f);
    void clear();

    const std::vector<double>& seconds() const { return m_seconds; }
    const std::vector<double>& correct() const { return m_correct; }
    const std::vector<double>& wrong() const { return m_wrong; }

private:
    std::vector<double> m_seconds, m_correct, m_wrong;
    std::int64_t m_lastElapsed = -1;
};

// The plot's frame for the figures: the axes, and the theory's line from the
// origin to (x.end, theoryEnd) where the theory states a goodput.
struct PlotFrame {
    Axis x, y;
    std::optional<double> theoryEnd;
};
PlotFrame plotFrame(const lab::Figures& f);

// Copy as CSV: one run's settings and figures, in the sweep's columns.
struct CsvRun {
    int scenario = 0;
    bool router = false;
    int window = 0;
    double bitRate = 0, delay = 0;
    int length = 0;
    double loss = 0;
    std::uint64_t seed = lab::Lab::kDefaultSeed;
    std::int64_t seconds = 0;
    lab::Figures figures;
};
std::string csvHeader();
std::string csvRow(const CsvRun& r);
// The run `demo` holds now: its scenario, router, Wire1's loss, the seed and
// the whole simulated seconds elapsed, with the values in force.
CsvRun currentRun(const LinkDemo& demo);
// The header and the current run's row.
std::string csv(const LinkDemo& demo);

// The shortest text that reads back as the same double.
std::string shortest(double v);

}  // namespace labreport
