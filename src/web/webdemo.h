// SPDX-License-Identifier: MIT
// The core of the web binding: the LinkDemo model as a page sees it.
//
// The page's JavaScript keeps one element per model control. This class
// hands it the tree of controls once (tree()), then after every clock
// advance or user action the state of exactly the controls whose revision
// changed, the containers that were re-stacked and the lines added to each
// trace picture (sync()). User input comes back through the model controls'
// own entry points, the owning component receiving the focus first, as in
// the Qt binding. Everything crosses as JSON text; nothing here knows the
// DOM, so the same code is built natively for the tests.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "explain/explain.h"
#include "session/eventlog.h"
#include "session/inputgate.h"
#include "session/labreport.h"
#include "session/player.h"
#include "session/playsession.h"
#include "session/presenter.h"
#include "session/recorder.h"
#include "session/recording.h"
#include "session/rewind.h"
#include "session/tracetools.h"
#include "session/wallclock.h"
#include "shell/linkdemo.h"
#include "widgets/messagebox.h"

namespace web {

class WebDemo {
public:
    WebDemo();
    ~WebDemo();

    LinkDemo& demo() { return *m_demo; }
    // The message box the model shows its messages in.
    widgets::MessageBox& messageBox() { return m_box; }
    const std::string& caption() const { return m_demo->caption(); }

    // Every control once, parents before children, as a JSON array of
    // {"id", "parent" (-1 for the window), "kind", "name" (the script
    // runner's full name), "owner" (id of the nearest component, -1),
    // "press" (id of the element a mouse press on it goes to: its
    // container for captions, shapes and lines)}.
    // Ids are the array positions; timers are left out.
    std::string tree() const;

    // What changed since the previous sync, as JSON:
    //   "controls": [[id, state], ...]   the fields of each changed control
    //                                    that differ from the last sent
    //                                    (all of them the first time and
    //                                    after user input on it; inside a
    //                                    hidden container: when the
    //                                    container is next shown), among
    //                                    them its "layer" (drawn over the
    //                                    lower ones of its container), its
    //                                    "tab" (place in the Tab chain,
    //                                    from 1; 0 for a control Tab skips)
    //                                    and, for a container, "seeThrough"
    //   "stacks":   [[id, [child ids bottom to top]], ...]
    //   "pictures": [[id, redraw, [x1, y1, x2, y2, colour, ...]], ...]
    // A picture with redraw true is cleared to its back colour before its
    // lines are drawn; otherwise the lines continue what was drawn before.
    // A line's ends are in whole pixels at zoom 1 (15 units a pixel, halves
    // rounded up, as the page's Math.round rounds).
    // Hidden pictures are brought up to date when they are next shown.
    std::string sync();
    // Makes the next sync describe everything, as the first one does.
    void invalidate();

    // User input on control `id` (an id of tree()), through the input
    // gate; each is dropped when the control cannot be reached.
    void click(int id);                          // button or check box
    void choose(int id, int index);              // a combo's list item
    void edit(int id, const std::string& text);  // an editable combo's text
    void scroll(int id, int value);              // a scroll bar
    // The component owning control `id` receives the focus.
    void focus(int id);
    // A click on the window background. Returns the id of the control the
    // keyboard focus goes to (the pause button).
    int background();
    // The id of the control the focus goes home to (the pause button).
    int home() const;
    // The demonstration's action for a key (keys::dispatch, then the menu
    // shortcuts of keys::shortcut): its short name ("pause", "reset",
    // "escape", "backTick"; "" for none). `focused` is what has the
    // focus: "button", "check", "list", "field" or anything else for none.
    std::string keyAction(const std::string& key, bool ctrl, bool shift, const std::string& focused,
                          bool scriptPlaying) const;
    // The key table as JSON: [{"keys", "words", "scope", "presses":
    // [{"key", "ctrl", "shift", "action"}]}], for the page's help.
    static std::string keyTable();

    // The virtual clock, in milliseconds.
    double now() const;
    // Advances the scheduler to `t` (nothing when t is not ahead).
    void advanceTo(double t);

