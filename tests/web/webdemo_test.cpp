// SPDX-License-Identifier: MIT
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "session/labreport.h"
#include "session/script.h"
#include "web/lessons.h"
#include "web/webdemo.h"

namespace {

using Json = nlohmann::json;

int idOf(const Json& tree, const std::string& name)
{
    for (const auto& n : tree) {
        if (n["name"] == name) return n["id"].get<int>();
    }
    return -1;
}

// Ids of the controls a sync reported changed.
std::vector<int> changed(const Json& sync)
{
    std::vector<int> ids;
    for (const auto& c : sync["controls"]) ids.push_back(c[0].get<int>());
    return ids;
}

std::string runner(const std::string& script)
{
    std::ostringstream out, err;
    ScriptRunner r(out, err);
    std::istringstream in(script);
    r.run(in);
    return out.str() + err.str();
}

TEST(WebDemo, TreeNamesEveryControlAsTheRunnerDoesWithOwners)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    EXPECT_EQ(tree[0]["name"], "LinkDemo");
    const int wire = idOf(tree, "Wire1");
    const int packet = idOf(tree, "Wire1.cmdPacket(3)");
    ASSERT_GE(packet, 0);
    EXPECT_EQ(tree[packet]["parent"], wire);
    EXPECT_EQ(tree[packet]["owner"], wire);
    EXPECT_EQ(tree[idOf(tree, "LinkDemo.cmdPause")]["owner"], -1);
    EXPECT_EQ(idOf(tree, "LinkDemo.Timer1"), -1);  // timers have no element
    for (const auto& n : tree) EXPECT_LT(n["parent"].get<int>(), n["id"].get<int>());
}

TEST(WebDemo, SyncSendsOnlyWhatChanged)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    const Json first = Json::parse(d.sync());
    const auto sent = changed(first);
    auto has = [](const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    EXPECT_TRUE(has(sent, idOf(tree, "Wire1.cmdEdit")));
    EXPECT_TRUE(has(sent, idOf(tree, "Wire2")));  // hidden, and said so
    EXPECT_FALSE(has(sent, idOf(tree, "Wire2.cmdEdit")));
    EXPECT_FALSE(first["stacks"].empty());
    const Json idle = Json::parse(d.sync());
    EXPECT_TRUE(idle["controls"].empty());
    EXPECT_TRUE(idle["stacks"].empty());

    const int pause = idOf(tree, "LinkDemo.cmdPause");
    d.click(pause);
    const auto ids = changed(Json::parse(d.sync()));
    EXPECT_TRUE(has(ids, pause));
    EXPECT_LT(ids.size(), tree.size() / 4);

    // Shown with the router: the wire's controls come now.
    d.click(idOf(tree, "LinkDemo.cmdRouter"));
    EXPECT_TRUE(has(changed(Json::parse(d.sync())), idOf(tree, "Wire2.cmdEdit")));

    // A focus raises the component: only the window is re-stacked.
    d.focus(idOf(tree, "Receiver1.chkRxReady"));
    const Json raised = Json::parse(d.sync());
    ASSERT_EQ(raised["stacks"].size(), 1u);
    EXPECT_EQ(raised["stacks"][0][0], 0);
    EXPECT_EQ(raised["stacks"][0][1].back(), idOf(tree, "Receiver1"));
}

