// SPDX-License-Identifier: MIT
#include "web/webdemo.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "session/script.h"
#include "session/dump.h"

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
    auto linesSent = [&](const Json& sync, bool* redraw) {
        for (const auto& p : sync["pictures"]) {
            if (p[0] == picture) {
                *redraw = p[1].get<bool>();
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
    EXPECT_EQ(again, model.lines().size());
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

}  // namespace
