// SPDX-License-Identifier: MIT
#include "gui/explainpanel.h"

#include <cstdio>

#include <QAccessible>
#include <QListWidget>
#include <QScrollBar>

#include "gui/demowindow.h"
#include "lab/lab.h"

namespace gui {

namespace {

constexpr int kPacketRole = Qt::UserRole;
constexpr int kAckRole = Qt::UserRole + 1;

}  // namespace

ExplainPanel::ExplainPanel(DemoWindow& window, QWidget* parent)
    : QDockWidget(tr("What is happening"), parent), m_window(window), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("explanations"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    m_list->setWordWrap(true);
    m_list->setAlternatingRowColors(true);
    m_list->setUniformItemSizes(false);
    m_list->setFocusPolicy(Qt::ClickFocus);
    m_list->setAccessibleName(tr("What is happening"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Room for a sentence on two or three lines, at a laptop's width.
    m_list->setMinimumWidth(260);
    setWidget(m_list);
    connect(m_list, &QListWidget::itemClicked, this, &ExplainPanel::chosen);
    connect(m_list, &QListWidget::itemActivated, this, &ExplainPanel::chosen);

    // A packet destroyed by a click or a key is said with its cause; the
    // recorder's feed (connected before, by the lecture tools) still comes first.
    connect(&m_window, &ModelWindow::userInput, this, [this](const UserInput& input) {
        if (!m_explainer || input.kind != UserInput::Kind::Press) return;
        int wire = 0;
        int slot = 0;
        if (std::sscanf(input.name.c_str(), "Wire%d.cmdPacket(%d)", &wire, &slot) == 2) {
            const auto cause = m_window.destroyingByKey() ? explain::Cause::Key : explain::Cause::Click;
            m_explainer->destroying(wire, slot, cause);
        }
    });
}

ExplainPanel::~ExplainPanel()
{
    watch(false);
    disconnect(&m_window, &ModelWindow::userInput, this, nullptr);
}

void ExplainPanel::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    watch(true);
}

// A minimised main window hides the panel too, without its being closed:
// it keeps watching then.
void ExplainPanel::hideEvent(QHideEvent* event)
{
    QDockWidget::hideEvent(event);
    if (isHidden()) watch(false);
}

void ExplainPanel::watch(bool on)
{
    LinkDemo& demo = m_window.demo();
    if (on == (m_explainer != nullptr)) return;
    if (!on) {
        demo.lab().onLoss = nullptr;
        m_explainer.reset();
        return;
    }
    m_explainer = std::make_unique<explain::Explainer>(demo);
    m_explainer->onLine = [this](const explain::Line& l) { add(l); };
    demo.lab().onLoss = [this](Wire& wire, int slot) {
        if (m_explainer) {
            m_explainer->destroying(&wire == &m_window.demo().Wire2 ? 2 : 1, slot, explain::Cause::RandomLoss);
        }
    };
}

void ExplainPanel::flush()
{
    if (m_explainer) m_explainer->flush();
}

void ExplainPanel::add(const explain::Line& line)
{
    const QString text = QString::fromStdString(line.text);
    // Scrolled down to read older lines: those stay in view.
    QListWidgetItem* reading = m_list->verticalScrollBar()->value() > 0 ? m_list->itemAt(0, 0) : nullptr;
    // The clock went back: the run was reset (or a scenario chosen).
    if (line.time < m_lastTime) {
        auto* reset = new QListWidgetItem(tr("\u2014 the run starts afresh \u2014"));
        reset->setTextAlignment(Qt::AlignCenter);
        reset->setFlags(Qt::ItemIsEnabled);
        m_list->insertItem(0, reset);
    }
    m_lastTime = line.time;
    auto* item = new QListWidgetItem(QStringLiteral("%1 s  %2").arg(line.time / 1000.0, 0, 'f', 1).arg(text));
    if (line.packet) {
        item->setData(kPacketRole, *line.packet);
        item->setData(kAckRole, line.acknowledgement);
        item->setToolTip(tr("Click to choose %1 %2 on its wire")
                             .arg(line.acknowledgement ? tr("acknowledgement") : tr("packet"))
                             .arg(*line.packet));
    }
    m_list->insertItem(0, item);
    while (m_list->count() > kMaxLines) {
        QListWidgetItem* last = m_list->takeItem(m_list->count() - 1);
        if (last == reading) reading = nullptr;
        delete last;
    }
    if (reading != nullptr) m_list->scrollToItem(reading, QAbstractItemView::PositionAtTop);
    // The newest line is what a screen reader is told (a description
    // change is announced by readers that follow the focused list).
    m_list->setAccessibleDescription(text);
    setAccessibleDescription(text);
}

void ExplainPanel::chosen(QListWidgetItem* item)
{
    if (item == nullptr || !item->data(kPacketRole).isValid()) return;
    m_window.choosePacket(item->data(kPacketRole).toInt(), item->data(kAckRole).toBool());
}

}  // namespace gui