TEST(WebDemo, StatesKeptFromTheChangedFieldsEqualTheDump)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    // What the page holds: the first sync's states, each later sync's
    // fields merged in.
    std::map<int, Json> page;
    auto merge = [&](const Json& sync) {
        for (const auto& c : sync["controls"]) page[c[0].get<int>()].update(c[1]);
        return sync["controls"].size();
    };
    merge(Json::parse(d.sync()));
    d.click(idOf(tree, "Wire1.cmdEdit"));
    const std::string typed = "4\"\\\x01\tx\xC3\xA9";
    d.edit(idOf(tree, "Wire1.cmbDelay"), typed);
    d.click(idOf(tree, "LinkDemo.cmdPause"));
    d.advanceTo(2345);
    ASSERT_GT(merge(Json::parse(d.sync())), 10u);
    // A packet on the move sends its position, not its caption again.
    d.advanceTo(2445);
    const Json moved = Json::parse(d.sync());
    merge(moved);
    const int packet = idOf(tree, "Wire1.cmdPacket(0)");
    bool packetMoved = false;
    for (const auto& c : moved["controls"]) {
        if (c[0] != packet) continue;
        packetMoved = true;
        EXPECT_FALSE(c[1].contains("caption")) << c[1];
        EXPECT_FALSE(c[1].contains("font")) << c[1];
    }
    EXPECT_TRUE(packetMoved);
    ASSERT_GT(page.size(), 150u);  // the shown components
    for (const auto& [id, state] : page) {
        const std::string name = tree[static_cast<std::size_t>(id)]["name"];
        const widgets::Control* control = name == "LinkDemo" ? &d.demo() : d.demo().findControl(name);
        if (!control) control = d.demo().findComponent(name);
        ASSERT_NE(control, nullptr) << name;
        if (control->parent() && !control->parent()->reachable()) continue;  // sent when shown
        const Json want = dump::control(*control, name);
        for (const auto& [key, value] : want.items()) {
            if (key == "name" || key == "kind" || key == "lineCount") continue;
            EXPECT_EQ(state[key], value) << name << "." << key;
        }
    }
    EXPECT_EQ(d.demo().Wire1.cmbDelay.text(), typed);
}

TEST(WebDemo, TraceLinesArriveOnceAndInFullAfterAClear)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    const int picture = idOf(tree, "Wire1.Picture1");
    d.sync();
    d.click(idOf(tree, "LinkDemo.cmdPause"));
    Json last;
    auto linesSent = [&](const Json& sync, bool* redraw) {
        for (const auto& p : sync["pictures"]) {
            if (p[0] == picture) {
                *redraw = p[1].get<bool>();
                last = p[2];
                return p[2].size() / 5;
            }
        }
        return std::size_t{0};
    };
    const auto& model = static_cast<const widgets::Picture&>(*d.demo().findControl("Wire1.Picture1"));
    std::size_t total = 0;
    bool redraw = false;
    for (int i = 0; i < 30; ++i) {
        d.advanceTo(d.now() + 100);
        total += linesSent(Json::parse(d.sync()), &redraw);
    }
    EXPECT_GT(total, 0u);
    EXPECT_FALSE(redraw);
    EXPECT_EQ(total, model.lines().size());
    // The background click repaints every trace: redrawn whole.
    d.background();
    const std::size_t again = linesSent(Json::parse(d.sync()), &redraw);
    EXPECT_TRUE(redraw);
    ASSERT_EQ(again, model.lines().size());
    // The ends arrive in whole pixels at zoom 1 (15 units), halves up.
    for (std::size_t k = 0; k < again; ++k) {
        const auto& l = model.lines()[k];
        const std::vector<double> ends{l.x1, l.y1, l.x2, l.y2};
        for (std::size_t j = 0; j < 4; ++j) {
            ASSERT_TRUE(last[5 * k + j].is_number_integer());
            EXPECT_EQ(last[5 * k + j].get<double>(), std::round(ends[j] / 15)) << "line " << k;
        }
    }
}

TEST(WebDemo, RunContinuesTheLiveModelAndPrintsAsTheRunner)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    // A user's click, then lines from the console, equal one script.
    d.click(idOf(tree, "LinkDemo.cmdPause"));
    const Json r = Json::parse(d.run("run 1100\npress Wire3.cmdEdit\ndump Wire1.cmdPacket(0)\nbogus\ndump\n"));
    const std::string expected =
        runner("press LinkDemo.cmdPause\nrun 1100\npress Wire3.cmdEdit\ndump Wire1.cmdPacket(0)\n");
    EXPECT_EQ(r["status"], ScriptRunner::kScriptError);
    EXPECT_EQ(r["stderr"], "ignored: Wire3.cmdEdit is hidden\nline 4: unknown command 'bogus'\n");
    // Both streams in the order written.
    EXPECT_EQ(r["text"].get<std::string>().find("ignored"), 0u);
    EXPECT_EQ(r["stdout"].get<std::string>() + r["stderr"].get<std::string>(),
              expected + "line 4: unknown command 'bogus'\n");
}

