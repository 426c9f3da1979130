// SPDX-License-Identifier: MIT
#include "gui/mainwindow.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>

#include "gui/helpwindows.h"
#include "gui/lecture.h"
#include "gui/tooltips.h"
#include "gui/units.h"

namespace gui {

MainWindow::MainWindow(LinkDemo& demo, QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QString::fromStdString(demo.caption()));
    m_area = new QScrollArea(this);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setAlignment(Qt::AlignCenter);
    m_area->setWidgetResizable(false);
    m_demo = new DemoWindow(demo);
    m_area->setWidget(m_demo);
    QPalette pal = m_area->palette();
    pal.setColor(QPalette::Window, QColor(0x90, 0x90, 0x90));
    m_area->setPalette(pal);
    m_area->setBackgroundRole(QPalette::Window);
    setCentralWidget(m_area);

    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildLecture(demo);
    m_demo->onRefresh = [this] { refreshStatus(); };
    m_demo->onSettingsChanged = [this] { refreshSettings(); };
    refreshSettings();
    refreshStatus();
    m_area->setFocusPolicy(Qt::NoFocus);
    describeControls(*m_demo);
    // Sized around the demonstration at 100 %.
    m_area->setMinimumSize(m_demo->size());
    adjustSize();
    m_area->setMinimumSize(0, 0);
    // Taken into the scroll area, the demonstration's window has lost the
    // focus it gave its pause button.
    m_demo->focusControl(demo.cmdPause);
}

void MainWindow::buildMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    QAction* quit = m_fileMenu->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    m_viewMenu = menuBar()->addMenu(tr("&View"));
    QMenu* zoom = m_viewMenu->addMenu(tr("&Zoom"));
    m_zoomGroup = new QActionGroup(this);
    for (int percent : kZooms) {
        QAction* a = zoom->addAction(tr("%1 %").arg(percent), this, [this, percent] { setZoomPercent(percent); });
        a->setCheckable(true);
        a->setData(percent);
        m_zoomGroup->addAction(a);
    }
    QAction* fitAction = zoom->addAction(tr("&Fit to Window"), this, [this] { setZoomPercent(0); });
    fitAction->setCheckable(true);
    fitAction->setData(0);
    m_zoomGroup->addAction(fitAction);
    zoom->addSeparator();
    QAction* in = zoom->addAction(tr("Zoom &In"), this, &MainWindow::zoomIn);
    in->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    QAction* out = zoom->addAction(tr("Zoom &Out"), this, &MainWindow::zoomOut);
    out->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    QAction* actual = zoom->addAction(tr("&Actual Size"), this, [this] { setZoomPercent(100); });
    actual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));

    m_smooth = m_viewMenu->addAction(tr("&Smooth Motion"), this, [this](bool on) { m_demo->setSmoothMotion(on); });
    m_smooth->setCheckable(true);
    m_follow = m_viewMenu->addAction(tr("&Follow the Present") + QStringLiteral("\tF"), this,
                                     [this](bool on) { m_demo->setFollowPresent(on); });
    m_follow->setCheckable(true);

    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    m_helpMenu = menuBar()->addMenu(tr("&Help"));
    m_helpMenu->addAction(tr("&Colours and States"), this, [this] { showColours(this); });
    m_helpMenu->addAction(tr("&Keyboard"), this, [this] { showKeyboardHelp(this); });
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(tr("&About Link Demo"), this, [this] { showAbout(this); });
}

void MainWindow::buildLecture(LinkDemo& demo)
{
    // Built before any user action: the session is written down from here.
    m_lecture = new Lecture(*m_demo, demo, this);
    QAction* quit = m_fileMenu->actions().value(0);
    for (QAction* a : {m_lecture->exportTraceAction(), m_lecture->exportWindowAction()})
        m_fileMenu->insertAction(quit, a);
    m_fileMenu->insertSeparator(quit);
    for (QAction* a : {m_lecture->playAction(), m_lecture->pausePlayAction(), m_lecture->stepPlayAction(),
                       m_lecture->stopPlayAction(), m_lecture->recordAction()}) {
        m_fileMenu->insertAction(quit, a);
    }
    buildLessonsMenu(m_lecture->playAction());
    m_fileMenu->insertSeparator(quit);
    m_windowMenu->addAction(m_lecture->eventLogAction());

    m_lectureStatus = new QLabel(this);
    m_lectureStatus->hide();
    statusBar()->addPermanentWidget(m_lectureStatus);
    m_lecture->onStatus = [this](const QString& s) {
        m_lectureStatus->setText(s);
        m_lectureStatus->setVisible(!s.isEmpty());
    };
}

