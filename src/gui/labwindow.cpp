// SPDX-License-Identifier: MIT
#include "gui/labwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValidator>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

#include "gui/toolzoom.h"
#include "gui/units.h"
#include "lab/lab.h"
#include "sweep/sweep.h"
#include "shell/linkdemo.h"

namespace gui {

namespace {

// Wall-clock ms between refreshes: live, without costing the demonstration.
constexpr int kRefreshMs = 250;
// The plot keeps at most this many measured points; older ones are thinned.
constexpr int kMaxPoints = 2000;

const char* const kFigureNames[] = {"Elapsed (s)",
                                    "Data sent",
                                    "Retransmissions",
                                    "Delivered",
                                    "  under a wrong number",
                                    "Ignored",
                                    "Wrong",
                                    "Destroyed",
                                    "  lost at random",
                                    "Router drops",
                                    "ACKs sent",
                                    "ACKs processed",
                                    "RTT samples",
                                    "RTT estimate (s)",
                                    "Retransmit time (s)",
                                    "Goodput (packets/s)",
                                    "Utilisation"};
// Object names of the value labels: the figures' names in `stats`.
const char* const kFigureKeys[] = {"elapsed",  "dataSent",      "retransmissions", "delivered",   "deliveredWrong",
                                   "ignored",  "wrong",         "destroyed",       "lost",        "routerDrops",
                                   "acksSent", "acksProcessed", "rttSamples",      "rttEstimate", "retransmitTime",
                                   "goodput",  "utilisation"};
constexpr int kRttEstimateRow = 13;
constexpr int kRetransmitTimeRow = 14;
constexpr int kGoodputRow = 15;
constexpr int kUtilisationRow = 16;

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

QString numberText(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

// A round step for an axis over [0, span] with at most `ticks` steps:
// 1, 2 or 5 times a power of ten.
double roundStep(double span, int ticks)
{
    const double raw = std::max(span, 1e-9) / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) return m * power;
    }
    return 10 * power;
}

// An axis from 0 to a whole number of round steps covering `top`.
void roundAxis(QValueAxis* axis, double top)
{
    const double step = roundStep(top, 5);
    const double end = std::max(step, std::ceil(top / step - 1e-9) * step);
    axis->setRange(0, end);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
}

}  // namespace

