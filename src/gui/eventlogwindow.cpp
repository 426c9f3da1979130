// SPDX-License-Identifier: MIT
#include "gui/eventlogwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/toolzoom.h"

namespace gui {

namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

// The component an operation belongs to: "Receiver1" of "Receiver1.Arrive".
std::string targetComponent(topology::Target t)
{
    const std::string name = eventlog::targetName(t);
    return name.substr(0, name.find('.'));
}

}  // namespace

// ---- EventTableModel -------------------------------------------------------

int EventTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_events.size());
}

int EventTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant EventTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const eventlog::Event& e = event(index.row());
    const bool routed = e.target != topology::Target::Ignored;
    if (role == Qt::ForegroundRole) return routed ? QVariant() : QVariant(QColor(0x90, 0x90, 0x90));
    if (role == Qt::TextAlignmentRole) {
        const int c = index.column();
        return c == Time || c == Number || c == Sequence ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Time:
            return QString::number(static_cast<double>(e.time) / 1000.0, 'f', 3) + QStringLiteral(" s");
        case From:
            return text(eventlog::reporterName(e.iIndex));
        case Code:
            return text(eventlog::codeName(e.iType)) + QStringLiteral(" (%1)").arg(e.iType);
        case To:
            return routed ? QStringLiteral("\u2192 ") + text(eventlog::targetName(e.target)) : tr("not routed");
        case Number:
            return QStringLiteral("#%1").arg(e.Number);
        case Sequence:
            return e.showsSequence ? QStringLiteral("seq %1").arg(e.SequenceNumber) : QStringLiteral("\u2014");
        case Kind:
            return text(eventlog::kindName(e.Colour));
        default:
            return {};
    }
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeads[] = {"Time", "Reporter", "Event", "Routed to", "Packet", "Sequence", "Kind"};
    return section >= 0 && section < Columns ? tr(kHeads[section]) : QVariant();
}

void EventTableModel::append(const std::vector<eventlog::Event>& events)
{
    if (events.empty()) return;
    const int overflow = rowCount() + static_cast<int>(events.size()) - kMaxEvents;
    if (overflow > 0) {
        const int drop = std::min(overflow, rowCount());
        if (drop > 0) {
            beginRemoveRows({}, 0, drop - 1);
            m_events.erase(m_events.begin(), m_events.begin() + drop);
            endRemoveRows();
        }
    }
    auto first = events.begin();
    if (static_cast<int>(events.size()) > kMaxEvents) first = events.end() - kMaxEvents;
    const int n = static_cast<int>(events.end() - first);
    beginInsertRows({}, rowCount(), rowCount() + n - 1);
    m_events.insert(m_events.end(), first, events.end());
    endInsertRows();
}

void EventTableModel::clear()
{
    beginResetModel();
    m_events.clear();
    endResetModel();
}

// ---- EventFilter -----------------------------------------------------------

void EventFilter::setComponent(const QString& name)
{
    m_component = name.toStdString();
    invalidateFilter();
}

void EventFilter::setCode(int code)
{
    m_code = code;
    invalidateFilter();
}

bool EventFilter::filterAcceptsRow(int row, const QModelIndex&) const
{
    const auto& e = static_cast<const EventTableModel*>(sourceModel())->event(row);
    if (m_code >= 0 && e.iType != m_code) return false;
    if (m_component.empty()) return true;
    return eventlog::reporterName(e.iIndex) == m_component || targetComponent(e.target) == m_component;
}

// ---- EventLogWindow --------------------------------------------------------

void EventLogWindow::fitToFont()
{
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    const int w = m_view->fontMetrics().horizontalAdvance(QStringLiteral("M"));
    for (auto [column, chars] : {std::pair{0, 9}, {1, 11}, {2, 19}, {3, 22}, {4, 6}, {5, 7}}) {
        m_view->setColumnWidth(column, w * chars);
    }
}

void EventLogWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_view) fitToFont();
}

