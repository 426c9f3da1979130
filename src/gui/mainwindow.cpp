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
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "explain/explain.h"
#include "gui/componentnames.h"
#include "gui/explainpanel.h"
#include "gui/guide.h"
#include "gui/helpwindows.h"
#include "gui/keymap.h"
#include "gui/lecture.h"
#include "gui/profile.h"
#include "gui/tooltips.h"
#include "gui/units.h"

namespace gui {

namespace {

// A status bar field that gives up room when the window is narrow: its text
// is cut short with an ellipsis instead of running into its neighbour.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override
    {
        return {std::min(QLabel::minimumSizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("t = 0…"))),
                QLabel::minimumSizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect room = contentsRect();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(room, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
    }
};

}  // namespace

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
    buildProfileMenu();
    buildToolBar();
    buildStatusBar();
    buildLecture(demo);
    buildRewind();
    connect(m_demo, &DemoWindow::refreshed, this, &MainWindow::refreshStatus);
    connect(m_demo, &DemoWindow::settingsChanged, this, &MainWindow::refreshSettings);
    refreshSettings();
    refreshStatus();
    m_area->setFocusPolicy(Qt::NoFocus);
    describeControls(*m_demo);
    buildExplanations();
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
    in->setShortcuts(sequencesFor(keys::Action::ZoomIn));
    QAction* out = zoom->addAction(tr("Zoom &Out"), this, &MainWindow::zoomOut);
    out->setShortcuts(sequencesFor(keys::Action::ZoomOut));
    QAction* actual = zoom->addAction(tr("&Actual Size"), this, [this] { setZoomPercent(100); });
    actual->setShortcuts(sequencesFor(keys::Action::ZoomActual));

    m_smooth = m_viewMenu->addAction(tr("&Smooth Motion"), this, [this](bool on) { m_demo->setSmoothMotion(on); });
    m_smooth->setCheckable(true);
    m_follow = m_viewMenu->addAction(tr("&Follow the Present") + QStringLiteral("\tF"), this,
                                     [this](bool on) { m_demo->setFollowPresent(on); });
    m_follow->setCheckable(true);
    m_follow->setIconText(tr("Follow"));
    m_follow->setToolTip(tr("Keep the traces on the present moment (F)"));

    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    m_helpMenu = menuBar()->addMenu(tr("&Help"));
    m_helpMenu->addAction(tr("&Colours and States"), this, [this] { showColours(this); });
    m_helpMenu->addAction(tr("&Keyboard"), this, [this] { showKeyboardHelp(this); });
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(tr("&About Link Demo"), this, [this] { showAbout(this); });
}

// View > Profile: the colour profiles, one at a time.
void MainWindow::buildProfileMenu()
{
    QMenu* menu = m_viewMenu->addMenu(tr("&Profile"));
    m_profileGroup = new QActionGroup(this);
    m_profileGroup->setExclusive(true);
    const std::pair<palette::Profile, QString> items[] = {
        {palette::Profile::Standard, tr("&Standard")},
        {palette::Profile::Projector, tr("&Projector")},
        {palette::Profile::ColourVision, tr("&Colour vision")},
    };
    for (const auto& [p, title] : items) {
        QAction* a = menu->addAction(title, this, [this, p = p] { setProfile(p); });
        a->setCheckable(true);
        a->setChecked(p == gui::profile());
        a->setData(static_cast<int>(p));
        m_profileGroup->addAction(a);
    }
}

palette::Profile MainWindow::profile() const
{
    return gui::profile();
}