    // The wall clock (presenter::WallClock): the page's interval calls
    // wake() with its real time in milliseconds; the clock advances the
    // scheduler at the pace in force, catching up at most a second, held at
    // a played script's limit, and then the script's lines that fell due
    // run. True when anything may have changed (the page syncs then).
    bool wake(double realMs);
    // Forgets the real time up to `realMs` (after a pause, a modal box,
    // lines run from outside).
    void rebaseClock(double realMs);
    // The presenter's pace (index into presenter::Pace::kSpeeds).
    void setPace(int index);
    int paceIndex() const { return m_clock.pace().index(); }
    // One main tick, as the window's Step; while a script plays, one step
    // of the script (paused first), as the window's Step script.
    void step();

    // ---- playing a script or a lesson, as the window does ----
    //
    // The script is checked, the model brought back to its start-up state,
    // and the lines play at the wall clock's pace (ScriptPlayer). While it
    // plays, the pause button (click or Space) pauses and continues the
    // script and the clock together, goes on after a caption or a reveal,
    // and does nothing while a question waits. `name` is what the status
    // line calls it. False when a line is bad (nothing moved; playInfo()
    // says which).
    bool play(const std::string& script, const std::string& name);
    // A bundled lesson by its file name without extension; false when there
    // is none of that name.
    bool playLesson(const std::string& name);
    void stopPlay();
    void setPlayPaused(bool paused);
    // One main tick (100 ms) of the `run` being played, or the lines due
    // now; only while paused.
    void stepPlay();
    void setWaitAtCaptions(bool on) { m_player.setWaitAtCaptions(on); }
    // A checkpoint's choice `k` (from 0); false when no question waits or
    // there is no such choice.
    bool answer(int k);
    // Goes on after a caption or a reveal.
    void proceed();
    bool watchAgain();
    bool playing() const { return m_player.playing(); }
    // What the page shows of the player, as JSON:
    //   "playing", "paused", "state" ("idle", "playing", "finished",
    //   "failed"), "status" (the status line, as the window words it),
    //   "error", "line", "band": what the caption band shows, one of
    //   {"mode": "none"}, {"mode": "text", "text"}, {"mode": "wait", "text"},
    //   {"mode": "ask", "question", "choices", "answer", "chosen",
    //    "reveal", "canContinue", "canWatchAgain"}.
    std::string playInfo() const;
    // What played lines printed since the last call, as JSON {"stdout",
    // "stderr", "text"} (both streams in the order written), as run() does.
    std::string takePlayOutput();
    // Bumped whenever what playInfo() says may have changed.
    int playRevision() const { return m_playRevision; }
    // The bundled lessons as JSON [{"name", "title", "summary"}], in order.
    static std::string lessons();
    // "t = 12.3 s" and the scenario in force, for the status line.
    std::string status() const;

    // Runs script-runner lines against this live model. Returns JSON
    // {"stdout", "stderr", "status", "text"}: what the runner writes to
    // each stream, its exit status, and both streams in the order written.
    std::string run(const std::string& script);

    // The oldest message box the model showed outside a run, or "" when
    // none is waiting. The model went on at once (answered OK); the page
    // shows it and holds its clock until the user closes it.
    std::string takeMessage();
    // Whether a message box waits for takeMessage().
    bool hasMessage() const { return !m_box.waiting.empty(); }

    // The session so far as a script of the runner's language: every user
    // action above and every line run() carried out (queries that only
    // print are left out), with the simulated time between as `run` lines.
    // The runner, or run() on a fresh model, reproduces the session.
    std::string script() const { return m_recorder.script(); }
    // False once an action had to be written approximately.
    bool scriptExact() const { return m_recorder.exact(); }

    // ---- back in the session, and Record…, as the window has them ----
    //
    // Back One Tick, Back Five Seconds and the time slider (Rewind): the
    // state at an earlier moment of running time, exactly what a fresh
    // start reaches with the session cut there; script() is the cut session
    // from then on. Not while a script plays. The page redraws everything
    // after it; what the replay told the explainer and the event log, and
    // any message box it showed, are dropped.
    bool back(double ms);
    bool backTick();
    // The slider: the running time so far in main ticks, and a jump to
    // position `value` of that range.
    double timeTicks();
    bool backToTick(double value);
    // What the latest going back did, in the status line's words.
    std::string backStatus() const { return m_rewind.status(); }

