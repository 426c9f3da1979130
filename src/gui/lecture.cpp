// SPDX-License-Identifier: MIT
#include "gui/lecture.h"

#include <algorithm>
#include <iostream>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include "gui/captionband.h"
#include "gui/demowindow.h"
#include "gui/eventlogwindow.h"
#include "gui/traceexport.h"
#include "gui/units.h"
#include "session/figureexport.h"
#include "session/lessons.h"
#include "shell/linkdemo.h"

namespace gui {

namespace {

// The band lies below every component: the lowest (Wire1 with its trace)
// ends 720 display units above the client area's bottom edge.
constexpr double kBandUnits = 720;

}  // namespace

Lecture::Lecture(DemoWindow& window, LinkDemo& demo, QWidget* dialogParent)
    : QObject(&window),
      m_window(window),
      m_demo(demo),
      m_dialogParent(dialogParent ? dialogParent : &window),
      m_recorder(demo.scheduler()),
      m_recording(m_recorder, Recording::Where::Window),
      m_player(std::make_unique<ScriptPlayer>(demo, std::cout, std::cerr)),
      m_rewind(demo, *m_player, m_recorder),
      m_session(demo, *m_player)
{
    m_rewind.pressPause = [this] {
        m_window.sync();
        m_window.pressAsUser(m_demo.cmdPause);
    };
    m_band = new CaptionBand(&window, kBandUnits);
    connect(&window, &DemoWindow::refreshed, m_band, &CaptionBand::keepOnTop);

    m_exportTrace = new QAction(tr("Export &trace…"), this);
    m_exportWindow = new QAction(tr("Export window as &PNG…"), this);
    m_eventLog = new QAction(tr("&Event log"), this);
    m_eventLog->setCheckable(true);
    m_play = new QAction(tr("P&lay script…"), this);
    m_pausePlay = new QAction(tr("Pause script"), this);
    m_pausePlay->setCheckable(true);
    m_stepPlay = new QAction(tr("Step script"), this);
    m_stopPlay = new QAction(tr("Stop script"), this);
    m_record = new QAction(tr("&Record…"), this);
    m_record->setCheckable(true);
    for (QAction* a : {m_pausePlay, m_stepPlay, m_stopPlay}) a->setEnabled(false);
    m_waitAtCaptions = new QAction(tr("&Wait at Each Caption"), this);
    m_waitAtCaptions->setCheckable(true);
    connect(m_waitAtCaptions, &QAction::toggled, this, [this](bool on) { m_player->setWaitAtCaptions(on); });

    connect(m_exportTrace, &QAction::triggered, this, &Lecture::exportTraceChosen);
    connect(m_exportWindow, &QAction::triggered, this, [this] { exportWidgetDialog(m_dialogParent, m_window); });
    connect(m_eventLog, &QAction::toggled, this, [this](bool on) {
        EventLogWindow& log = eventLogWindow();
        if (on) {
            log.show();
            log.raise();
        } else {
            log.hide();
        }
    });
    connect(m_play, &QAction::triggered, this, [this] {
        const QString file = QFileDialog::getOpenFileName(m_dialogParent, tr("Play script"), lessonsFolder(),
                                                          tr("Scripts (*.txt);;All files (*)"));
        if (!file.isEmpty()) play(file);
    });
    connect(m_pausePlay, &QAction::toggled, this, [this](bool on) { setPlayPaused(on); });
    connect(m_stepPlay, &QAction::triggered, this, &Lecture::stepPlay);
    connect(m_stopPlay, &QAction::triggered, this, &Lecture::stopPlay);
    connect(m_record, &QAction::toggled, this, &Lecture::toggleRecording);

    // Each wire's context menu (on its trace or anywhere else on it) offers
    // its trace.
    connect(&window, &DemoWindow::traceMenuShown, this, [this](QMenu& menu, Wire& wire) {
        menu.addAction(tr("Export trace of %1…").arg(QString::fromStdString(wire.name())), this,
                       [this, &wire] { exportTraceDialog(m_dialogParent, wire, m_demo.totalTime); });
    });
    for (Wire* wire : demo.wires()) {
        QWidget* w = window.widgetFor(*wire);
        if (!w) continue;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, wire, w](const QPoint& pos) { showContextMenu(*wire, w, pos); });
    }

    // The session, from start-up on.
    connect(&window, &ModelWindow::userInput, this, [this](const UserInput& input) {
        if (m_finalShown) {
            m_finalShown = false;
            m_band->setText({});
        }
        sampleClock();
        m_recorder.record(input);
        // What an ended script, or a step back, left in the status line goes
        // with the run it spoke of: at a reset or a scenario choice.
        const bool newRun = (input.kind == UserInput::Kind::Press && input.name == "LinkDemo.cmdReset") ||
                            (input.kind == UserInput::Kind::Choose && input.name == "LinkDemo.cmbScenario");
        if (newRun && !playing() && !m_record->isChecked()) setStatus(QString());
    });
    m_player->onLine = [this](const std::string& line, std::int64_t at) { m_recorder.recordLine(line, at); };
    m_player->onRestart = [this] { restarted(); };

    // A checkpoint's choices: the keys 1 to 9.
    for (int k = 0; k < Checkpoint::kMaxChoices; ++k) {
        window.addKey(static_cast<Qt::Key>(Qt::Key_1 + k), [this, k] { answer(k); });
    }
    connect(m_band, &CaptionBand::choiceMade, this, &Lecture::answer);
    connect(m_band, &CaptionBand::continued, this, &Lecture::continuePlay);
    connect(m_band, &CaptionBand::watchAgainClicked, this, &Lecture::watchAgain);
}

