// SPDX-License-Identifier: MIT
// Lecture material in the window: exporting a wire's trace (its context menu
// and File → Export trace…) and the window as pictures, the event log
// window, playing a prepared script at the window's pace with its narration
// as a caption band, and recording the session as a script.
//
// Everything here is reached through QActions that the main window puts in
// its menus; nothing changes the demonstration until one is used.
//
// The session is written down from start-up (each user action and each
// played line, with the simulated time between them): a recording must
// bring a fresh runner to the same state, so it holds what came before
// "Record…" as well, marked by a comment.
#pragma once

#include <functional>
#include <memory>
#include <sstream>

#include <QList>
#include <QObject>
#include <QString>

#include "session/player.h"
#include "session/playsession.h"
#include "session/recorder.h"
#include "session/recording.h"
#include "session/rewind.h"

class QAction;
class QWidget;
class Wire;

namespace gui {

class CaptionBand;
class DemoWindow;
class EventLogWindow;

class Lecture : public QObject {
    Q_OBJECT
public:
    // `window` shows `demo`; dialogs open over `dialogParent` (the top-level
    // window). Build it right after the window, before any user action.
    Lecture(DemoWindow& window, LinkDemo& demo, QWidget* dialogParent);
    ~Lecture() override;

    QAction* exportTraceAction() const { return m_exportTrace; }
    QAction* exportWindowAction() const { return m_exportWindow; }
    QAction* eventLogAction() const { return m_eventLog; }
    QAction* playAction() const { return m_play; }
    QAction* pausePlayAction() const { return m_pausePlay; }
    QAction* stepPlayAction() const { return m_stepPlay; }
    QAction* stopPlayAction() const { return m_stopPlay; }
    QAction* recordAction() const { return m_record; }
    // "Wait at each caption": a played caption waits for Space or Continue.
    QAction* waitAtCaptionsAction() const { return m_waitAtCaptions; }

    // The folder the lessons are in: the installed examples, or in a build
    // tree the source's examples/ (empty when neither exists).
    static QString lessonsFolder();
    struct LessonEntry {
        QString file;
        QString title;
        QString summary;
    };
    // The lessons in lessonsFolder() (lesson-*.txt), by file name.
    static QList<LessonEntry> lessons();

    // A lesson's checkpoint: the choice `k` (from 0), going on after a
    // caption or an answer, and back to the moment of the question.
    void answer(int k);
    void continuePlay();
    void watchAgain();

    // Plays the script in `file`; false (after a message) when it cannot be
    // read. `playText` plays a script already read, `name` for the status.
    bool play(const QString& file);
    void playText(const QString& script, const QString& name);
    bool playing() const { return m_player->playing(); }
    bool playPaused() const { return m_session.paused(); }
    void setPlayPaused(bool paused);
    // One main tick (100 ms) of the `run` being played, or the lines due
    // now; only while paused.
    void stepPlay();
    void stopPlay();

    const ScriptPlayer& player() const { return *m_player; }
    const ScriptRecorder& recorder() const { return m_recorder; }
    CaptionBand& captionBand() const { return *m_band; }
    EventLogWindow& eventLogWindow();

    // The status line: what is being played or recorded. The main window
    // shows it (in its status bar).
    QString status() const { return m_status; }
    std::function<void(const QString&)> onStatus;
    // Output of played `dump`, `lines` ... (standard output unless set);
    // not while playing.
    void setOutput(std::ostream& out, std::ostream& err);

    // Back in the session: the state at the simulated time `t` (or `ms`
    // before the present), exactly what a fresh start reaches with the
    // session cut there; what came after is discarded. Not while a script
    // plays (false, and the status says so).
    bool backTo(std::int64_t t);
    // `ms` of running time back: the time the demonstration stood paused
    // does not count.
    bool back(std::int64_t ms);
    // The run's time against the scheduler's, sampled at every user action
    // and whenever the window refreshes (sampleClock()).
    void sampleClock();
    const timeline::RunClock& runClock() const { return m_rewind.runClock(); }
    // The time slider's range and jumps (the core's).
    Rewind& rewind() { return m_rewind; }

    // Where Record… saves, and whether to discard a recording whose saving
    // was cancelled; dialogs unless set (tests answer them).
    std::function<QString()> askRecordingFile;
    std::function<bool()> askDiscardRecording;

    // The session so far as a script (what Record… saves).
    std::string sessionScript() const { return m_recorder.script(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachPlayer();
    void detachPlayer();
    void advancePlay();
    void setStatus(const QString& s);
    void showContextMenu(Wire& wire, QWidget* widget, const QPoint& pos);
    void exportTraceChosen();
    void toggleRecording(bool on);
    void reportFailure();
    void showBand();
    void restarted();
    QString playName() const { return QString::fromStdString(m_session.name()); }

    DemoWindow& m_window;
    LinkDemo& m_demo;
    QWidget* m_dialogParent;
    ScriptRecorder m_recorder;
    Recording m_recording;
    std::unique_ptr<ScriptPlayer> m_player;
    Rewind m_rewind;
    // Pause, step, the clock's limit and the status line's words.
    PlaySession m_session;
    std::unique_ptr<EventLogWindow> m_log;
    CaptionBand* m_band;
    QString m_status;
    // The last picture's caption and score stay until the next user action.
    bool m_finalShown = false;
    bool m_keepRecording = false;  // Record… ticked again after a cancelled save

    QAction* m_exportTrace;
    QAction* m_exportWindow;
    QAction* m_eventLog;
    QAction* m_play;
    QAction* m_pausePlay;
    QAction* m_stepPlay;
    QAction* m_stopPlay;
    QAction* m_record;
    QAction* m_waitAtCaptions;
};

}  // namespace gui