TEST(WebDemo, TheRecordedSessionReplaysToTheSameStateInTheRunner)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    const int scenario = idOf(tree, "LinkDemo.cmbScenario");
    int goBackN = -1;
    const Json items = Json::parse(d.sync())["controls"];
    for (const auto& c : items) {
        if (c[0] == scenario) {
            const auto& list = c[1]["items"];
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (list[i] == "Go-back-N ARQ") goBackN = static_cast<int>(i);
            }
        }
    }
    ASSERT_GE(goBackN, 0);
    d.choose(scenario, goBackN);
    d.click(idOf(tree, "LinkDemo.cmdPause"));
    d.advanceTo(2300);
    d.click(idOf(tree, "Wire1.cmdEdit"));
    for (const char* text : {"1", "1.", "1.5"}) d.edit(idOf(tree, "Wire1.cmbDelay"), text);
    d.advanceTo(4100);
    d.click(idOf(tree, "Wire1.cmdPacket(0)"));
    d.step();
    d.scroll(idOf(tree, "Wire1.VScroll2"), 30);
    // Console lines join the session; a query that only prints does not.
    d.run("run 700\npress Receiver1.chkRxReady\ndump Wire1\n");
    d.advanceTo(d.now() + 900);
    const std::string script = d.script();
    EXPECT_TRUE(d.scriptExact());
    EXPECT_EQ(script.find("dump"), std::string::npos) << script;
    EXPECT_NE(script.find("type Wire1.cmbDelay 1.5\n"), std::string::npos) << script;
    const Json here = Json::parse(d.run("dump\n"));
    EXPECT_EQ(runner(script + "dump\n"), here["stdout"].get<std::string>()) << script;
}

// The page's clock feeds the run's clock: five seconds and a tick back
// from a long pause reach what the runner reaches with the session cut
// there, and the session is the cut one.
TEST(WebDemo, BackReachesTheCutSessionInRunningTime)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    const int pause = idOf(tree, "LinkDemo.cmdPause");
    double real = 0;
    d.rebaseClock(real);
    const auto wall = [&](double ms) {
        for (const double end = real + ms; real < end;) d.wake(real += 100);
    };
    d.click(pause);
    wall(12000);
    d.click(pause);
    wall(60000);
    EXPECT_EQ(d.timeTicks(), 120);
    ASSERT_TRUE(d.back(5000));
    ASSERT_TRUE(d.backToTick(d.timeTicks() - 1));
    const std::string cut = "press LinkDemo.cmdPause\nrun 6900\npress LinkDemo.cmdPause\n";
    EXPECT_EQ(d.script(), cut);
    EXPECT_EQ(Json::parse(d.run("dump\n"))["stdout"].get<std::string>(), runner(cut + "dump\n"));
}

// ] then Delete is a click on the chosen packet, recorded as one; F leaves
// the traces where the window's Follow the Present would, and only that.
TEST(WebDemo, PresenterKeysActAsTheWindowsAndReplay)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    d.click(idOf(tree, "LinkDemo.cmdPause"));
    d.advanceTo(2500);
    d.selectPacket(1);
    const int chosen = d.selectedPacket();
    ASSERT_GE(chosen, 0);
    const std::string name = tree[static_cast<std::size_t>(chosen)]["name"];
    EXPECT_NE(name.find(".cmdPacket("), std::string::npos);
    d.destroySelectedPacket();
    EXPECT_EQ(d.selectedPacket(), -1);
    d.advanceTo(3000);
    EXPECT_NE(d.script().find("press " + name + "\n"), std::string::npos) << d.script();
    EXPECT_TRUE(d.scriptExact());
    EXPECT_EQ(runner(d.script() + "dump\n"), Json::parse(d.run("dump\n"))["stdout"].get<std::string>());

    // Following, each second of the wall clock ends on the present.
    web::WebDemo replay;
    replay.run(d.script());
    d.setFollowPresent(true);
    d.rebaseClock(0);
    presenter::followPresent(replay.demo());
    for (int s = 1; s <= 40; ++s) {
        d.wake(1000.0 * s);
        replay.run("run 1000\n");
        presenter::followPresent(replay.demo());
    }
    const std::string here = Json::parse(d.run("dump\n"))["stdout"];
    EXPECT_EQ(Json::parse(replay.run("dump\n"))["stdout"], here);
    // The script cannot say it: replayed, the traces stay where they were.
    EXPECT_FALSE(d.scriptExact());
    EXPECT_NE(runner(d.script() + "dump\n"), here);
}