Lecture::~Lecture()
{
    m_window.captionFor = nullptr;  // nothing is mirrored on the way out
    detachPlayer();
    disconnect(&m_window, &ModelWindow::userInput, this, nullptr);
}

EventLogWindow& Lecture::eventLogWindow()
{
    if (!m_log) {
        m_log = std::make_unique<EventLogWindow>(m_demo);
        // Closing the window unticks its menu entry.
        m_log->installEventFilter(this);
    }
    return *m_log;
}

bool Lecture::eventFilter(QObject* watched, QEvent* event)
{
    if (m_log && watched == m_log.get()) {
        if (event->type() == QEvent::Hide) m_eventLog->setChecked(false);
        if (event->type() == QEvent::Show) m_eventLog->setChecked(true);
    }
    return QObject::eventFilter(watched, event);
}

void Lecture::setOutput(std::ostream& out, std::ostream& err)
{
    if (playing()) return;
    const bool wait = m_player->waitAtCaptions();
    m_player = std::make_unique<ScriptPlayer>(m_demo, out, err);
    m_session.setPlayer(*m_player);
    m_rewind.setPlayer(*m_player);
    m_player->setWaitAtCaptions(wait);
    m_player->onLine = [this](const std::string& line, std::int64_t at) { m_recorder.recordLine(line, at); };
    m_player->onRestart = [this] { restarted(); };
}

void Lecture::showContextMenu(Wire& wire, QWidget* widget, const QPoint& pos)
{
    QMenu menu(widget);
    QAction* exportAction = menu.addAction(tr("Export trace of %1…").arg(QString::fromStdString(wire.name())));
    exportAction->setEnabled(wire.traceTable().traceOn());
    if (menu.exec(widget->mapToGlobal(pos)) == exportAction) exportTraceDialog(m_dialogParent, wire, m_demo.totalTime);
}

void Lecture::exportTraceChosen()
{
    QStringList names;
    std::vector<Wire*> wires;
    for (Wire* wire : m_demo.wires()) {
        if (!wire->visible() || !wire->traceTable().traceOn()) continue;
        names << QString::fromStdString(wire->name());
        wires.push_back(wire);
    }
    if (wires.empty()) {
        QMessageBox::information(m_dialogParent, tr("Export trace"), QString::fromUtf8(figure::kNoTrace));
        return;
    }
    std::size_t chosen = 0;
    if (wires.size() > 1) {
        bool ok = false;
        const QString name =
            QInputDialog::getItem(m_dialogParent, tr("Export trace"), tr("Wire:"), names, 0, false, &ok);
        if (!ok) return;
        chosen = static_cast<std::size_t>(names.indexOf(name));
    }
    exportTraceDialog(m_dialogParent, *wires[chosen], m_demo.totalTime);
}

// ---- playing ---------------------------------------------------------------

bool Lecture::play(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(m_dialogParent, tr("Play script"), tr("Cannot read %1: %2").arg(file, in.errorString()));
        return false;
    }
    playText(QString::fromUtf8(in.readAll()), QFileInfo(file).fileName());
    return true;
}

void Lecture::playText(const QString& script, const QString& name)
{
    if (m_player->playing()) stopPlay();
    m_finalShown = false;
    m_band->setText({});
    if (!m_session.start(script.toStdString(), name.toStdString())) {
        // Nothing has moved: the script was checked before anything acted.
        setStatus(QString::fromStdString(m_session.status()));
        QTimer::singleShot(0, this, &Lecture::reportFailure);
        return;
    }
    attachPlayer();
    advancePlay();
}

// The model is back at start-up: the window, its clock and the recording
// start afresh.
void Lecture::restarted()
{
    m_recorder.restart();
    m_rewind.restarted();
    m_window.clearSelection();
    m_window.resyncAll();
    m_window.sync();
    m_window.rebaseClock();
    // The widgets made afresh lie above the band otherwise.
    m_band->raise();
    setStatus(tr("%1: the demonstration is back at its start-up state").arg(playName()));
}