void MainWindow::setProfile(palette::Profile p)
{
    gui::setProfile(p);
    for (QAction* a : m_profileGroup->actions()) a->setChecked(a->data().toInt() == static_cast<int>(p));
    QFont clockFont = font();
    if (palette::look(p).largeClock) {
        clockFont.setPointSizeF(clockFont.pointSizeF() * 1.6);
        clockFont.setBold(true);
    }
    m_clock->setFont(clockFont);
    m_clock->setMinimumWidth(
        std::max(110, QFontMetrics(clockFont).horizontalAdvance(QStringLiteral("t = 00000.0 s  "))));
    // The status bar may have grown: the window grows with it, unless the
    // user sized it.
    if (m_zoomPercent != 0 && !isMaximized() && !isFullScreen()) {
        statusBar()->layout()->activate();
        layout()->activate();
        m_area->setMinimumSize(m_demo->size());
        adjustSize();
        m_area->setMinimumSize(0, 0);
    }
    m_demo->resyncAll();
    m_demo->repaintAll();
    // The colour legend is drawn afresh in the new profile.
    if (QWidget* legend = findChild<QWidget*>(QStringLiteral("helpColours"), Qt::FindDirectChildrenOnly)) {
        const bool shown = legend->isVisible();
        delete legend;
        if (shown) showColours(this);
    }
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

    m_lectureStatus = new ElidingLabel(this);
    m_lectureStatus->hide();
    statusBar()->addPermanentWidget(m_lectureStatus);
    m_lecture->onStatus = [this](const QString& s) {
        m_lectureStatus->setText(s);
        m_lectureStatus->setVisible(!s.isEmpty());
    };
}

MainWindow::~MainWindow()
{
    // Before the demonstration it watches; no refresh after this.
    delete m_explainPanel;
    // The lecture tools unhook themselves from the demonstration's window,
    // which must still be whole then (as a child of it, the lecture would
    // go only after the window's own members).
    delete m_lecture;
    m_lecture = nullptr;
    disconnect(m_demo, nullptr, this, nullptr);
}

void MainWindow::buildExplanations()
{
    m_live = std::make_unique<LiveDescriptions>(*m_demo);
    m_componentNames = std::make_unique<ComponentNames>(*m_demo);
    m_explainPanel = new ExplainPanel(*m_demo, this);
    addDockWidget(Qt::RightDockWidgetArea, m_explainPanel);
    m_explainPanel->hide();

    QAction* first = m_viewMenu->actions().value(0);
    m_explanationsAction = m_explainPanel->toggleViewAction();
    m_explanationsAction->setText(tr("&Explanations"));
    m_viewMenu->insertAction(first, m_explanationsAction);
    // The window grows by the panel where the screen has room, so that the
    // demonstration keeps its place and size; it shrinks back when closed.
    connect(m_explanationsAction, &QAction::toggled, this, [this](bool on) {
        if (isMaximized() || isFullScreen() || !isVisible()) return;
        const int extra = ExplainPanel::kWidth + 8;
        resizeDocks({m_explainPanel}, {ExplainPanel::kWidth}, Qt::Horizontal);
        int w = width() + (on ? extra : -extra);
        if (const QScreen* s = screen()) w = std::min(w, s->availableGeometry().width() - (x() - s->geometry().x()));
        resize(std::max(w, minimumSizeHint().width()), height());
    });
    m_componentNamesAction = new QAction(tr("Component &names"), this);
    m_componentNamesAction->setCheckable(true);
    connect(m_componentNamesAction, &QAction::toggled, this, [this](bool on) { m_componentNames->setShown(on); });
    m_viewMenu->insertAction(first, m_componentNamesAction);
    m_viewMenu->insertSeparator(first);

    m_gettingStartedAction = new QAction(tr("&Getting started"), this);
    m_gettingStartedAction->setShortcuts(sequencesFor(keys::Action::GettingStarted));
    m_gettingStartedAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_gettingStartedAction, &QAction::triggered, this, [this] { showGettingStarted(this); });
    QAction* colours = m_helpMenu->actions().value(0);
    m_helpMenu->insertAction(colours, m_gettingStartedAction);
    m_helpMenu->insertSeparator(colours);

    // After every sync: the sentences of a Step or a click, the words of the
    // controls, the names following the components.
    connect(m_demo, &DemoWindow::refreshed, this, [this] {
        m_explainPanel->flush();
        m_live->refresh();
        m_componentNames->refresh();
        refreshSettingProblem();
    });
}