LabWindow::LabWindow(LinkDemo& demo, QWidget* parent) : QWidget(parent, Qt::Window), m_demo(demo)
{
    setWindowTitle(tr("Lab"));
    // Closing the demonstration ends the program, this window open or not.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* figures = new QGroupBox(tr("Figures"));
    auto* grid = new QGridLayout(figures);
    grid->addWidget(new QLabel(tr("<b>Measured</b>")), 0, 1, Qt::AlignRight);
    grid->addWidget(new QLabel(tr("<b>Theory</b>")), 0, 2, Qt::AlignRight);
    int row = 1;
    for (const char* name : kFigureNames) {
        grid->addWidget(new QLabel(tr(name)), row, 0);
        auto* value = new QLabel;
        value->setObjectName(QString::fromLatin1(kFigureKeys[row - 1]));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(56);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, 1);
        m_measured.push_back(value);
        ++row;
    }
    m_theoryGoodput = new QLabel;
    m_theoryGoodput->setObjectName(QStringLiteral("theoryGoodput"));
    m_theoryUtilisation = new QLabel;
    m_theoryUtilisation->setObjectName(QStringLiteral("theoryUtilisation"));
    for (QLabel* l : {m_theoryGoodput, m_theoryUtilisation}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(50);
    }
    grid->addWidget(m_theoryGoodput, 1 + kGoodputRow, 2);
    grid->addWidget(m_theoryUtilisation, 1 + kUtilisationRow, 2);

    auto* settings = new QGroupBox(tr("Loss"));
    auto* form = new QFormLayout(settings);
    for (int w = 0; w < 2; ++w) {
        auto* box = new QDoubleSpinBox;
        box->setRange(0, lab::Lab::kMaxLoss);
        box->setDecimals(3);
        box->setSingleStep(0.01);
        box->setValue(m_demo.lab().loss(w + 1));
        box->setAccessibleName(tr("Loss on Wire%1").arg(w + 1));
        box->setObjectName(QStringLiteral("lossWire%1").arg(w + 1));
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, w](double p) { lossEdited(w + 1, p); });
        form->addRow(tr("Wire%1 loss").arg(w + 1), box);
        m_loss[w] = box;
    }
    m_seed = new QLineEdit(QString::number(m_demo.lab().seed()));
    m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,19}")), m_seed));
    m_seed->setObjectName(QStringLiteral("seed"));
    m_seed->setToolTip(tr("The loss generator starts again from this seed at every reset"));
    connect(m_seed, &QLineEdit::editingFinished, this, &LabWindow::seedEdited);
    form->addRow(tr("Seed"), m_seed);
    // Chosen loss: the transmissions named here are lost half-way across.
    for (int w = 0; w < 2; ++w) {
        auto* edit = new QLineEdit(QString::fromStdString(lab::dropsText(m_demo.lab().drops(), w + 1)));
        edit->setPlaceholderText(tr("data 2, 4; ack 3"));
        edit->setAccessibleName(tr("Packets to lose on Wire%1").arg(w + 1));
        edit->setObjectName(QStringLiteral("dropWire%1").arg(w + 1));
        edit->setToolTip(
            tr("Lost half-way across, whatever the bit rate: kinds data, ack, ready, hold, each "
               "with packet numbers; N:K loses the K-th transmission of N"));
        connect(edit, &QLineEdit::editingFinished, this, [this, w] { dropsEdited(w + 1); });
        form->addRow(tr("Wire%1 lose").arg(w + 1), edit);
        m_drops[w] = edit;
    }

    auto* copy = new QPushButton(tr("Copy as CSV"));
    connect(copy, &QPushButton::clicked, this, &LabWindow::copyCsv);

    // Shown only once a setting changed after the counts began.
    m_changedBox = new QWidget;
    auto* changedRow = new QHBoxLayout(m_changedBox);
    changedRow->setContentsMargins(0, 0, 0, 0);
    m_changed = new QLabel;
    m_changed->setObjectName(QStringLiteral("settingsChanged"));
    m_changed->setWordWrap(true);
    auto* restart = new QPushButton(tr("Restart counts"));
    restart->setObjectName(QStringLiteral("restartCounts"));
    restart->setToolTip(tr("Count again from now, for the settings in force, without resetting the run"));
    connect(restart, &QPushButton::clicked, this, &LabWindow::restartCounts);
    changedRow->addWidget(m_changed, 1);
    changedRow->addWidget(restart);
    m_changedBox->hide();

    auto* left = new QVBoxLayout;
    left->addWidget(m_changedBox);
    left->addWidget(figures);
    left->addWidget(settings);
    left->addWidget(copy);
    left->addStretch(1);

    // The plot: correct and wrong deliveries against simulated seconds, and
    // the theory's goodput as a line through the origin.
    m_delivered = new QLineSeries;
    m_delivered->setName(tr("Correct"));
    m_wrong = new QLineSeries;
    m_wrong->setName(tr("Wrong"));
    QPen wrongPen(QColor(0xE0, 0x90, 0x20));
    wrongPen.setWidth(2);
    m_wrong->setPen(wrongPen);
    m_theory = new QLineSeries;
    m_theory->setName(tr("Theory"));
    QPen dashed(Qt::DashLine);
    dashed.setWidth(2);
    dashed.setColor(QColor(0xC0, 0x40, 0x40));
    m_theory->setPen(dashed);
    auto* chart = new QChart;
    chart->addSeries(m_delivered);
    chart->addSeries(m_wrong);
    chart->addSeries(m_theory);
    m_axisX = new QValueAxis;
    m_axisX->setTitleText(tr("Simulated time (s)"));
    m_axisX->setLabelFormat(QStringLiteral("%g"));
    m_axisY = new QValueAxis;
    m_axisY->setTitleText(tr("Packets delivered"));
    m_axisY->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    for (QLineSeries* s : {m_delivered, m_wrong, m_theory}) {
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_chartView = new QChartView(chart);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumSize(260, 300);

    m_inForce = new QLabel;
    m_inForce->setObjectName(QStringLiteral("inForce"));
    m_inForce->setWordWrap(true);
    m_inForce->setMargin(8);
    m_inForce->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* help = new QLabel(tr(kHelp));
    help->setWordWrap(true);
    help->setTextFormat(Qt::RichText);
    help->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    help->setMargin(8);
    auto* formulas = new QWidget;
    auto* formulasColumn = new QVBoxLayout(formulas);
    formulasColumn->setContentsMargins(0, 0, 0, 0);
    formulasColumn->addWidget(m_inForce);
    formulasColumn->addWidget(help, 1);

    auto* tabs = new QTabWidget;
    tabs->addTab(m_chartView, tr("Plot"));
    auto* helpScroll = new QScrollArea;
    helpScroll->setWidget(formulas);
    helpScroll->setWidgetResizable(true);
    helpScroll->setFrameShape(QFrame::NoFrame);
    tabs->addTab(helpScroll, tr("Formulas"));

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(tabs, 1);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &LabWindow::refresh);
    m_timer->start(kRefreshMs);
    refresh();
    followZoom(this);
}