    // Record… (Recording): from now on, marked in the session; the file
    // holds the whole session from start-up, so that the runner replays it
    // to the same state.
    void startRecording() { m_recording.start(); }
    bool recording() const { return m_recording.on(); }
    // What Save offers ("session.txt"), and the note after it ("" when the
    // replay ends as the page shows it now).
    std::string recordingFile() const { return m_recording.file(); }
    std::string recordingNote() const { return m_recording.replayNote(*m_demo); }
    // Saved or discarded.
    void stopRecording() { m_recording.stop(); }

    // ---- the presenter's keys: Follow the Present, the chosen packet ----
    //
    // As the window's F, ], [, Delete and Escape. Following, every visible
    // trace is kept on the present after each advance of the wall clock and
    // each Step; turning it on scrolls them there at once, and the recording
    // notes it as an action no script line reproduces (as the window's).
    void setFollowPresent(bool on);
    bool followPresent() const { return m_follow; }
    // The next (direction > 0) or previous packet in flight
    // (presenter::Selection); Escape's clearSelection() forgets it.
    void selectPacket(int direction);
    void clearSelection() { m_selection.clear(); }
    // The id of the chosen packet's control (the page outlines it), -1 for
    // none: the choice is gone once its packet has left its slot.
    int selectedPacket() const;
    // Destroys the chosen packet through the input gate, recorded as the
    // click on it that it is.
    void destroySelectedPacket();

    // Chooses the packet in flight numbered `number` (an acknowledgement
    // when `ack`), as a click on an explanation naming it does in the
    // window; false, and nothing chosen, when none is in flight.
    bool choosePacket(int number, bool ack);

    // ---- the trace tools: the time axis, the wheel, Clear trace, the
    // notices, the packets' smooth motion --------------------------------
    //
    // What the page draws over each wire's trace, as JSON, or "" when
    // nothing changed since the previous call: [{"picture": id, "wire":
    // "Wire1", "axis": [[y, seconds], ...] (display units, the picture's
    // own coordinates; none while the trace is not on screen), "room" (the
    // strip left of the sending end, display units), "full" (the trace-full
    // notice shows), "records" (what a full trace holds), "follow" (the
    // "Follow (F)" notice shows)}]. Called
    // after every sync: it brings the Follow notices up to date.
    std::string traces();
    // The wheel turned `notches` over picture `id` (positive: away from the
    // user): the trace scrolls as with its start-time bar, recorded as that.
    void wheelTrace(int id, int notches);
    // Clear trace of the wire drawing picture `id`, as the window's.
    void clearTrace(int id);
    // The packets' smooth motion between two ticks (off at start-up, as in
    // the window). motion() gives, while it is on and the run goes, each
    // packet in flight as [id, left, width] (display units) where the wire's
    // timing puts it at the present moment of the tick, as JSON; "[]"
    // otherwise. The model's own places do not change.
    void setSmoothMotion(bool on) { m_smooth = on; }
    bool smoothMotion() const { return m_smooth; }
    std::string motion() const;

    // ---- What surrounds the demonstration: explanations, the event log,
    // help texts, the controls' words, files a script writes -------------
    //
    // The explanations and the event log watch the run only while they are
    // on (off at start-up); watched or not, the model behaves the same.
    //
    // tree() also gives each control "about" (its system name and what it
    // is for: "Wire1.cmdPacket(3): A packet on the wire: click to destroy
    // it") and, for a list or field, "caption" (the label naming it on the
    // screen, "" for none). sync() also sends "words": [[id, "text"], ...],
    // the plain words of the controls that show the run's state (a packet
    // on a wire, a transmitter or receiver slot, the Ready/Hold box) where
    // they changed; "" where the control shows nothing of its own.
    //
    // run() hands over what a command would write to a file (svg) as
    // "downloads": [{"name", "type", "text"}], and says so in the output
    // after the command's own line: {"download": "NAME", "bytes": N}.

    // Makes the next sync send every shown control's words again.
    void resendWords()
    {
        for (Live& l : m_live) l.known = false;
    }

    // Starts or stops the explainer.
    void explain(bool on);
    bool explaining() const { return m_explainer != nullptr; }
    // The sentences written since the last call, oldest first, as JSON
    // [{"time": T, "text": "…", "packet": N | null, "ack": false}, ...];
    // what the components did since the last clock tick is written first.
    std::string takeExplanations();

    // Starts or stops the event log; stopped, it forgets what it held.
    void eventLog(bool on);
    bool eventLogOn() const { return m_events != nullptr; }
    // The events since the last call, oldest first, as JSON: the runner's
    // `log` objects, each with "csv", its record in the columns of
    // eventCsvHeader().
    std::string takeEvents();