TEST(WebDemo, MessageBoxesOutsideARunWaitForThePageInOrder)
{
    web::WebDemo d;
    d.messageBox().show("first");
    d.messageBox().show("second");
    EXPECT_EQ(d.takeMessage(), "first");
    EXPECT_EQ(d.takeMessage(), "second");
    EXPECT_EQ(d.takeMessage(), "");
}

TEST(WebDemo, InputOnHiddenOrWrongControlsIsDropped)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    d.sync();
    d.click(idOf(tree, "Wire3.cmdEdit"));                         // hidden wire
    d.edit(idOf(tree, "LinkDemo.cmbScenario"), "Go-back-N ARQ");  // list-only
    d.scroll(idOf(tree, "LinkDemo.cmdPause"), 3);                 // not a scroll bar
    d.click(-1);
    d.click(static_cast<int>(tree.size()));
    EXPECT_TRUE(Json::parse(d.sync())["controls"].empty());
    EXPECT_EQ(d.demo().topology, 0);
}

// ---- The page's panels: names, explanations, the event log, downloads ----

// The runner's output lines that are objects under `key`.
std::vector<Json> runnerObjects(const std::string& script, const std::string& key)
{
    std::vector<Json> out;
    std::istringstream lines(runner(script));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] != '{') continue;
        const Json j = Json::parse(line);
        if (j.contains(key)) out.push_back(j[key]);
    }
    return out;
}

TEST(WebDemoPanels, ListsAndFieldsAreNamedByTheCaptionBesideThem)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    const auto node = [&](const std::string& name) { return tree[static_cast<std::size_t>(idOf(tree, name))]; };
    EXPECT_EQ(node("Wire1.cmbDelay")["caption"], "Delay");
    EXPECT_EQ(node("Wire1.cmbBitRate")["caption"], "Bit Rate");
    EXPECT_EQ(node("Transmitter1.cmbTxWindowSize")["caption"], "Max Window Size");
    EXPECT_EQ(node("Receiver1.cmbRxPolicy")["caption"], "Rx Policy");
    EXPECT_EQ(node("Queue1.cmbSize")["caption"], "Length");
    EXPECT_EQ(node("LinkDemo.cmbScenario")["caption"], "");
    EXPECT_EQ(node("Wire1.cmdPacket(3)")["about"], "Wire1.cmdPacket(3): A packet on the wire: click to destroy it");
}

TEST(WebDemoPanels, LiveWordsAreSentWhereTheyChangeAndAgainOnRequest)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    const int packet = idOf(tree, "Wire1.cmdPacket(0)");
    const auto wordsOf = [](const Json& sync, int id) -> std::optional<std::string> {
        for (const auto& w : sync["words"]) {
            if (w[0] == id) return w[1].get<std::string>();
        }
        return std::nullopt;
    };
    d.sync();
    d.click(idOf(tree, "LinkDemo.cmdPause"));
    d.advanceTo(1100);
    const auto said = wordsOf(Json::parse(d.sync()), packet);
    ASSERT_TRUE(said);
    EXPECT_EQ(said->rfind("Data packet 0, ", 0), 0u) << *said;
    EXPECT_FALSE(wordsOf(Json::parse(d.sync()), packet));
    d.resendWords();
    EXPECT_EQ(wordsOf(Json::parse(d.sync()), packet), said);
}

