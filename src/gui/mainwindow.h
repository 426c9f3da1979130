// SPDX-License-Identifier: MIT
// The demonstration's top-level window: the demonstration itself (its
// client area, exactly as designed) with, around it, a menu bar, a tool bar
// for the pace and a status bar with the simulated clock, the speed and the
// scenario. The window can be resized; the demonstration zooms (View menu,
// Ctrl+= / Ctrl+- / Ctrl+0) or fits the window.
#pragma once

#include <QMainWindow>

#include "gui/demowindow.h"

class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;

namespace gui {

class Lecture;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kZooms[] = {100, 125, 150, 175, 200};

    explicit MainWindow(LinkDemo& demo, QWidget* parent = nullptr);
    DemoWindow& demoWindow() { return *m_demo; }
    // Trace and window export, the event log, playing and recording.
    Lecture& lecture() { return *m_lecture; }

    // Zoom in per cent of the designed size; 0 fits the window.
    void setZoomPercent(int percent);
    int zoomPercent() const { return m_zoomPercent; }
    void zoomIn();
    void zoomOut();

    // The menus, for features that add their entries.
    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* windowMenu() const { return m_windowMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void refreshStatus();
    void refreshSettings();
    void applyZoom(double z);
    void fit();

    void buildLecture(LinkDemo& demo);
    // File → Lessons: the installed lessons, each played by its entry.
    void buildLessonsMenu(QAction* before);

    DemoWindow* m_demo;
    Lecture* m_lecture = nullptr;
    QLabel* m_lectureStatus = nullptr;
    QScrollArea* m_area;
    int m_zoomPercent = 100;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QActionGroup* m_zoomGroup = nullptr;
    QAction* m_smooth = nullptr;
    QAction* m_follow = nullptr;
    QComboBox* m_speed = nullptr;
    QLabel* m_clock = nullptr;
    QLabel* m_speedText = nullptr;
    QLabel* m_scenario = nullptr;
};

}  // namespace gui