    // ---- exporting a wire's trace (exports.cpp) ----
    //
    // The five wires as JSON {"none": "No wire shows a trace.", "scale":
    // {"min", "max", "default"}, "wires": [{"name", "component", "picture"
    // (their ids), "visible", "on" (its trace), "title", "visibleText",
    // "wholeText" (the choices in the window's words), "fromS", "toS" (the
    // whole run), "latestS" (a range's ends lie between 0 and this)}]}.
    std::string traceExports() const;
    // The trace of the wire whose component (or any control on it) is `id`:
    // `part` "visible", "whole" or "range" (fromS to toS), drawn in colour
    // profile `profile`, as `format` "svg" or "png" (at `scale`). JSON
    // {"error": "" or why not, "name": "Wire1.svg", "type", "svg": the SVG
    // (for PNG, what the page rasterises), "width", "height" (the PNG's
    // pixels)}.
    std::string exportTrace(int id, const std::string& part, double fromS, double toS, const std::string& format,
                            double scale, const std::string& profile) const;
    // ---- the Lab, in the window's Lab window's words (labreport) ----
    //
    // labInfo() as JSON: "rows": [{"name", "key", "measured", "theory"}]
    // (the figures as shown), "changed" (the notice of a changed setting,
    // "" for none), "inForce" (the formula with its numbers), "loss":
    // [p1, p2], "seed" (text), "drops": [Wire1's, Wire2's] (as typed),
    // "plot": {"rebuilt", "seconds", "correct", "wrong"}: the points added
    // since the last call, or all of them when "rebuilt" (after a reset or
    // a thinning; `all` starts the plot afresh), and "frame": {"xEnd",
    // "xStep", "yEnd", "yStep", "theoryEnd" (null where the theory states
    // no goodput)}; "colours" and "names": the plot's.
    // Each call samples the plot, as each refresh of the window's does.
    std::string labInfo(bool all);
    // The user's settings, each carried out as the runner's line that
    // states it (`set loss WireN P`, `set seed N`, `set drop ...`), so that
    // the run and the session's script are what the runner makes of that
    // line. False (and no change) for a text the line would not take.
    bool setLabLoss(int wire, const std::string& text);
    bool setLabSeed(const std::string& text);
    // The chosen losses of routed wire 1 or 2 as typed ("data 2, 4:2; ack
    // 3"); a text that cannot be read changes nothing. Returns the list as
    // it now reads.
    std::string setLabDrops(int wire, const std::string& text);
    // Restart counts (`stats reset`).
    void restartLabCounts();
    // Copy as CSV: the header and the run so far.
    std::string labCsv() const;
    // The Formulas help (rich text).
    static std::string labHelp();

    // Oldest sentences and events are dropped beyond these while nobody
    // takes them.
    static constexpr std::size_t kMaxExplanations = 1000;
    static constexpr std::size_t kMaxEvents = 100000;

private:
    // Controls that say the same words (a slot's number, sequence, timer
    // and frame); the words are asked for again only when one of them
    // changed.
    struct Live {
        std::vector<int> ids;
        std::function<std::string()> words;
        std::string sent;
        bool known = false;
        std::vector<std::uint64_t> seen;
    };
    void describeLive();
    void writeWords(std::string& out);
    void explainClick(const std::string& name);
    void explainPress(const std::string& line);
    void hookLosses();
    void offer(const std::string& file, const std::string& text);
    // Runs `rewind` and tidies up after it.
    bool goBack(const std::function<bool()>& rewind);

    std::unique_ptr<explain::Explainer> m_explainer;
    std::deque<explain::Line> m_explained;
    std::unique_ptr<eventlog::EventLog> m_events;
    std::deque<eventlog::Event> m_eventRows;
    std::vector<Live> m_live;
    struct Download {
        std::string name, type, text;
    };
    std::vector<Download> m_downloads;
    // Runs lines of the runner's language; true when all of them ran.
    bool runLines(const std::string& lines);
    labreport::DeliveryPlot m_labPlot;
    std::size_t m_labSent = 0;  // points of m_labPlot the page holds

private:
    struct Entry {
        widgets::Control* control;
        int parent;
        int owner;
        std::string name;
        std::uint64_t revision = 0;
        int tab = 0;  // place in the Tab chain as last sent (0: none)
        // The state as last sent and where each of its fields ("key":value)
        // starts; empty when the page is to get them all. One text an
        // entry, not a string a field: the sync compares them at every
        // tick, and in the page each scattered string is a cold read.
        std::string sent{};
        std::vector<std::size_t> sentKeys{};
        // Pictures: what the page holds.
        std::uint64_t clearCount = 0;
        std::size_t drawn = 0;
        std::int64_t back = -1;
        bool stale = true;
    };
    struct Stack {
        int id;
        std::uint64_t revision = 0;
    };
    class PageMessageBox : public widgets::MessageBox {
    public:
        void show(const std::string& text) override;
        std::ostream* out = nullptr;  // set while a script runs
        std::deque<std::string> waiting;
    };

