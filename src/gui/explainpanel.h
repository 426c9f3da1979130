// SPDX-License-Identifier: MIT
// The "What is happening" panel: a dock beside the demonstration that lists
// the explainer's sentences, newest on top, each with its simulated time. A
// click on a line chooses the packet it names, as the keys ] and [ do.
//
// The explainer exists only while the panel is shown: hidden, the panel
// costs the run nothing. Explainer or not, the model behaves the same.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QDockWidget>

#include "explain/explain.h"
#include "session/recorder.h"

class QListWidget;
class QListWidgetItem;

namespace gui {

class DemoWindow;

class ExplainPanel : public QDockWidget {
    Q_OBJECT
public:
    // Lines kept; older ones are dropped from the bottom.
    static constexpr int kMaxLines = 1000;
    // The panel's width when it opens, in pixels.
    static constexpr int kWidth = 330;

    // Built after whatever feeds on the window's user input (a recorder),
    // and destroyed before the window.
    explicit ExplainPanel(DemoWindow& window, QWidget* parent = nullptr);
    ~ExplainPanel() override;

    QListWidget* list() const { return m_list; }
    // The explainer while the panel is shown, else nullptr.
    explain::Explainer* explainer() const { return m_explainer.get(); }
    // Writes what the components did since the last call (after a sync).
    void flush();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void watch(bool on);
    void add(const explain::Line& line);
    void chosen(QListWidgetItem* item);

    DemoWindow& m_window;
    QListWidget* m_list;
    std::unique_ptr<explain::Explainer> m_explainer;
    std::int64_t m_lastTime = 0;
};

}  // namespace gui
