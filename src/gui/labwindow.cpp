// SPDX-License-Identifier: MIT
#include "gui/labwindow.h"

#include <algorithm>
#include <cmath>

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

#include "gui/toolzoom.h"
#include "gui/units.h"
#include "lab/lab.h"
#include "session/labreport.h"
#include "shell/linkdemo.h"

namespace gui {

namespace {

// Wall-clock ms between refreshes: live, without costing the demonstration.
constexpr int kRefreshMs = 250;

void setAxis(QValueAxis* axis, const labreport::Axis& a)
{
    axis->setRange(0, a.end);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(a.step);
}

void setPoints(QLineSeries* series, const std::vector<double>& x, const std::vector<double>& y)
{
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(x.size()));
    for (std::size_t k = 0; k < x.size(); ++k) points.append(QPointF(x[k], y[k]));
    series->replace(points);
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
    for (const labreport::FigureRow& figure : labreport::figureRows(m_demo.lab().figures())) {
        grid->addWidget(new QLabel(tr(figure.name)), row, 0);
        auto* value = new QLabel;
        value->setObjectName(QString::fromLatin1(figure.key));
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
    // The rows with a theory: goodput and utilisation, the last two.
    grid->addWidget(m_theoryGoodput, row - 2, 2);
    grid->addWidget(m_theoryUtilisation, row - 1, 2);

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
    m_delivered->setName(tr(labreport::kCorrectName));
    QPen correctPen{QColor(QRgb(labreport::kCorrectColour))};
    correctPen.setWidth(2);
    m_delivered->setPen(correctPen);
    m_wrong = new QLineSeries;
    m_wrong->setName(tr(labreport::kWrongName));
    QPen wrongPen{QColor(QRgb(labreport::kWrongColour))};
    wrongPen.setWidth(2);
    m_wrong->setPen(wrongPen);
    m_theory = new QLineSeries;
    m_theory->setName(tr(labreport::kTheoryName));
    QPen dashed(Qt::DashLine);
    dashed.setWidth(2);
    dashed.setColor(QColor(QRgb(labreport::kTheoryColour)));
    m_theory->setPen(dashed);
    auto* chart = new QChart;
    chart->addSeries(m_delivered);
    chart->addSeries(m_wrong);
    chart->addSeries(m_theory);
    m_axisX = new QValueAxis;
    m_axisX->setTitleText(tr(labreport::kTimeAxisTitle));
    m_axisX->setLabelFormat(QStringLiteral("%g"));
    m_axisY = new QValueAxis;
    m_axisY->setTitleText(tr(labreport::kCountAxisTitle));
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
    auto* help = new QLabel(tr(labreport::formulasHelp()));
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
    followZoom(this, demo);
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
    const std::vector<labreport::FigureRow> rows = labreport::figureRows(f);
    for (std::size_t k = 0; k < m_measured.size(); ++k)
        m_measured[k]->setText(QString::fromStdString(rows[k].measured));
    m_theoryGoodput->setText(QString::fromStdString(rows[rows.size() - 2].theory));
    m_theoryUtilisation->setText(QString::fromStdString(rows.back().theory));
    const std::string changed = labreport::settingsChangedText(m_demo.lab());
    m_changed->setText(QString::fromStdString(changed));
    m_changedBox->setVisible(!changed.empty());
    m_inForce->setText(QString::fromStdString(labreport::inForceText(m_demo.lab())));

    switch (m_plot.sample(f)) {
        case labreport::DeliveryPlot::Change::None:
            break;
        case labreport::DeliveryPlot::Change::Appended:
            m_delivered->append(m_plot.seconds().back(), m_plot.correct().back());
            m_wrong->append(m_plot.seconds().back(), m_plot.wrong().back());
            break;
        case labreport::DeliveryPlot::Change::Rebuilt:
            setPoints(m_delivered, m_plot.seconds(), m_plot.correct());
            setPoints(m_wrong, m_plot.seconds(), m_plot.wrong());
            break;
    }
    const labreport::PlotFrame frame = labreport::plotFrame(f);
    m_theory->clear();
    if (frame.theoryEnd) {
        m_theory->append(0, 0);
        m_theory->append(frame.x.end, *frame.theoryEnd);
    }
    setAxis(m_axisX, frame.x);
    setAxis(m_axisY, frame.y);

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
    return QString::fromStdString(labreport::csv(m_demo));
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
    m_chartView->setMinimumSize((QSizeF(260, 300) * toolZoom(*this)).toSize());
}

void LabWindow::showBeside(const QWidget& demonstration)
{
    if (!isVisible()) {
        // Narrow enough to stand beside the demonstration on a 1600-pixel
        // screen at 100 %; larger with the zoom.
        resize(minimumSizeHint().expandedTo((QSizeF(590, 540) * toolZoom(*this)).toSize()));
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