void MainWindow::refreshSettingProblem()
{
    QString problem;
    for (const widgets::ComboBox* field : explain::settingFields(m_demo->demo())) {
        const auto words = explain::settingWords(*field);
        if (problem.isEmpty() && words && !words->problem.empty()) problem = QString::fromStdString(words->problem);
    }
    if (problem == m_settingProblem) return;
    // For a while: the message hides the clock and the other fields under it.
    if (!problem.isEmpty()) {
        statusBar()->showMessage(problem, 10000);
    } else if (statusBar()->currentMessage() == m_settingProblem) {
        statusBar()->clearMessage();
    }
    m_settingProblem = problem;
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once the window is shown: a message shown before would leave the
    // status bar's fields visible under it when the window first appears.
    if (!m_hintShown) {
        m_hintShown = true;
        statusBar()->showMessage(tr("New here? Press F1"), 15000);
    }
}

void MainWindow::buildRewind()
{
    const auto tick = [this] { return m_demo->demo().Timer1.interval(); };
    QAction* backTick = new QAction(tr("Back One Tick"), this);
    backTick->setShortcuts(sequencesFor(keys::Action::BackTick));
    connect(backTick, &QAction::triggered, this, [this, tick] { m_lecture->back(tick()); });
    QAction* backFive = new QAction(tr("Back Five Seconds"), this);
    backFive->setShortcuts(sequencesFor(keys::Action::BackFive));
    connect(backFive, &QAction::triggered, this, [this] { m_lecture->back(5000); });
    // In the File menu after Step script, where the other time controls are.
    m_fileMenu->insertActions(m_lecture->recordAction(), {backTick, backFive});

    m_toolBar->addSeparator();
    m_toolBar->addWidget(new QLabel(tr(" Time "), m_toolBar));
    m_timeline = new QSlider(Qt::Horizontal, m_toolBar);
    m_timeline->setObjectName(QStringLiteral("timeline"));
    m_timeline->setFocusPolicy(Qt::NoFocus);
    m_timeline->setFixedWidth(180);
    m_timeline->setToolTip(
        tr("The run so far: drag back to return to that moment (Shift+S: one tick, "
           "Shift+Left: five seconds); going on from there discards what came after"));
    m_timeline->setAccessibleName(tr("Time in the run"));
    m_toolBar->addWidget(m_timeline);
    const auto jump = [this, tick] {
        m_lecture->back(static_cast<std::int64_t>(m_timeline->maximum() - m_timeline->value()) * tick());
    };
    connect(m_timeline, &QSlider::sliderReleased, this, jump);
    connect(m_timeline, &QSlider::actionTriggered, this, [this, jump](int action) {
        // A click on the groove or a key: the slider takes its new value
        // after this signal.
        if (action != QAbstractSlider::SliderMove) QTimer::singleShot(0, this, jump);
    });
    refreshTimeline();
}