TEST(WebDemoPanels, ExplanationsAndEventsEqualTheRunnersForTheSameSession)
{
    const std::string before = "press LinkDemo.cmdPause\nrun 1100\n";
    const std::string after = "run 3000\n";
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    d.explain(true);
    d.eventLog(true);
    d.run(before);
    d.click(idOf(tree, "Wire1.cmdPacket(0)"));
    // From the console too, a packet pressed away is destroyed by a click.
    d.run("run 300\npress Wire1.cmdPacket(1)\n" + after);
    const Json lines = Json::parse(d.takeExplanations());
    const Json events = Json::parse(d.takeEvents());
    EXPECT_TRUE(Json::parse(d.takeExplanations()).empty());

    const std::string script =
        "explain on\nlog on\n" + before + "press Wire1.cmdPacket(0)\nrun 300\npress Wire1.cmdPacket(1)\n" + after;
    const auto said = runnerObjects(script, "explain");
    ASSERT_EQ(lines.size(), said.size());
    int clicks = 0;
    for (std::size_t i = 0; i < said.size(); ++i) {
        EXPECT_EQ(lines[i]["text"], said[i]["text"]);
        EXPECT_EQ(lines[i]["time"], said[i]["time"]);
        clicks += lines[i]["text"].get<std::string>().find("click") != std::string::npos;
    }
    EXPECT_EQ(clicks, 2) << lines.dump();
    const auto logged = runnerObjects(script, "event");
    ASSERT_EQ(events.size(), logged.size());
    for (std::size_t i = 0; i < logged.size(); ++i) {
        Json e = events[i];
        e.erase("csv");
        EXPECT_EQ(e, logged[i]) << i;
    }
    // Off, they cost nothing and forget what was not taken.
    d.explain(false);
    d.eventLog(false);
    d.run(after);
    d.eventLog(true);
    EXPECT_TRUE(Json::parse(d.takeEvents()).empty());
}

TEST(WebDemoPanels, SvgIsOfferedAsADownloadAndSaidSo)
{
    const auto dir = std::filesystem::temp_directory_path() / "linkdemo-web-svg";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "trace.svg").string();
    std::filesystem::remove(file);
    const std::string script = "press LinkDemo.cmdPause\nrun 3000\nsvg Wire1.Picture1 " + file + "\n";
    web::WebDemo d;
    const Json r = Json::parse(d.run(script + "dump LinkDemo\n"));
    EXPECT_FALSE(std::filesystem::exists(file));
    const std::string expected = runner(script);
    std::ifstream in(file, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(r["downloads"].size(), 1u);
    EXPECT_EQ(r["downloads"][0]["name"], "trace.svg");
    EXPECT_EQ(r["downloads"][0]["type"], "image/svg+xml");
    EXPECT_EQ(r["downloads"][0]["text"], written);
    // The runner's own line, then the download's.
    const std::string out = r["stdout"];
    const std::string said = "{\"download\": \"trace.svg\", \"bytes\": " + std::to_string(written.size()) + "}\n";
    EXPECT_EQ(out.substr(0, expected.size() + said.size()), expected + said);
    EXPECT_TRUE(Json::parse(d.run("dump LinkDemo\n"))["downloads"].empty());
    std::filesystem::remove_all(dir);
}

// The page applies the core's Tab chain and layers as sent: a component
// that moves re-sends the places that changed, and nothing else.
TEST(WebDemo, SyncCarriesTheCoresTabChainAndLayers)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    auto states = [](const Json& sync) {
        std::map<int, Json> out;
        for (const auto& c : sync["controls"]) out[c[0].get<int>()] = c[1];
        return out;
    };
    auto first = states(Json::parse(d.sync()));
    const int edit = idOf(tree, "Transmitter1.cmdEdit");
    const int pause = idOf(tree, "LinkDemo.cmdPause");
    EXPECT_LT(first[edit]["tab"].get<int>(), first[pause]["tab"].get<int>());
    EXPECT_EQ(first[idOf(tree, "Wire1.cmdPacket(0)")]["tab"], 0);
    EXPECT_EQ(first[idOf(tree, "Transmitter1")]["layer"], 1);
    EXPECT_EQ(tree[idOf(tree, "Transmitter1.lblTxMode")]["press"], idOf(tree, "Transmitter1"));
    // The receiver moves left of the transmitter: its controls come first now.
    d.demo().Receiver1.setLeft(0);
    d.demo().Transmitter1.setLeft(9000);
    auto moved = states(Json::parse(d.sync()));
    ASSERT_TRUE(moved.count(edit));
    EXPECT_GT(moved[edit]["tab"].get<int>(), moved[idOf(tree, "Receiver1.chkRxReady")]["tab"].get<int>());
    EXPECT_FALSE(moved.count(pause));  // still last
    // A click on the background sends the focus home.
    EXPECT_EQ(d.background(), d.home());
    EXPECT_EQ(d.home(), pause);
    EXPECT_EQ(d.keyAction("Space", false, false, "button", true), "pause");
    EXPECT_EQ(d.keyAction("Space", false, false, "button", false), "");
}

}  // namespace