    void build(widgets::Container& container, int parent, int owner);
    Entry* entry(int id, widgets::Kind kind);
    void act(Entry& e, UserInput::Kind kind, const std::function<void()>& action, const std::string& text = {},
             int value = 0);
    // Brings each control's place in the Tab chain up to date after a
    // component moved; a control whose place changed is sent again.
    void orderTabs();
    // What a user action changes in the player's words: an ended script's
    // last caption and status line go.
    void noteInput(const UserInput& input);

    void advancePlay();
    void playEnded();
    // The control's whole state goes with the next sync.
    void resend(Entry& e);

    PageMessageBox m_box;
    std::unique_ptr<LinkDemo> m_demo;
    std::vector<Entry> m_entries;
    std::vector<Stack> m_stacks;
    presenter::WallClock m_clock;
    // Reused by every sync.
    std::string m_scratch;
    std::vector<std::size_t> m_keys;
    ScriptRecorder m_recorder;
    // The player's output, both streams in the order written, and each.
    std::string m_playOut, m_playErr, m_playBoth;
    std::unique_ptr<std::streambuf> m_playOutBuffer, m_playErrBuffer;
    std::unique_ptr<std::ostream> m_playOutStream, m_playErrStream;
    ScriptPlayer m_player;
    PlaySession m_session;
    Rewind m_rewind;
    Recording m_recording;
    // The last caption and score stay after the end until the next action.
    std::string m_finalText;
    bool m_endShown = false;
    int m_playRevision = 0;
    InputGate m_gate;
    std::vector<int> m_components;        // ids of the window's components
    std::vector<std::size_t> m_pictures;  // ids of the pictures
    presenter::Selection m_selection;
    bool m_follow = false;
    bool m_smooth = false;
    std::vector<std::uint64_t> m_componentRevisions;
    // The trace tools' state: each wire's Follow notice, what the last
    // traces() answer depended on.
    std::array<presenter::FollowNotice, 5> m_followNotices{};
    std::vector<double> m_tracesKey;
    int idOf(const widgets::Control& control) const;
    Wire* wireOfPicture(int id);
};

// The colour table as the page applies it. A profile goes by its name
// ("standard", "projector", "colour-vision"); an unknown name is Standard.
// The drawn colour (0xBBGGRR) of a model colour in a role ("fill", "text",
// "line"; anything else is "fill").
int drawnColour(const std::string& profile, int model, const std::string& role);
// The profile's look as JSON: {"wideTraceLines": false, "largeClock": false,
// "dashedRetransmissions": false, "packetLetters": false, "dashedColour": N},
// dashedColour the model colour of the trace lines drawn dashed (-1: none).
std::string profileLook(const std::string& profile);
// The letter beside a packet's caption of fill `model`, or "".
std::string packetLetter(const std::string& profile, int model);
// The name of the profile `name` stands for: itself when known, otherwise
// "standard".
std::string profileName(const std::string& name);

// The words of the help the page shows, for profile `name`, as JSON:
//   "version", "copyright", "licence", "bundled" (what the page holds of
//                      other projects, and their licences)
//   "gettingStarted": [{"title", "paragraphs": [...]}, ...]   (the sections
//                      that have words of their own)
//   "colours": [{"title", "note", "entries": [{"name", "meaning",
//               "swatches": [drawn 0xBBGGRR, ...], "letters": ["D", ...]}]}]
//   "eventCodes": [[code, "DataArrived"], ...], "components": ["Transmitter1", ...]
//   "eventCsvHeader": "time_s,from,..."
std::string helpTexts(const std::string& profile);

}  // namespace web