LabWindow::~LabWindow() = default;

void LabWindow::lossEdited(int wire, double p)
{
    m_demo.lab().setLoss(wire, p);
    refresh();
}

void LabWindow::seedEdited()
{
    bool ok = false;
    const qulonglong seed = m_seed->text().toULongLong(&ok);
    if (ok) m_demo.lab().setSeed(seed);
    m_seed->setText(QString::number(m_demo.lab().seed()));
}

void LabWindow::restartCounts()
{
    m_demo.lab().restartCounts();
    refresh();
}

// A text that cannot be read leaves the list as it was and shows it again.
void LabWindow::dropsEdited(int wire)
{
    QLineEdit* edit = m_drops[wire - 1];
    if (const auto drops = lab::dropsFrom(edit->text().toStdString(), wire)) {
        m_demo.lab().clearDrops(wire);
        for (const lab::Drop& d : *drops) m_demo.lab().addDrop(d);
    }
    edit->setText(QString::fromStdString(lab::dropsText(m_demo.lab().drops(), wire)));
}

void LabWindow::refresh()
{
    const lab::Figures f = m_demo.lab().figures();
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
    for (std::size_t k = 0; k < m_measured.size(); ++k) {
        const int row = static_cast<int>(k);
        const int decimals = row == 0                                                ? 1
                             : (row == kRttEstimateRow || row == kRetransmitTimeRow) ? 2
                             : row >= kGoodputRow                                    ? 3
                                                                                     : 0;
        // No estimate until a round trip has been measured.
        const bool unmeasured = (row == kRttEstimateRow || row == kRetransmitTimeRow) && f.rttSamples == 0;
        m_measured[k]->setText(unmeasured ? QStringLiteral("—") : numberText(values[k], decimals));
    }
    if (const auto at = m_demo.lab().settingsChangedAt()) {
        m_changed->setText(tr("Settings changed at %1 s: the theory is for the settings now in force")
                               .arg(numberText(static_cast<double>(*at) / 1000.0, 1)));
        m_changedBox->show();
    } else {
        m_changedBox->hide();
    }
    const lab::TheorySettings settings = m_demo.lab().theorySettings();
    const std::string inForce = lab::substituted(settings, lab::theoryFor(settings));
    m_inForce->setText(inForce.empty() ? tr("With the settings in force the theory is undefined.")
                                       : tr("With the settings in force: %1").arg(QString::fromStdString(inForce)));
    const auto theoryText = [](const std::optional<double>& v) { return v ? numberText(*v, 3) : QStringLiteral("—"); };
    m_theoryGoodput->setText(theoryText(f.theoryGoodput));
    m_theoryUtilisation->setText(theoryText(f.theoryUtilisation));

    // A reset starts the plot afresh.
    const double seconds = static_cast<double>(f.elapsed) / 1000.0;
    const double correct = static_cast<double>(f.delivered - f.deliveredWrong);
    const double wrong = static_cast<double>(f.deliveredWrong);
    if (f.elapsed < m_lastElapsed) {
        m_delivered->clear();
        m_wrong->clear();
    }
    if (f.elapsed != m_lastElapsed) {
        for (QLineSeries* s : {m_delivered, m_wrong}) {
            if (s->count() < kMaxPoints) continue;
            // Keep every other point: the curve keeps its shape.
            const QList<QPointF> points = s->points();
            QList<QPointF> thinned;
            for (qsizetype k = 0; k < points.size(); k += 2) thinned.append(points[k]);
            s->replace(thinned);
        }
        m_delivered->append(seconds, correct);
        m_wrong->append(seconds, wrong);
        m_lastElapsed = f.elapsed;
    }
    const double span = std::max(10.0, seconds);
    m_theory->clear();
    if (f.theoryGoodput) {
        m_theory->append(0, 0);
        m_theory->append(span, *f.theoryGoodput * span);
    }
    roundAxis(m_axisX, span);
    double top = std::max({5.0, correct, wrong});
    if (f.theoryGoodput) top = std::max(top, *f.theoryGoodput * span);
    roundAxis(m_axisY, top * 1.05);

    // Changed elsewhere (the runner's commands through another binding, a
    // test): follow, but never rewrite what the user is typing.
    for (int w = 0; w < 2; ++w) {
        const double p = m_demo.lab().loss(w + 1);
        if (!m_loss[w]->hasFocus() && std::abs(m_loss[w]->value() - p) > 1e-9) {
            const QSignalBlocker block(m_loss[w]);
            m_loss[w]->setValue(p);
        }
    }
    const QString seed = QString::number(m_demo.lab().seed());
    if (!m_seed->hasFocus() && m_seed->text() != seed) m_seed->setText(seed);
    for (int w = 0; w < 2; ++w) {
        const QString drops = QString::fromStdString(lab::dropsText(m_demo.lab().drops(), w + 1));
        if (!m_drops[w]->hasFocus() && m_drops[w]->text() != drops) m_drops[w]->setText(drops);
    }
}

