// SPDX-License-Identifier: MIT
// Tooltips and screen-reader names for the controls of a model window: each
// control's widget tells its system name ("Wire1.cmdPacket(3)") and what it
// does. Nothing the window draws changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/modelwindow.h"

namespace gui {

// Describes every control of the window's model tree. Call once, after the
// window is built (the model never adds a control later).
void describeControls(ModelWindow& window);

class DemoWindow;

// The controls that show the run's state say it in plain words, from the
// explainer's descriptions: a packet on a wire, a transmitter or receiver
// slot, the Ready/Hold box. Their tooltip is the words (and what a click
// does), their screen-reader name the caption and the words, their
// description the words followed by the system name and purpose that
// describeControls gave. Refreshed after every sync, changed only where the
// words changed.
//
// The slots' numbers let the mouse through to their component, so over a
// slot the component's tooltip gives way to the slot's words.
class LiveDescriptions : public QObject {
public:
    // After describeControls.
    explicit LiveDescriptions(DemoWindow& window);
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The words of the slot under `at` (in the component's widget), if any.
    std::string slotWordsAt(QWidget* component, const QPoint& at) const;

    struct Item {
        QWidget* widget;
        std::function<std::string()> words;
        QString about;  // describeControls' text: "Wire1.cmdPacket(0): ..."
        QString click;  // what a click does, for the tooltip; may be empty
        QString shown;  // the words last set
    };
    void add(const widgets::Control& control, std::function<std::string()> words, const QString& click = {});
    DemoWindow& m_window;
    std::vector<Item> m_items;
};

}  // namespace gui
