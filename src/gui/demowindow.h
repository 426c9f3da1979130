// SPDX-License-Identifier: MIT
// The demonstration's main window on screen: the binding of the LinkDemo
// model with the window's caption, its background click and the keys, which
// act when the focused control does not take the key itself:
//   Space  the pause button ("Start"/"Pause"/"Cont")   R  "Reset"
//   S      one step of 100 ms                          +/-  faster/slower
//   F      follow the present on the traces
//   ] [    choose the next/previous packet in flight   Delete  destroy it
//   Escape forget the chosen packet
// It also offers, off by default, the smooth motion of the packets between
// two ticks and the traces following the present.
#pragma once

#include <vector>

#include <QMenu>
#include <QPushButton>

#include "gui/modelwindow.h"
#include "session/presenter.h"
#include "session/tracetools.h"
#include "shell/linkdemo.h"

namespace gui {

class DemoWindow : public ModelWindow {
    Q_OBJECT
public:
    explicit DemoWindow(LinkDemo& demo, QWidget* parent = nullptr);
    LinkDemo& demo() const { return m_demo; }

    // One main tick, as the pause button would give it.
    void step();
    void faster();
    void slower();

    bool smoothMotion() const { return m_smooth; }
    void setSmoothMotion(bool on);
    bool followPresent() const { return m_follow; }
    void setFollowPresent(bool on);

    presenter::Selection& selection() { return m_selection; }
    void selectPacket(int direction);
    void destroySelectedPacket();
    void clearSelection();
    // Chooses the packet in flight with `number` (an acknowledgement when
    // `ack`), as ] and [ would; false when none is in flight.
    bool choosePacket(int number, bool ack);
    // True while Delete destroys the chosen packet (the click it makes
    // comes from a key).
    bool destroyingByKey() const { return m_destroyingByKey; }

    // Starts a wire's trace afresh, the run going on.
    void clearTrace(Wire& wire);

signals:
    // After every sync and change of the settings, for what shows the state
    // around the window (a status bar).
    void refreshed();
    // A trace's context menu is about to open: receivers add their entries
    // (after "Clear trace").
    void traceMenuShown(QMenu& menu, Wire& wire);
    // The settings above changed (speed, smooth motion, following).
    void settingsChanged();

protected:
    void clockAdvanced() override;
    void synced() override;
    void listChosen(widgets::ComboBox& list, bool fromPopup) override;

private:
    void placePackets();
    void showSelection();
    void showTraceNotices();
    void showFollowNotices();
    void thinTraceLabels();
    void tellSettings();

    LinkDemo& m_demo;
    bool m_smooth = false;
    bool m_follow = false;
    presenter::Selection m_selection;
    ButtonView* m_selectedView = nullptr;
    bool m_destroyingByKey = false;
    struct Notice {
        Wire* wire;
        QWidget* panel;
    };
    std::vector<Notice> m_notices;
    // "Follow (F)" over a trace (presenter::FollowNotice).
    struct FollowNotice {
        Wire* wire;
        QWidget* panel;
        presenter::FollowNotice state{};
    };
    std::vector<FollowNotice> m_followNotices;

public:
    // The notice of `wire` (for tests); nullptr when it has none.
    QWidget* followNotice(const Wire& wire) const;
};

}  // namespace gui
