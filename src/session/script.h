// SPDX-License-Identifier: MIT
// The headless script runner: builds the window's model with no display,
// reads a script of user actions, advances simulated time and prints the
// state of the controls as one compact JSON object a line.
//
// Script errors (an unknown command or control, an item not in a combo's
// list, typing into a list-only combo, a missing or malformed argument) stop
// the script at once with a message naming the line and status 2. An
// `expect` that does not hold names its line on the diagnostics and the
// script goes on, to end with status 3.
//
// The runner keeps the inputs of its session (every line that acts, and the
// time that passed between them), so that `back` can replay them into a
// fresh model up to an earlier moment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "session/checkpoint.h"
#include "session/tracefigure.h"
#include "shell/linkdemo.h"
#include "widgets/messagebox.h"

namespace explain {
class Explainer;
}

namespace eventlog {
class EventLog;
}
namespace script_detail {
class Words;
}

class ScriptRunner {
public:
    static constexpr int kOk = 0;
    static constexpr int kScriptError = 2;
    static constexpr int kExpectFailed = 3;

    // One command of the script language. `usage` and `help` make its line
    // of linkdemo-script's help (both empty for the commands the help leaves
    // to the manual page); a command that `passesTime` lets simulated time
    // go by, which a player does at its own pace.
    struct Command {
        std::string_view name;
        void (ScriptRunner::*handler)(script_detail::Words& words, const std::string& command);
        std::string_view usage;
        std::string_view help;
        bool passesTime = false;
    };
    // Every command, in the order the help lists them.
    static std::span<const Command> commands();
    // The command a line starts with (blanks first allowed); nullptr for a
    // blank or comment line or an unknown command.
    static const Command* commandOf(std::string_view line);
    // The help's list of commands, one "  USAGE  HELP" line each.
    static std::string commandHelp();

    // Builds the model (its start-up runs at virtual time 0). Dumps and
    // message boxes go to `out`, diagnostics to `err`. `random`, when given,
    // replaces the model's own generator and must outlive the runner.
    ScriptRunner(std::ostream& out, std::ostream& err, widgets::Random* random = nullptr);
    // Drives an existing model (a live page's) instead of building one; the
    // model keeps the message box it was built with, which should print
    // through printMessageBox() while this runner runs.
    ScriptRunner(LinkDemo& demo, std::ostream& out, std::ostream& err);
    ~ScriptRunner();

    // A message box as the runner prints it: {"messageBox": "TEXT"}.
    static void printMessageBox(std::ostream& out, const std::string& text);

    // Where the character of the UTF-8 text that starts at byte `at` ends:
    // `type` adds one such character to the field per keystroke.
    static std::size_t characterEnd(const std::string& text, std::size_t at);

    // Runs every line of `script` in turn; returns kOk when the whole script
    // ran, kScriptError at the first bad line, kExpectFailed when it ran but
    // an `expect` of this runner did not hold.
    int run(std::istream& script);
    // Runs one line as line `number` of a script: kOk, or kScriptError after
    // the message naming the line. An `expect` that does not hold gives kOk
    // after its message, and expectFailed() is true from then on.
    int runLine(const std::string& line, long number);
    // The end of the script: kScriptError (after the message) when a
    // question is still waiting for its `reveal`, else kOk.
    int finish();

    // Checks `script` before anything acts: runs it from start-up on a
    // model of its own, printing nothing and writing no file. Empty when
    // every line is good, else "line N: reason" for the first bad one.
    static std::string check(const std::string& script);
    bool expectFailed() const { return m_expectFailed; }

    // When set, a valid `run MS` hands MS to it instead of advancing the
    // clock: a player lets that time pass at its own pace.
    std::function<void(std::int64_t)> onRun;
    // When set, told the text of each `say` after it is printed.
    std::function<void(const std::string&)> onSay;
    // When set, told of each checkpoint at its `reveal`, after it is printed.
    std::function<void(const Checkpoint&)> onCheckpoint;
    // When set, a file a command writes (svg) is handed to it, its name as
    // the script gave it and its whole text, instead of being written.
    std::function<void(const std::string& file, const std::string& text)> onWrite;

