// SPDX-License-Identifier: MIT
#include "gui/demowindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QString>

#include "gui/units.h"
#include "packet/packet.h"
#include "session/tracefigure.h"
#include "session/tracetools.h"
#include "wire/trace.h"

namespace gui {

DemoWindow::DemoWindow(LinkDemo& demo, QWidget* parent) : ModelWindow(demo, parent), m_demo(demo)
{
    setWindowTitle(QString::fromStdString(demo.caption()));
    // A click on the background sends the focus home, to the pause button.
    gate().setHome(&demo.cmdPause);
    connect(this, &ModelWindow::backgroundClicked, this, [this] { m_demo.backgroundClick(); });
    using keys::Action;
    bindKey(Action::PauseButton, [this] { pressAsUser(m_demo.cmdPause); });
    bindKey(Action::Reset, [this] { pressAsUser(m_demo.cmdReset); });
    bindKey(Action::Step, [this] { step(); });
    bindKey(Action::Faster, [this] { faster(); });
    bindKey(Action::Slower, [this] { slower(); });
    bindKey(Action::Follow, [this] { setFollowPresent(!m_follow); });
    bindKey(Action::NextPacket, [this] { selectPacket(1); });
    bindKey(Action::PreviousPacket, [this] { selectPacket(-1); });
    bindKey(Action::DestroyPacket, [this] { destroySelectedPacket(); });
    // Escape also gives the focus back from a field (which keeps its text).
    bindKey(Action::Escape, [this] {
        clearSelection();
        focusControl(m_demo.cmdPause);
    });
    // The pause button is where the run starts: it has the focus at start-up
    // and after a scenario is picked from the list's pop-up, so that Space
    // or Return starts the run and no arrow key changes the scenario by
    // accident. Arrow keys on the closed list keep the focus there.
    focusControl(demo.cmdPause);

    for (Wire* wire : demo.wires()) {
        PictureView* picture = pictureFor(wire->Picture1);
        if (!picture) continue;
        // One second of the start-time bar per notch; away from the user is
        // back in time.
        picture->onWheel = [this, wire](int notches) {
            const int to = presenter::wheelScrollTarget(*wire, notches);
            act(
                wire->VScroll1, [wire, to] { wire->VScroll1.userScroll(to); },
                UserInput{UserInput::Kind::Scroll, scriptName(wire->VScroll1), {}, to});
        };
        picture->axis = [wire] {
            std::vector<PictureView::AxisMark> marks;
            for (const auto& m : wire->traceTable().timeAxis()) marks.push_back(PictureView::AxisMark{m.y, m.seconds});
            return marks;
        };
        // Left of the sending end's bar, where no line is drawn.
        picture->axisRoom = [wire] { return wire->traceTable().xOf(0); };
        picture->setDashedColour(TimeSequenceTrace::colourFor(PacketColour::kDataResent));
        picture->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(picture, &QWidget::customContextMenuRequested, this, [this, wire, picture](const QPoint& at) {
            QMenu menu(this);
            menu.addAction(tr("Clear trace"), this, [this, wire] { clearTrace(*wire); });
            emit traceMenuShown(menu, *wire);
            menu.exec(picture->mapToGlobal(at));
        });

        // Over the picture when the trace table is full.
        auto* notice = new QWidget(this);
        notice->setAutoFillBackground(true);
        QPalette pal = notice->palette();
        pal.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xC0));
        notice->setPalette(pal);
        auto* row = new QHBoxLayout(notice);
        row->setContentsMargins(6, 2, 2, 2);
        row->addWidget(new QLabel(tr("The trace is full (%1 packets).").arg(TimeSequenceTrace::kRecords), notice));
        auto* clear = new QPushButton(tr("Clear trace"), notice);
        clear->setFocusPolicy(Qt::NoFocus);
        connect(clear, &QPushButton::clicked, this, [this, wire] { clearTrace(*wire); });
        row->addWidget(clear);
        notice->hide();
        m_notices.push_back(Notice{wire, notice});

        auto* follow = new QPushButton(tr("Follow (F)"), this);
        follow->setFocusPolicy(Qt::NoFocus);
        follow->setToolTip(tr("The present has passed the last second this trace shows: follow it (F)"));
        follow->setAccessibleName(tr("Follow the present on the traces"));
        connect(follow, &QPushButton::clicked, this, [this] { setFollowPresent(true); });
        follow->hide();
        m_followNotices.push_back(FollowNotice{wire, follow});
    }

    // The base's first sync came before this window was whole.
    synced();
}

void DemoWindow::listChosen(widgets::ComboBox& list, bool fromPopup)
{
    if (&list == &m_demo.cmbScenario && fromPopup) focusControl(m_demo.cmdPause);
}

void DemoWindow::clockAdvanced()
{
    if (m_follow) presenter::followPresent(m_demo);
}

void DemoWindow::step()
{
    if (!m_demo.scheduler().canAdvance(m_demo.Timer1.interval())) return;
    act(
        m_demo.cmdPause,
        [this] {
            presenter::step(m_demo);
            if (m_follow) presenter::followPresent(m_demo);
        },
        UserInput{UserInput::Kind::Step, {}, {}, 0});
}

void DemoWindow::faster()
{
    pace().faster();
    tellSettings();
}