// The slider covers the running time so far (a pause takes no room) and
// stands at the present, unless the user holds it.
void MainWindow::refreshTimeline()
{
    if (!m_timeline || m_timeline->isSliderDown()) return;
    m_lecture->sampleClock();
    const std::int64_t tick = std::max<std::int64_t>(1, m_demo->demo().Timer1.interval());
    const auto ran = static_cast<int>(std::min<std::int64_t>(m_lecture->runClock().run() / tick, 1 << 30));
    const QSignalBlocker block(m_timeline);
    if (m_timeline->maximum() != ran) m_timeline->setRange(0, ran);
    if (m_timeline->value() != ran) m_timeline->setValue(ran);
    m_timeline->setEnabled(!m_lecture->playing());
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
    m_toolBar = bar;
    bar->setMovable(false);
    bar->setFocusPolicy(Qt::NoFocus);
    // The demonstration's own pause button and "Reset", and F, in reach of a
    // presenter who need not aim at the small buttons.
    LinkDemo& demo = m_demo->demo();
    m_pauseAction = bar->addAction(QString::fromStdString(demo.cmdPause.caption()), this,
                                   [this, &demo] { m_demo->pressAsUser(demo.cmdPause); });
    m_pauseAction->setObjectName(QStringLiteral("toolPause"));
    m_pauseAction->setToolTip(tr("Start, pause or continue the run, as the pause button does (Space)"));
    QAction* reset = bar->addAction(QString::fromStdString(demo.cmdReset.caption()), this,
                                    [this, &demo] { m_demo->pressAsUser(demo.cmdReset); });
    reset->setObjectName(QStringLiteral("toolReset"));
    reset->setToolTip(tr("Reset the run, as the demonstration's Reset does (R)"));
    QAction* step = bar->addAction(tr("Step"), this, [this] { m_demo->step(); });
    step->setToolTip(tr("One main tick of 100 ms, then paused (S)"));
    bar->addAction(m_follow);
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
    m_speedText = new ElidingLabel(this);
    m_scenario = new ElidingLabel(this);
    statusBar()->addWidget(m_clock);
    statusBar()->addWidget(m_speedText);
    statusBar()->addWidget(m_scenario, 1);
}

void MainWindow::refreshStatus()
{
    const LinkDemo& demo = m_demo->demo();
    refreshTimeline();
    // The pause button's caption as the window shows it.
    const QString caption =
        QString::fromStdString(m_demo->captionFor ? m_demo->captionFor(demo.cmdPause) : demo.cmdPause.caption());
    if (m_pauseAction && m_pauseAction->text() != caption) m_pauseAction->setText(caption);
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
        // The window keeps the size the user gave it: a larger
        // demonstration scrolls.
        applyZoom(percent / 100.0);
    }
    refreshSettings();
}

void MainWindow::zoomIn()
{
    const int now = m_zoomPercent == 0 ? static_cast<int>(std::lround(m_demo->zoom() * 100)) : m_zoomPercent;
    for (int p : kZooms) {
        if (p > now) {
            setZoomPercent(p);
            return;
        }
    }
}

void MainWindow::zoomOut()
{
    const int now = m_zoomPercent == 0 ? static_cast<int>(std::lround(m_demo->zoom() * 100)) : m_zoomPercent;
    for (auto it = std::rbegin(kZooms); it != std::rend(kZooms); ++it) {
        if (*it < now) {
            setZoomPercent(*it);
            return;
        }
    }
}

void MainWindow::applyZoom(double z)
{
    if (std::abs(z - m_demo->zoom()) < 1e-9) return;
    // The tool windows follow it.
    m_demo->setZoom(z);
}

// The largest zoom, from 50 % to 200 %, at which the whole demonstration
// shows in the window. The room is measured without scroll bars, which the
// zoom in force may have brought and the fitted one takes away.
void MainWindow::fit()
{
    const QSize room = m_area->maximumViewportSize();
    const QSize designed = m_demo->size() / m_demo->zoom();
    if (designed.isEmpty() || room.isEmpty()) return;
    const double z = std::min(static_cast<double>(room.width()) / designed.width(),
                              static_cast<double>(room.height()) / designed.height());
    applyZoom(std::clamp(z, 0.5, 2.0));
}

void MainWindow::fitToScreen()
{
    const QScreen* s = screen();
    if (!s) return;
    const QRect room = s->availableGeometry();
    const QSize frame = frameGeometry().size();
    if (frame.width() <= room.width() && frame.height() <= room.height()) return;
    const QSize decoration = frame - size();
    resize(std::min(width(), room.width() - decoration.width()),
           std::min(height(), room.height() - decoration.height()));
    move(room.topLeft());
    setZoomPercent(0);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_zoomPercent == 0) fit();
}

}  // namespace gui