    LinkDemo& demo() { return *m_demo; }
    // The message box the model shows its messages in.
    widgets::MessageBox& messageBox() { return m_messageBox; }

private:
    // Answers every message box OK at once, after printing it.
    class PrintingMessageBox : public widgets::MessageBox {
    public:
        explicit PrintingMessageBox(std::ostream& out) : m_out(out) {}
        void show(const std::string& text) override;
        // While true, boxes are answered without printing (a replay).
        bool silent = false;

    private:
        std::ostream& m_out;
    };

    void execute(const std::string& line);
    void runCommand(script_detail::Words& words, const std::string& command);
    void stepCommand(script_detail::Words& words, const std::string& command);
    void pressCommand(script_detail::Words& words, const std::string& command);
    void chooseCommand(script_detail::Words& words, const std::string& command);
    void typeCommand(script_detail::Words& words, const std::string& command);
    void scrollCommand(script_detail::Words& words, const std::string& command);
    void focusCommand(script_detail::Words& words, const std::string& command);
    void backgroundCommand(script_detail::Words& words, const std::string& command);
    void dumpCommand(script_detail::Words& words, const std::string& command);
    void setCommand(script_detail::Words& words, const std::string& command);
    void statsCommand(script_detail::Words& words, const std::string& command);
    void linesCommand(script_detail::Words& words, const std::string& command);
    void coloursCommand(script_detail::Words& words, const std::string& command);
    void svgCommand(script_detail::Words& words, const std::string& command);
    void logCommand(script_detail::Words& words, const std::string& command);
    void explainCommand(script_detail::Words& words, const std::string& command);
    void sayCommand(script_detail::Words& words, const std::string& command);
    // Checkpoints: ask, choice, choice*, reveal.
    void askCommand(script_detail::Words& words, const std::string& command);
    void choiceCommand(script_detail::Words& words, const std::string& command);
    void revealCommand(script_detail::Words& words, const std::string& command);
    // Lessons that check themselves, lose chosen packets and rewind.
    void expectCommand(script_detail::Words& words, const std::string& command);
    void backCommand(script_detail::Words& words, const std::string& command);
    void setDrop(script_detail::Words& words);
    widgets::Control& control(const std::string& name);
    bool reachable(const widgets::Control& c, const std::string& name);
    void dump(const std::string& prefix);
    void lines(const std::string& name);
    void svg(const std::string& name, const std::string& file, bool all, std::optional<figure::Range> range);
    void log(bool on);
    void explain(bool on);
    // Where "ignored: ..." goes: the diagnostics, nowhere while replaying.
    std::ostream& diag() { return m_replaying ? m_nowhere : m_err; }

    // One input of the session: a line that acts, or time passing (a `run`,
    // the middle of a `step`); a `step`'s clicks are its own inputs.
    struct Input {
        enum class Kind { Line, Advance, StepStart, StepEnd };
        Kind kind = Kind::Line;
        std::string line;
        std::int64_t ms = 0;
    };
    void record(Input input);
    void replay(const Input& input);
    // A fresh model, as a fresh runner builds it, given the inputs up to
    // simulated time `t`.
    void rewindTo(std::int64_t t);

    std::ostream& m_out;
    std::ostream& m_err;
    std::ostream m_nowhere{nullptr};
    PrintingMessageBox m_messageBox;
    widgets::Random* m_random = nullptr;
    std::unique_ptr<LinkDemo> m_ownDemo;
    LinkDemo* m_demo;
    std::vector<Input> m_inputs;
    bool m_replaying = false;
    // The line being run, for an `expect`'s message.
    long m_lineNumber = 0;
    std::string m_lineText;
    bool m_expectFailed = false;
    // Last: they watch the model while `log on` / `explain on` is in force.
    std::unique_ptr<eventlog::EventLog> m_log;
    std::unique_ptr<explain::Explainer> m_explainer;
    // The checkpoint being written: from its `ask` to its `reveal`.
    std::optional<Checkpoint> m_ask;
    // While checking a script: nothing is written to files.
    bool m_dry = false;
};