// ---- playing scripts and lessons ----------------------------------------

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Wakes the clock every 10 ms of (virtual) real time until the script
// ends, answering each question with `choice` and going on after it;
// `between` runs at every wake-up. Returns what the played lines printed.
std::string playThrough(web::WebDemo& d, double& real, int choice, const std::function<void()>& between = {})
{
    std::string printed;
    for (int guard = 0; guard < 1'000'000 && d.playing(); ++guard) {
        d.wake(real += 10);
        const Json band = Json::parse(d.playInfo())["band"];
        if (band["mode"] == "ask" && band["chosen"] == -1) d.answer(choice);
        if (band["mode"] == "ask" && band["canContinue"] == true) d.proceed();
        if (between) between();
        printed += Json::parse(d.takePlayOutput())["text"].get<std::string>();
    }
    return printed;
}

}  // namespace

TEST(WebDemoPlayer, EveryLessonOfTheExamplesIsBundledAsItStands)
{
    const auto& bundled = web::bundledLessons();
    const Json listed = Json::parse(web::WebDemo::lessons());
    ASSERT_EQ(bundled.size(), 9u);
    ASSERT_EQ(listed.size(), bundled.size());
    for (std::size_t i = 0; i < bundled.size(); ++i) {
        const std::string name(bundled[i].name);
        EXPECT_EQ(std::string(bundled[i].text), readFile(std::string(LINKDEMO_EXAMPLES) + "/" + name + ".txt"));
        EXPECT_EQ(listed[i]["name"], name);
        EXPECT_FALSE(listed[i]["title"].get<std::string>().empty());
    }
    web::WebDemo d;
    EXPECT_FALSE(d.playLesson("lesson-0-none"));
    EXPECT_FALSE(d.playing());
}

TEST(WebDemoPlayer, APlayedLessonPrintsWhatTheRunnerPrintsAndEndsPaused)
{
    const std::string name(web::bundledLessons()[4].name);
    const std::string script(web::bundledLessons()[4].text);
    web::WebDemo d;
    // Whatever came before, the lesson starts from the start-up state.
    d.run("choose LinkDemo.cmbScenario Software Flow\nstep\n");
    ASSERT_TRUE(d.playLesson(name));
    double real = 0;
    const std::string printed = playThrough(d, real, 0);
    EXPECT_EQ(printed, runner(script));
    const Json info = Json::parse(d.playInfo());
    EXPECT_EQ(info["state"], "finished");
    EXPECT_NE(info["status"].get<std::string>().find("Played "), std::string::npos);
    EXPECT_NE(info["band"]["text"].get<std::string>().find(" predicted."), std::string::npos);
    EXPECT_TRUE(d.demo().paused);
    // The session written down replays to the same state.
    const std::string replayed = runner(d.script() + "dump LinkDemo\n");
    const std::string here = Json::parse(d.run("dump LinkDemo\n"))["stdout"].get<std::string>();
    ASSERT_GE(replayed.size(), here.size());
    EXPECT_EQ(replayed.substr(replayed.size() - here.size()), here);
}

