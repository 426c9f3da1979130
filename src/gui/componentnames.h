// SPDX-License-Identifier: MIT
// View → Component names: "Transmitter", "Wire 1", "Router", "Wire 2" and
// "Receiver" written beside each component shown, on the window's
// background outside the component's controls, at every zoom. Off, nothing
// of the window changes; the names take no clicks.
#pragma once

#include <vector>

#include <QString>

class QLabel;

namespace widgets {
class Control;
}

namespace gui {

class DemoWindow;

class ComponentNames {
public:
    explicit ComponentNames(DemoWindow& window);
    bool shown() const { return m_on; }
    void setShown(bool on);
    // Follows the components (after a sync or a change of zoom).
    void refresh();
    // The label of each name (tests).
    const std::vector<QLabel*>& labels() const { return m_labels; }

private:
    DemoWindow& m_window;
    bool m_on = false;
    std::vector<const widgets::Control*> m_components;
    // What each name stands beside: the component's frame, or a wire's line.
    std::vector<const widgets::Control*> m_marks;
    std::vector<QLabel*> m_labels;
};

}  // namespace gui
