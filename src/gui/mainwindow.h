// SPDX-License-Identifier: MIT
// The demonstration's top-level window: the demonstration itself (its
// client area, exactly as designed) with, around it, a menu bar, a tool bar
// for the pace and a status bar with the simulated clock, the speed and the
// scenario. The window can be resized; the demonstration zooms (View menu,
// Ctrl+= / Ctrl+- / Ctrl+0) or fits the window.
#pragma once

#include <memory>

#include <QMainWindow>

#include "gui/demowindow.h"
#include "palette/palette.h"

class QActionGroup;
class QComboBox;
class QLabel;
class QSlider;
class QToolBar;
class QMenu;
class QScrollArea;

namespace gui {

class ComponentNames;
class ExplainPanel;
class Lecture;
class LiveDescriptions;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kZooms[] = {50, 67, 75, 90, 100, 125, 150, 175, 200};

    explicit MainWindow(LinkDemo& demo, QWidget* parent = nullptr);
    ~MainWindow() override;
    DemoWindow& demoWindow() { return *m_demo; }
    // Trace and window export, the event log, playing and recording.
    Lecture& lecture() { return *m_lecture; }

    // Zoom in per cent of the designed size; 0 fits the window.
    void setZoomPercent(int percent);
    // On a screen too small for the window at 100 % (a 1366×768 laptop),
    // takes the screen's available room and fits the demonstration into it;
    // otherwise changes nothing.
    void fitToScreen();
    int zoomPercent() const { return m_zoomPercent; }
    void zoomIn();
    void zoomOut();

    // The colour profile the window draws in (View > Profile); Standard
    // unless chosen. Redraws everything in it.
    void setProfile(palette::Profile p);
    palette::Profile profile() const;

    // The menus, for features that add their entries.
    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* windowMenu() const { return m_windowMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }

    // The "What is happening" panel (View → Explanations), the names on the
    // components (View → Component names) and Help → Getting started.
    ExplainPanel& explainPanel() { return *m_explainPanel; }
    QAction* explanationsAction() const { return m_explanationsAction; }
    ComponentNames& componentNames() { return *m_componentNames; }
    QAction* componentNamesAction() const { return m_componentNamesAction; }
    QAction* gettingStartedAction() const { return m_gettingStartedAction; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void refreshStatus();
    void refreshSettings();
    void applyZoom(double z);
    void fit();

    void buildLecture(LinkDemo& demo);
    void buildProfileMenu();
    void buildExplanations();
    // File → Lessons: the installed lessons, each played by its entry.
    void buildLessonsMenu(QAction* before);
    // Back in time: Shift+S, Shift+Left and the tool bar's time slider.
    void buildRewind();
    void refreshTimeline();

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
    QActionGroup* m_profileGroup = nullptr;
    QAction* m_smooth = nullptr;
    QAction* m_follow = nullptr;
    QComboBox* m_speed = nullptr;
    QAction* m_pauseAction = nullptr;  // the pause button's caption and action
    QToolBar* m_toolBar = nullptr;
    QSlider* m_timeline = nullptr;  // the run so far, in main ticks
    bool m_hintShown = false;       // "New here? Press F1", once
    QLabel* m_clock = nullptr;
    QLabel* m_speedText = nullptr;
    QLabel* m_scenario = nullptr;

    ExplainPanel* m_explainPanel = nullptr;
    QAction* m_explanationsAction = nullptr;
    std::unique_ptr<ComponentNames> m_componentNames;
    QAction* m_componentNamesAction = nullptr;
    QAction* m_gettingStartedAction = nullptr;
    std::unique_ptr<LiveDescriptions> m_live;
    // The status bar's line about a typed setting that cannot be used as
    // typed; shown when it changes.
    void refreshSettingProblem();
    QString m_settingProblem;

public:
    // The line last shown about a typed setting (empty: none), for tests.
    QString settingProblem() const { return m_settingProblem; }
};

}  // namespace gui