TEST(WebDemoPlayer, ThePauseButtonHoldsScriptAndClockAndStepsGoOnExactly)
{
    const std::string script =
        "press LinkDemo.cmdPause\nrun 3000\ndump Wire1.cmdPacket(0)\nrun 1300\n"
        "say half-way\nrun 500\ndump Transmitter1\n";
    web::WebDemo d;
    const int pause = idOf(Json::parse(d.tree()), "LinkDemo.cmdPause");
    ASSERT_TRUE(d.play(script, "demo.txt"));
    double real = 0;
    int wakes = 0;
    const std::string printed = playThrough(d, real, 0, [&] {
        if (++wakes != 30) return;
        d.click(pause);  // Space or a click: the script pauses, not the model
        EXPECT_TRUE(Json::parse(d.playInfo())["paused"].get<bool>());
        EXPECT_FALSE(d.demo().paused);
        const double held = d.now();
        d.wake(real += 5000);
        EXPECT_EQ(d.now(), held);
        for (int i = 0; i < 12; ++i) d.step();  // Step script: 100 ms at a time
        EXPECT_EQ(d.now(), held + 1200);
        d.click(pause);
    });
    EXPECT_EQ(printed, runner(script));
    EXPECT_EQ(Json::parse(d.playInfo())["status"], "Played demo.txt");
}

TEST(WebDemoPlayer, AQuestionHoldsTheClockUntilAnsweredAndABadScriptMovesNothing)
{
    web::WebDemo d;
    d.setWaitAtCaptions(true);
    const int pause = idOf(Json::parse(d.tree()), "LinkDemo.cmdPause");
    ASSERT_TRUE(d.play("press LinkDemo.cmdPause\nsay look\nask Which?\nchoice a\nchoice* b\nreveal b it is\nrun 500\n",
                       "q.txt"));
    d.wake(0);
    EXPECT_EQ(Json::parse(d.playInfo())["band"]["mode"], "wait");
    d.click(pause);  // Continue at the caption
    d.wake(10);
    Json info = Json::parse(d.playInfo());
    ASSERT_EQ(info["band"]["mode"], "ask");
    EXPECT_EQ(info["status"], "q.txt asks: choose an answer (1 to 2)");
    d.click(pause);  // a question waits for its answer
    EXPECT_FALSE(d.answer(2));
    d.wake(2000);
    EXPECT_EQ(d.now(), 0);
    EXPECT_TRUE(d.answer(1));
    info = Json::parse(d.playInfo());
    EXPECT_EQ(info["band"]["chosen"], 1);
    EXPECT_TRUE(info["band"]["canWatchAgain"].get<bool>());
    d.click(pause);
    d.wake(2300);
    d.wake(2600);
    EXPECT_EQ(d.now(), 300);

    const double now = d.now();
    EXPECT_FALSE(d.play("press LinkDemo.cmdPause\nfrobnicate\n", "bad.txt"));
    EXPECT_EQ(d.now(), now);
    EXPECT_NE(Json::parse(d.playInfo())["status"].get<std::string>().find("bad.txt not played: line 2"),
              std::string::npos);
}

namespace {

// The entry of `wire` in a traces() answer.
Json traceOf(const std::string& traces, const std::string& wire)
{
    for (const auto& t : Json::parse(traces)) {
        if (t["wire"] == wire) return t;
    }
    return {};
}

}  // namespace

// The Follow notice comes once the present leaves the view and goes when
// followed; traces() says nothing while nothing changed; smooth motion
// places packets only while on and running.
TEST(WebDemoTraceTools, NoticesAndMotionFollowTheRun)
{
    web::WebDemo d;
    const Json tree = Json::parse(d.tree());
    d.run("choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 10000\n");
    const Json early = traceOf(d.traces(), "Wire1");
    EXPECT_FALSE(early["follow"]);
    EXPECT_FALSE(early["axis"].empty());
    EXPECT_EQ(early["picture"], idOf(tree, "Wire1.Picture1"));
    EXPECT_EQ(d.traces(), "") << "nothing changed";
    d.run("run 15000\n");
    EXPECT_TRUE(traceOf(d.traces(), "Wire1")["follow"]);
    d.setFollowPresent(true);
    EXPECT_FALSE(traceOf(d.traces(), "Wire1")["follow"]);

    EXPECT_EQ(d.motion(), "[]") << "off by default";
    d.setSmoothMotion(true);
    d.run("run 50\n");
    const Json spans = Json::parse(d.motion());
    ASSERT_FALSE(spans.empty());
    for (const auto& s : spans)
        EXPECT_NE(tree[s[0].get<std::size_t>()]["name"].get<std::string>().find(".cmdPacket("), std::string::npos);
    d.run("press LinkDemo.cmdPause\n");
    EXPECT_EQ(d.motion(), "[]") << "paused: the model's own places";
}