void DemoWindow::slower()
{
    pace().slower();
    tellSettings();
}

void DemoWindow::setSmoothMotion(bool on)
{
    if (on == m_smooth) return;
    m_smooth = on;
    // Back to the model's own places.
    if (!on) resyncAll();
    tellSettings();
}

void DemoWindow::setFollowPresent(bool on)
{
    if (on == m_follow) return;
    m_follow = on;
    if (on)
        act(
            m_demo, [this] { presenter::followPresent(m_demo); },
            UserInput{UserInput::Kind::Other, {}, "the traces following the present", 0});
    tellSettings();
}

void DemoWindow::tellSettings()
{
    emit settingsChanged();
    emit refreshed();
}

void DemoWindow::selectPacket(int direction)
{
    m_selection.cycle(m_demo, direction);
    showSelection();
}

void DemoWindow::clearSelection()
{
    m_selection.clear();
    showSelection();
}

bool DemoWindow::choosePacket(int number, bool ack)
{
    const bool found = m_selection.choose(m_demo, number, ack);
    showSelection();
    return found;
}

void DemoWindow::destroySelectedPacket()
{
    const auto ref = m_selection.current();
    if (!ref) return;
    m_destroyingByKey = true;
    act(
        ref->wire->cmdPacket[ref->slot], [this] { m_selection.destroy(); },
        UserInput{UserInput::Kind::Press, scriptName(ref->wire->cmdPacket[ref->slot]), {}, 0});
    m_destroyingByKey = false;
    showSelection();
}

void DemoWindow::clearTrace(Wire& wire)
{
    act(
        wire.Picture1, [this, &wire] { presenter::clearTrace(m_demo, wire); },
        UserInput{UserInput::Kind::Other, {}, "Clear trace of " + wire.name(), 0});
}

void DemoWindow::synced()
{
    placePackets();
    showSelection();
    showTraceNotices();
    showFollowNotices();
    thinTraceLabels();
    emit refreshed();
}

// Between two ticks each packet stands where the wire's timing puts it at
// the present moment of the tick; at a tick that is the model's own place.
void DemoWindow::placePackets()
{
    if (!m_smooth || m_demo.paused) return;
    const std::int64_t t = presenter::motionTime(m_demo);
    for (Wire* wire : m_demo.wires()) {
        if (!wire->reachable()) continue;
        for (int i = 0; i < Wire::kSlots; ++i) {
            const widgets::Button& b = wire->cmdPacket[i];
            if (!b.visible()) continue;
            if (const auto span = wire->spanAt(i, t)) placeAt(b, span->left, b.top(), span->width, b.height());
        }
    }
    finishPlacing();
}

void DemoWindow::showSelection()
{
    ButtonView* view = nullptr;
    if (const auto ref = m_selection.current()) {
        view = qobject_cast<ButtonView*>(widgetFor(ref->wire->cmdPacket[ref->slot]));
    }
    if (view == m_selectedView) return;
    if (m_selectedView) m_selectedView->setSelected(false);
    if (view) view->setSelected(true);
    m_selectedView = view;
}

void DemoWindow::showTraceNotices()
{
    for (const Notice& n : m_notices) {
        QWidget* picture = widgetFor(n.wire->Picture1);
        const bool show = presenter::traceFullShown(*n.wire);
        if (show) {
            const QPoint at = picture->mapTo(this, QPoint(4, 4));
            n.panel->adjustSize();
            n.panel->move(at);
            n.panel->raise();
        }
        if (n.panel->isHidden() == show) n.panel->setVisible(show);
    }
}

QWidget* DemoWindow::followNotice(const Wire& wire) const
{
    for (const FollowNotice& n : m_followNotices)
        if (n.wire == &wire) return n.panel;
    return nullptr;
}

void DemoWindow::showFollowNotices()
{
    for (FollowNotice& n : m_followNotices) {
        const bool show = n.state.update(*n.wire, m_demo.totalTime, m_follow);
        if (show) {
            QWidget* picture = widgetFor(n.wire->Picture1);
            n.panel->adjustSize();
            // At the bottom, where the present went out of view.
            const QPoint at = picture->mapTo(
                this, QPoint(picture->width() - n.panel->width() - 4, picture->height() - n.panel->height() - 4));
            n.panel->move(at);
            n.panel->raise();
        }
        if (n.panel->isHidden() == show) n.panel->setVisible(show);
    }
}

// Sequence labels that would cover one another are thinned on screen (the
// model keeps them all): the same rule the exported figure follows.
void DemoWindow::thinTraceLabels()
{
    for (Wire* wire : m_demo.wires()) {
        std::vector<figure::Box> boxes;
        std::vector<QWidget*> views;
        for (int i = 0; i < wire->txtTrace.size(); ++i) {
            const widgets::TextBox& t = wire->txtTrace[i];
            QWidget* view = widgetFor(t);
            if (!view || !t.visible()) continue;
            boxes.push_back({t.left(), t.top(), t.width(), t.height()});
            views.push_back(view);
        }
        const std::vector<bool> kept = figure::keptLabels(boxes);
        for (std::size_t i = 0; i < views.size(); ++i)
            if (views[i]->isHidden() == kept[i]) views[i]->setVisible(kept[i]);
    }
}

}  // namespace gui