QString Lecture::lessonsFolder()
{
    const QString app = QCoreApplication::applicationDirPath();
    QStringList candidates{app + QStringLiteral("/../share/linkdemo/examples"),
                           QStringLiteral(LINKDEMO_INSTALLED_EXAMPLES)};
    // A build tree: the executables are under build/src/app.
    if (QFileInfo::exists(app + QStringLiteral("/../../CMakeCache.txt")))
        candidates.prepend(QStringLiteral(LINKDEMO_SOURCE_EXAMPLES));
    for (const QString& dir : candidates) {
        if (QFileInfo(dir).isDir()) return QDir(dir).canonicalPath();
    }
    return {};
}

QList<Lecture::LessonEntry> Lecture::lessons()
{
    QList<LessonEntry> out;
    const QString folder = lessonsFolder();
    if (folder.isEmpty()) return out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("lesson-*.txt")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const lessons::Info info = lessons::describe(f.read(4096).toStdString());
        LessonEntry e{dir.filePath(name), QString::fromStdString(info.title), QString::fromStdString(info.summary)};
        if (e.title.isEmpty()) e.title = name;
        out.push_back(e);
    }
    return out;
}

void Lecture::answer(int k)
{
    if (!m_player->answer(k)) return;
    advancePlay();
}

void Lecture::continuePlay()
{
    if (!m_player->playing()) return;
    m_player->proceed();
    m_window.rebaseClock();
    advancePlay();
}

void Lecture::watchAgain()
{
    if (!m_player->watchAgain()) return;
    m_session.setPaused(false);
    m_pausePlay->setChecked(false);
    advancePlay();
}

// The band: the caption in force, a caption waiting for Continue, or the
// checkpoint being asked or revealed.
void Lecture::showBand()
{
    const Checkpoint* c = m_player->checkpoint();
    const ScriptPlayer::Wait wait = m_player->waiting();
    if (c) {
        m_band->setCheckpoint(*c, m_player->chosen(), wait == ScriptPlayer::Wait::Reveal, m_player->canWatchAgain());
    } else if (wait == ScriptPlayer::Wait::Caption) {
        m_band->setWaitingText(QString::fromStdString(m_player->caption()));
    } else if (m_band->interactive() || m_band->text() != QString::fromStdString(m_player->caption())) {
        m_band->setText(QString::fromStdString(m_player->caption()));
    }
}

void Lecture::attachPlayer()
{
    m_window.clockLimit = [this] { return m_session.limit(); };
    connect(&m_window, &ModelWindow::ticked, this, &Lecture::advancePlay, Qt::UniqueConnection);
    // While a script plays, its pause is the window's pause: the pause
    // button and Space hold the script (and the clock), not the model.
    m_window.interceptInput = [this](const UserInput& input) {
        if (!m_player->playing()) return false;
        // Space (or the pause button) goes on after a caption or an answer;
        // a question waits for its answer.
        const bool pause = input.kind == UserInput::Kind::Press && input.name == "LinkDemo.cmdPause";
        const ScriptPlayer::Wait wait = m_player->waiting();
        if (pause && (wait == ScriptPlayer::Wait::Caption || wait == ScriptPlayer::Wait::Reveal)) {
            continuePlay();
            return true;
        }
        if (pause && wait == ScriptPlayer::Wait::Question) return true;
        if (pause) {
            setPlayPaused(!m_session.paused());
            return true;
        }
        // The window's Step steps the script (pausing it first).
        if (input.kind == UserInput::Kind::Step) {
            if (!m_session.paused()) setPlayPaused(true);
            stepPlay();
            return true;
        }
        return false;
    };
    // Space is the script's pause whatever has the focus, and the pause
    // button reads as it would for a paused run.
    m_window.gate().setScriptPlaying(true);
    m_window.captionFor = [this](const widgets::Button& b) {
        return &b == &m_demo.cmdPause ? presenter::pauseCaption(m_demo, m_session.paused()) : b.caption();
    };
    for (QAction* a : {m_pausePlay, m_stepPlay, m_stopPlay}) a->setEnabled(true);
    m_stepPlay->setEnabled(m_session.paused());
}

void Lecture::detachPlayer()
{
    m_window.clockLimit = nullptr;
    disconnect(&m_window, &ModelWindow::ticked, this, &Lecture::advancePlay);
    m_window.interceptInput = nullptr;
    m_session.setPaused(false);
    m_window.gate().setScriptPlaying(false);
    const bool shown = static_cast<bool>(m_window.captionFor);
    m_window.captionFor = nullptr;
    if (shown) m_window.remirror(m_demo.cmdPause);
    m_pausePlay->setChecked(false);
    for (QAction* a : {m_pausePlay, m_stepPlay, m_stopPlay}) a->setEnabled(false);
}