// The plot the Lab draws (window and page alike): a point where time moved,
// afresh after a reset, thinned beyond its cap with both ends kept.
TEST(LabReport, PlotRestartsAtAResetAndThinsKeepingItsEnds)
{
    labreport::DeliveryPlot plot;
    lab::Figures f;
    using Change = labreport::DeliveryPlot::Change;
    EXPECT_EQ(plot.sample(f), Change::Appended);
    EXPECT_EQ(plot.sample(f), Change::None);
    for (std::size_t k = 1; k < labreport::DeliveryPlot::kMaxPoints; ++k) {
        f.elapsed = static_cast<std::int64_t>(k) * 100;
        f.delivered = k;
        f.deliveredWrong = k / 10;
        ASSERT_EQ(plot.sample(f), Change::Appended);
    }
    f.elapsed += 100;
    EXPECT_EQ(plot.sample(f), Change::Rebuilt);
    EXPECT_LE(plot.seconds().size(), labreport::DeliveryPlot::kMaxPoints / 2 + 1);
    EXPECT_EQ(plot.seconds().front(), 0);
    EXPECT_EQ(plot.seconds().back(), static_cast<double>(f.elapsed) / 1000);
    EXPECT_EQ(plot.correct().back(), static_cast<double>(f.delivered - f.deliveredWrong));
    EXPECT_EQ(plot.wrong().back(), static_cast<double>(f.deliveredWrong));

    f.elapsed = 300;  // a reset
    EXPECT_EQ(plot.sample(f), Change::Rebuilt);
    EXPECT_EQ(plot.seconds().size(), 1u);

    const labreport::Axis axis = labreport::roundAxis(13);
    EXPECT_EQ(axis.step, 5);
    EXPECT_EQ(axis.end, 15);
}

// The page's Lab settings are the runner's lines: what they would refuse
// changes nothing, what they take is recorded, and the plot's points go to
// the page once each.
TEST(WebDemo, LabSettingsAreTheRunnersLines)
{
    web::WebDemo d;
    EXPECT_FALSE(d.setLabLoss(1, "0.7"));
    EXPECT_FALSE(d.setLabLoss(1, "0.1\nset loss Wire2 0.5"));
    EXPECT_FALSE(d.setLabSeed("-3"));
    EXPECT_TRUE(d.setLabLoss(1, "0.25"));
    EXPECT_TRUE(d.setLabSeed("7"));
    EXPECT_EQ(d.setLabDrops(1, "data 2, 4:2"), "data 2, 4:2");
    EXPECT_EQ(d.setLabDrops(1, "nonsense"), "data 2, 4:2");
    EXPECT_EQ(d.demo().lab().loss(2), 0);
    const std::string script = d.script();
    for (const char* line : {"set loss Wire1 0.25", "set seed 7", "set drop Wire1 data 4 2"}) {
        EXPECT_NE(script.find(line), std::string::npos) << line;
    }

    Json info = Json::parse(d.labInfo(true));
    EXPECT_EQ(info["loss"][0], 0.25);
    EXPECT_EQ(info["plot"]["seconds"].size(), 1u);
    d.run("press LinkDemo.cmdPause\nrun 500");
    info = Json::parse(d.labInfo(false));
    EXPECT_FALSE(info["plot"]["rebuilt"]);
    EXPECT_EQ(info["plot"]["seconds"], Json::array({0.5}));
    EXPECT_EQ(Json::parse(d.labInfo(false))["plot"]["seconds"].size(), 0u);
}