EventLogWindow::EventLogWindow(LinkDemo& demo, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(demo), m_model(this), m_filter(this)
{
    setWindowTitle(tr("Event log"));
    // Closing the demonstration ends the program, this window open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_filter.setSourceModel(&m_model);

    m_pause = new QCheckBox(tr("&Pause"), this);
    m_components = new QComboBox(this);
    m_components->addItem(tr("All components"), QString());
    for (const char* c : {"Transmitter1", "Wire1", "Queue1", "Wire2", "Receiver1", "Source1", "LinkDemo"})
        m_components->addItem(QString::fromLatin1(c), QString::fromLatin1(c));
    m_codes = new QComboBox(this);
    m_codes->addItem(tr("All events"), -1);
    for (int code = 0; code <= ACKSendCancelled; ++code) m_codes->addItem(text(eventlog::codeName(code)), code);
    m_codes->addItem(text(eventlog::codeName(ResetRequest)), static_cast<int>(ResetRequest));
    auto* clearButton = new QPushButton(tr("&Clear"), this);
    auto* saveButton = new QPushButton(tr("&Save CSV…"), this);
    m_status = new QLabel(this);

    m_view = new QTableView(this);
    m_view->setModel(&m_filter);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    fitToFont();
    const int w = m_view->fontMetrics().horizontalAdvance(QStringLiteral("M"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pause);
    bar->addWidget(m_components);
    bar->addWidget(m_codes);
    bar->addWidget(clearButton);
    bar->addWidget(saveButton);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    resize(w * 90, 480);
    followZoom(this, demo);

    connect(m_pause, &QCheckBox::toggled, this, [this](bool on) { setPaused(on); });
    connect(m_components, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int) {
        m_filter.setComponent(m_components->currentData().toString());
        updateStatus();
    });
    connect(m_codes, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int) {
        m_filter.setCode(m_codes->currentData().toInt());
        updateStatus();
    });
    connect(clearButton, &QPushButton::clicked, this, &EventLogWindow::clear);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getSaveFileName(this, tr("Save event log"), QStringLiteral("events.csv"),
                                                          tr("CSV file (*.csv)"));
        if (file.isEmpty()) return;
        const QString error = saveCsv(file);
        if (!error.isEmpty())
            QMessageBox::warning(this, tr("Save event log"), tr("Could not write %1: %2").arg(file, error));
    });
    connect(&m_flush, &QTimer::timeout, this, &EventLogWindow::flush);
    updateStatus();
}

EventLogWindow::~EventLogWindow()
{
    m_log.listen({});
}

void EventLogWindow::showEvent(QShowEvent* event)
{
    if (!m_log.listening()) m_log.listen([this](const eventlog::Event& e) { m_pending.push_back(e); });
    m_flush.start(100);
    QWidget::showEvent(event);
}

void EventLogWindow::hideEvent(QHideEvent* event)
{
    // Closed, the log reads nothing: the run is not slowed by it.
    m_log.listen({});
    m_flush.stop();
    flush();
    QWidget::hideEvent(event);
}

bool EventLogWindow::paused() const
{
    return m_pause->isChecked();
}

void EventLogWindow::setPaused(bool paused)
{
    if (m_pause->isChecked() != paused) m_pause->setChecked(paused);
    if (!paused) flush();
    updateStatus();
}

void EventLogWindow::setComponentFilter(const QString& name)
{
    const int i = m_components->findData(name);
    m_components->setCurrentIndex(i < 0 ? 0 : i);
}

void EventLogWindow::setCodeFilter(int code)
{
    const int i = m_codes->findData(code);
    m_codes->setCurrentIndex(i < 0 ? 0 : i);
}

void EventLogWindow::flush()
{
    // Paused, the list stands still; what happens meanwhile is kept and
    // shown on continuing.
    if (paused() || m_pending.empty()) {
        updateStatus();
        return;
    }
    QScrollBar* bar = m_view->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_model.append(m_pending);
    m_pending.clear();
    if (following) m_view->scrollToBottom();
    updateStatus();
}

void EventLogWindow::clear()
{
    m_pending.clear();
    m_model.clear();
    updateStatus();
}

QString EventLogWindow::saveCsv(const QString& file) const
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return out.errorString();
    std::string csv = eventlog::csvHeader() + "\n";
    for (int r = 0; r < m_filter.rowCount(); ++r) {
        csv += eventlog::toCsv(m_model.event(m_filter.mapToSource(m_filter.index(r, 0)).row())) + "\n";
    }
    if (out.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size()))
        return out.errorString();
    return {};
}

void EventLogWindow::updateStatus()
{
    QString s = tr("%n event(s) shown", nullptr, m_filter.rowCount());
    if (m_filter.rowCount() != m_model.rowCount()) s += tr(" of %1").arg(m_model.rowCount());
    if (!m_pending.empty()) s += tr("; %n waiting (paused)", nullptr, static_cast<int>(m_pending.size()));
    m_status->setText(s);
}

}  // namespace gui