void Lecture::advancePlay()
{
    // Attached (its actions enabled) until the end is shown: a step may
    // have ended the script.
    if (!m_player->playing() && !m_pausePlay->isEnabled()) return;
    const ScriptPlayer::State state = m_session.advance();
    showBand();
    setStatus(QString::fromStdString(m_session.status()));
    switch (state) {
        case ScriptPlayer::State::Finished: {
            detachPlayer();
            // The last picture stays (the player paused it), with the last
            // caption and the score.
            const QString last = QString::fromStdString(m_session.endText());
            m_band->setText(last);
            m_finalShown = !last.isEmpty();
            m_window.sync();
            break;
        }
        case ScriptPlayer::State::Failed:
            detachPlayer();
            m_band->setText({});
            // Shown once the clock's wake-up has returned: the box runs its
            // own event loop.
            QTimer::singleShot(0, this, &Lecture::reportFailure);
            break;
        case ScriptPlayer::State::Playing:
        case ScriptPlayer::State::Idle:
            break;
    }
}

void Lecture::reportFailure()
{
    QMessageBox::warning(m_dialogParent, tr("Play script"),
                         tr("%1 stopped.\n%2").arg(playName(), QString::fromStdString(m_player->error())));
}

void Lecture::setPlayPaused(bool paused)
{
    if (!m_player->playing()) return;
    m_session.setPaused(paused);
    m_window.remirror(m_demo.cmdPause);
    if (m_pausePlay->isChecked() != paused) m_pausePlay->setChecked(paused);
    m_stepPlay->setEnabled(paused);
    m_window.rebaseClock();
    advancePlay();
}

void Lecture::stepPlay()
{
    if (!m_session.step()) return;
    m_window.sync();
    m_window.rebaseClock();
    advancePlay();
}

void Lecture::sampleClock()
{
    m_rewind.sample();
}

bool Lecture::back(std::int64_t ms)
{
    m_rewind.sample();
    return backTo(m_rewind.runClock().before(ms));
}

bool Lecture::backTo(std::int64_t t)
{
    const bool ok = m_rewind.backTo(t);
    m_recording.rewound();
    if (ok) m_window.sync();
    setStatus(QString::fromStdString(m_rewind.status()));
    return ok;
}

void Lecture::stopPlay()
{
    if (!m_player->playing()) return;
    m_session.stop();
    detachPlayer();
    m_band->setText({});
    setStatus(QString::fromStdString(m_session.status()));
}

void Lecture::setStatus(const QString& s)
{
    if (s == m_status) return;
    m_status = s;
    if (onStatus) onStatus(s);
}

// ---- recording -------------------------------------------------------------

void Lecture::toggleRecording(bool on)
{
    if (on) {
        if (m_keepRecording) return;  // the same recording goes on
        m_recording.start();
        setStatus(tr("Recording"));
        return;
    }
    const QString file = askRecordingFile
                             ? askRecordingFile()
                             : QFileDialog::getSaveFileName(m_dialogParent, tr("Save recording"),
                                                            QStringLiteral("session.txt"), tr("Scripts (*.txt)"));
    if (file.isEmpty()) {
        const bool discard = askDiscardRecording
                                 ? askDiscardRecording()
                                 : QMessageBox::question(m_dialogParent, tr("Record"),
                                                         tr("Discard the recording? It has not been saved."),
                                                         QMessageBox::Discard | QMessageBox::Cancel,
                                                         QMessageBox::Cancel) == QMessageBox::Discard;
        if (!discard) {
            // Still recording, as before Record… was unticked.
            m_keepRecording = true;
            m_record->setChecked(true);
            m_keepRecording = false;
            return;
        }
        m_recording.stop();
        setStatus(QString());
        return;
    }
    m_recording.stop();
    setStatus(QString());
    QFile out(file);
    const std::string script = m_recording.file();
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(script.data(), static_cast<qint64>(script.size())) != static_cast<qint64>(script.size())) {
        QMessageBox::warning(m_dialogParent, tr("Save recording"),
                             tr("Could not write %1: %2").arg(file, out.errorString()));
        return;
    }
    // Said only when the replay will not look the same: an edit written down
    // as its final text, or an action the script language has no line for.
    const std::string note = m_recording.replayNote(m_demo);
    if (!note.empty()) QMessageBox::information(m_dialogParent, tr("Save recording"), QString::fromStdString(note));
    setStatus(tr("Recorded %1").arg(QFileInfo(file).fileName()));
}

}  // namespace gui
