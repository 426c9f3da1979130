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

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "shell/linkdemo.h"
#include "session/presenter.h"
#include "session/recorder.h"
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
    // runner's full name), "owner" (id of the nearest component, -1)}.
    // Ids are the array positions; timers are left out.
    std::string tree() const;

    // What changed since the previous sync, as JSON:
    //   "controls": [[id, state], ...]   the fields of each changed control
    //                                    that differ from the last sent
    //                                    (all of them the first time and
    //                                    after user input on it; inside a
    //                                    hidden container: when the
    //                                    container is next shown)
    //   "stacks":   [[id, [child ids bottom to top]], ...]
    //   "pictures": [[id, redraw, [x1, y1, x2, y2, colour, ...]], ...]
    // A picture with redraw true is cleared to its back colour before its
    // lines are drawn; otherwise the lines continue what was drawn before.
    // Hidden pictures are brought up to date when they are next shown.
    std::string sync();
    // Makes the next sync describe everything, as the first one does.
    void invalidate();

    // User input on control `id` (an id of tree()); each is dropped when
    // the control cannot be reached.
    void click(int id);                          // button or check box
    void choose(int id, int index);              // a combo's list item
    void edit(int id, const std::string& text);  // an editable combo's text
    void scroll(int id, int value);              // a scroll bar
    // The component owning control `id` receives the focus.
    void focus(int id);
    // A click on the window background.
    void background();

    // The virtual clock, in milliseconds.
    double now() const;
    // Advances the scheduler to `t` (nothing when t is not ahead).
    void advanceTo(double t);

    // The presenter's pace: simulated milliseconds for `realMs` more of
    // real time at the speed chosen (index into presenter::Pace::kSpeeds).
    double paceAdvance(double realMs);
    void setPace(int index);
    int paceIndex() const { return m_pace.index(); }
    // Forgets the pace's carried fraction (after a step or a held clock).
    void dropPace() { m_pace.drop(); }
    // One main tick, as the window's Step.
    void step();
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

private:
    struct Entry {
        widgets::Control* control;
        int parent;
        int owner;
        std::string name;
        std::uint64_t revision = 0;
        // The state's fields as last sent ("key":value), empty when the
        // page is to get them all.
        std::vector<std::string> fields{};
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

    void build(widgets::Container& container, int parent, int owner, const std::string& prefix);
    Entry* entry(int id, widgets::Kind kind);
    // The control's whole state goes with the next sync.
    void resend(Entry& e);
    void ownerFocus(const Entry& e);
    void record(UserInput::Kind kind, const Entry* e, const std::string& text = {}, int value = 0);

    PageMessageBox m_box;
    std::unique_ptr<LinkDemo> m_demo;
    std::vector<Entry> m_entries;
    std::vector<Stack> m_stacks;
    // Reused by every sync.
    std::string m_scratch;
    std::vector<std::size_t> m_keys;
    presenter::Pace m_pace;
    ScriptRecorder m_recorder;
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

}  // namespace web