QString LabWindow::csv() const
{
    return QString::fromStdString(sweep::csvHeader() + sweep::csvRow(sweep::currentRun(m_demo)));
}

void LabWindow::copyCsv()
{
    QApplication::clipboard()->setText(csv());
}

void LabWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::FontChange || !m_chartView) return;
    QChart* chart = m_chartView->chart();
    const QFont f = font();
    QFont bold = f;
    bold.setBold(true);
    chart->setTitleFont(bold);
    chart->legend()->setFont(f);
    for (QValueAxis* axis : {m_axisX, m_axisY}) {
        axis->setLabelsFont(f);
        axis->setTitleFont(f);
    }
    m_chartView->setMinimumSize((QSizeF(260, 300) * zoom()).toSize());
}

void LabWindow::showBeside(const QWidget& demonstration)
{
    if (!isVisible()) {
        // Narrow enough to stand beside the demonstration on a 1600-pixel
        // screen at 100 %; larger with the zoom.
        resize(minimumSizeHint().expandedTo((QSizeF(590, 540) * zoom()).toSize()));
        const QRect frame = demonstration.frameGeometry();
        QPoint at(frame.right() + 8, frame.top());
        if (const QScreen* screen = demonstration.screen()) {
            const QRect avail = screen->availableGeometry();
            if (at.x() + width() > avail.right()) at.setX(std::max(avail.left(), avail.right() - width()));
        }
        move(at);
    }
    show();
    raise();
    activateWindow();
}

}  // namespace gui