void MainWindow::buildLessonsMenu(QAction* before)
{
    QMenu* menu = new QMenu(tr("L&essons"), m_fileMenu);
    const QList<Lecture::LessonEntry> lessons = Lecture::lessons();
    for (Lecture::LessonEntry l : lessons) {
        // "&" in a title is a letter, not a shortcut's mark.
        l.title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        l.summary.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu->addAction(l.summary.isEmpty() ? l.title : l.title + QStringLiteral(" \u2014 ") + l.summary,
                                     this, [this, file = l.file] { m_lecture->play(file); });
        a->setToolTip(l.summary);
        a->setStatusTip(l.summary);
    }
    menu->setToolTipsVisible(true);
    if (lessons.isEmpty()) menu->addAction(tr("No lessons installed"))->setEnabled(false);
    m_fileMenu->insertMenu(before, menu);
    m_fileMenu->insertAction(before, m_lecture->waitAtCaptionsAction());
}

void MainWindow::buildToolBar()
{
    QToolBar* bar = addToolBar(tr("Pace"));
    bar->setMovable(false);
    bar->setFocusPolicy(Qt::NoFocus);
    QAction* step = bar->addAction(tr("Step"), this, [this] { m_demo->step(); });
    step->setToolTip(tr("One main tick of 100 ms, then paused (S)"));
    bar->addSeparator();
    bar->addWidget(new QLabel(tr(" Speed "), bar));
    m_speed = new QComboBox(bar);
    m_speed->setFocusPolicy(Qt::NoFocus);
    for (double s : presenter::Pace::kSpeeds) m_speed->addItem(QStringLiteral("%1\u00D7").arg(s));
    m_speed->setToolTip(tr("How fast simulated time passes (+ and -)"));
    connect(m_speed, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
        m_demo->pace().setIndex(i);
        refreshSettings();
        refreshStatus();
    });
    bar->addWidget(m_speed);
}

void MainWindow::buildStatusBar()
{
    m_clock = new QLabel(this);
    m_clock->setMinimumWidth(110);
    m_speedText = new QLabel(this);
    m_scenario = new QLabel(this);
    statusBar()->addWidget(m_clock);
    statusBar()->addWidget(m_speedText);
    statusBar()->addWidget(m_scenario, 1);
}

void MainWindow::refreshStatus()
{
    const LinkDemo& demo = m_demo->demo();
    const QString clock = QString::fromStdString(presenter::clockText(demo));
    if (m_clock->text() != clock) m_clock->setText(clock);
    const QString speed = tr("Speed %1").arg(QString::fromStdString(m_demo->pace().speedText()));
    if (m_speedText->text() != speed) m_speedText->setText(speed);
    const QString scenario = QString::fromStdString(presenter::scenarioText(demo));
    if (m_scenario->text() != scenario) m_scenario->setText(scenario);
}

void MainWindow::refreshSettings()
{
    if (m_speed->currentIndex() != m_demo->pace().index()) m_speed->setCurrentIndex(m_demo->pace().index());
    m_smooth->setChecked(m_demo->smoothMotion());
    m_follow->setChecked(m_demo->followPresent());
    for (QAction* a : m_zoomGroup->actions()) a->setChecked(a->data().toInt() == m_zoomPercent);
}

void MainWindow::setZoomPercent(int percent)
{
    m_zoomPercent = percent;
    if (percent == 0) {
        fit();
    } else {
        applyZoom(percent / 100.0);
        // Grow or shrink around the demonstration, unless the user sized the
        // window.
        if (!isMaximized() && !isFullScreen()) {
            m_area->setMinimumSize(m_demo->size());
            adjustSize();
            m_area->setMinimumSize(0, 0);
        }
    }
    refreshSettings();
}

void MainWindow::zoomIn()
{
    const int now = m_zoomPercent == 0 ? static_cast<int>(std::lround(zoom() * 100)) : m_zoomPercent;
    for (int p : kZooms) {
        if (p > now) {
            setZoomPercent(p);
            return;
        }
    }
}

void MainWindow::zoomOut()
{
    const int now = m_zoomPercent == 0 ? static_cast<int>(std::lround(zoom() * 100)) : m_zoomPercent;
    for (auto it = std::rbegin(kZooms); it != std::rend(kZooms); ++it) {
        if (*it < now) {
            setZoomPercent(*it);
            return;
        }
    }
}

void MainWindow::applyZoom(double z)
{
    if (std::abs(z - zoom()) < 1e-9) return;
    setZoom(z);
    m_demo->resyncAll();
    m_demo->repaintAll();
}

// The largest zoom at which the whole demonstration shows in the window.
void MainWindow::fit()
{
    const QSize room = m_area->viewport()->size();
    const QSize designed = m_demo->size() / zoom();
    if (designed.isEmpty() || room.isEmpty()) return;
    const double z = std::min(static_cast<double>(room.width()) / designed.width(),
                              static_cast<double>(room.height()) / designed.height());
    applyZoom(std::max(0.25, z));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_zoomPercent == 0) fit();
}

}  // namespace gui
