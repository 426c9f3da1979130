// SPDX-License-Identifier: MIT
// Lecture material in the real window, offscreen: the trace's SVG read back
// by an XML parser, a session driven by clicks and keys recorded and
// replayed by the runner, a lesson played at a fast pace, the event log
// window and the caption band.
#include <sstream>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "gui/captionband.h"
#include "gui/demowindow.h"
#include "gui/eventlogwindow.h"
#include "gui/lecture.h"
#include "gui/profile.h"
#include "gui/traceexport.h"
#include "session/dump.h"
#include "session/script.h"
#include "session/tracefigure.h"
#include "wire/trace.h"

namespace {

class NoMessages : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

std::string dumpText(const LinkDemo& demo)
{
    std::string s;
    for (const auto& j : dump::objects(demo, "")) s += j.dump() + "\n";
    return s;
}

std::string runnerOutput(const std::string& script, std::string* finalDump = nullptr)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(script);
    EXPECT_EQ(runner.run(in), 0) << err.str() << "\n" << script;
    if (finalDump) *finalDump = dumpText(runner.demo());
    return out.str();
}

struct LectureFixture : ::testing::Test {
    NoMessages messages;
    LinkDemo demo{messages};
    gui::DemoWindow window{demo};
    gui::Lecture lecture{window, demo, &window};

    void SetUp() override
    {
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
    }
    void pass(std::int64_t ms)
    {
        demo.scheduler().advance(ms);
        window.sync();
    }
    QWidget* widget(const widgets::Control& c) { return window.widgetFor(c); }
    void click(const widgets::Control& c)
    {
        QWidget* w = widget(c);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }
};

}  // namespace

TEST_F(LectureFixture, TheSvgHoldsThePicturesLinesAndLabels)
{
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    pass(12000);
    const figure::TraceFigure f = figure::traceFigure(demo.Wire1);
    const std::string svg = figure::svg(f);

    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    std::vector<widgets::DrawnLine> lines;
    std::vector<std::pair<QString, QString>> labels;  // text, fill
    QString group, viewBox, version;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        if (xml.name() == u"svg") {
            viewBox = a.value("viewBox").toString();
            version = a.value("version").toString();
            EXPECT_EQ(xml.namespaceUri(), u"http://www.w3.org/2000/svg");
        } else if (xml.name() == u"g") {
            group = a.value("id").toString();
        } else if (xml.name() == u"line" && group == u"trace") {
            const QString c = a.value("stroke").toString();
            // #RRGGBB back to 0xBBGGRR.
            const int rgb = c.mid(1).toInt(nullptr, 16);
            lines.push_back({a.value("x1").toDouble(), a.value("y1").toDouble(), a.value("x2").toDouble(),
                             a.value("y2").toDouble(), ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)});
        } else if (xml.name() == u"text" && group == u"labels") {
            const QString fill = a.value("fill").toString();
            labels.emplace_back(xml.readElementText(), fill);
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(version, "1.1");
    // The picture's own coordinates, with the axis's margins around them.
    EXPECT_EQ(viewBox, QString("%1 %2 %3 %4")
                           .arg(-f.marginLeft)
                           .arg(-f.marginTop)
                           .arg(demo.Wire1.Picture1.width() + f.marginLeft)
                           .arg(demo.Wire1.Picture1.height() + f.marginTop + f.marginBottom));

    const auto& drawn = demo.Wire1.Picture1.lines();
    ASSERT_EQ(lines.size(), drawn.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].x1, drawn[i].x1);
        EXPECT_EQ(lines[i].y1, drawn[i].y1);
        EXPECT_EQ(lines[i].x2, drawn[i].x2);
        EXPECT_EQ(lines[i].y2, drawn[i].y2);
        EXPECT_EQ(lines[i].colour, drawn[i].colour);
    }
    std::vector<std::pair<QString, QString>> visible;
    for (int i = 0; i < demo.Wire1.txtTrace.size(); ++i) {
        const auto& t = demo.Wire1.txtTrace[i];
        if (t.visible())
            visible.emplace_back(QString::fromStdString(t.text()),
                                 QString::fromStdString(figure::cssColour(t.foreColour())));
    }
    EXPECT_FALSE(visible.empty());
    EXPECT_EQ(labels, visible);

    // The PNG draws the same figure: not blank, at the scale asked for.
    const QImage png = gui::renderFigure(figure::traceFigure(demo.Wire1), 2.0);
    EXPECT_EQ(png.width(), static_cast<int>(std::ceil((demo.Wire1.Picture1.width() + f.marginLeft) / 15 * 2)));
    int inked = 0;
    for (int y = 0; y < png.height(); y += 2)
        for (int x = 0; x < png.width(); x += 2) inked += png.pixel(x, y) != png.pixel(0, png.height() - 1);
    EXPECT_GT(inked, 500);
}

// The export draws in the profile in force: Standard writes what the
// runner's svg writes, byte for byte; Colour vision the table's colours,
// retransmissions dashed.
TEST_F(LectureFixture, AnExportedTraceFollowsTheProfile)
{
    // A packet destroyed: its retransmission shows once the trace is
    // scrolled to it.
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    pass(2000);
    demo.Wire1.cmdPacket[1].click();
    pass(36000);
    demo.Wire1.VScroll1.userScroll(25);
    window.sync();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("trace.svg"));
    auto exported = [&] {
        EXPECT_EQ(gui::exportTrace(demo.Wire1, file), QString());
        QFile in(file);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        return in.readAll().toStdString();
    };
    EXPECT_EQ(exported(), figure::svg(figure::traceFigure(demo.Wire1)));

    gui::setProfile(palette::Profile::ColourVision);
    const std::string svg = exported();
    gui::setProfile(palette::Profile::Standard);
    const auto& drawn = demo.Wire1.Picture1.lines();
    std::vector<std::string> lines;
    std::istringstream text(svg.substr(svg.find("<g id=\"trace\"")));
    for (std::string l; std::getline(text, l) && l != "</g>";)
        if (l.starts_with("<line")) lines.push_back(l);
    ASSERT_EQ(lines.size(), drawn.size());
    int dashed = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        const std::int64_t colour =
            palette::drawn(palette::Profile::ColourVision, drawn[i].colour, palette::Role::Line);
        EXPECT_NE(lines[i].find("stroke=\"" + figure::cssColour(colour) + "\""), std::string::npos) << lines[i];
        const bool resent = drawn[i].colour == TimeSequenceTrace::colourFor(PacketColour::kDataResent);
        EXPECT_EQ(lines[i].find("stroke-dasharray") != std::string::npos, resent) << lines[i];
        dashed += resent;
    }
    EXPECT_GT(dashed, 0);
}

// Clicks, keys, typing, a scroll, a packet destroyed and the background,
// with simulated time between them: the runner, fed the recording, ends in
// the window's state exactly.
TEST_F(LectureFixture, ARecordedSessionReplaysExactlyInTheRunner)
{
    auto* scenario = qobject_cast<QComboBox*>(widget(demo.cmbScenario));
    scenario->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 4; ++i) QTest::keyClick(scenario, Qt::Key_Down);  // Go-back-N ARQ
    ASSERT_EQ(demo.cmbScenario.text(), "Go-back-N ARQ");
    pass(730);
    click(demo.Wire1.cmdEdit);
    pass(45);
    auto* delay = qobject_cast<QComboBox*>(widget(demo.Wire1.cmbDelay));
    ASSERT_TRUE(delay && delay->isVisible());
    delay->lineEdit()->setFocus(Qt::MouseFocusReason);
    delay->lineEdit()->selectAll();
    QTest::keyClicks(delay->lineEdit(), "1.5");
    pass(20);
    click(demo.Wire1.cmdEdit);
    QTest::keyClick(&window, Qt::Key_Space);  // Start
    pass(2600);
    int slot = -1;
    for (int i = 0; i < demo.Wire1.cmdPacket.size() && slot < 0; ++i) {
        if (demo.Wire1.cmdPacket[i].visible() && !demo.Wire1.pktWire(i).ACKFlag) slot = i;
    }
    ASSERT_GE(slot, 0);
    click(demo.Wire1.cmdPacket[slot]);
    pass(4321);
    qobject_cast<QScrollBar*>(widget(demo.Wire1.VScroll2))->triggerAction(QAbstractSlider::SliderPageStepSub);
    pass(900);
    click(demo.Receiver1.cmdEdit);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(900, 725));  // the background
    pass(7000);
    QTest::keyClick(&window, Qt::Key_Space);
    pass(333);
    QTest::keyClick(&window, Qt::Key_S);  // the presenter's Step
    pass(250);

    const std::string script = lecture.sessionScript();
    EXPECT_TRUE(lecture.recorder().exact()) << script;
    EXPECT_NE(script.find("type Wire1.cmbDelay 1.5\n"), std::string::npos) << script;
    EXPECT_NE(script.find("press Wire1.cmdPacket(" + std::to_string(slot) + ")"), std::string::npos) << script;
    EXPECT_NE(script.find("\nbackground\n"), std::string::npos) << script;
    EXPECT_NE(script.find("\nstep\nrun 250\n"), std::string::npos) << script;
    std::string replayed;
    runnerOutput(script, &replayed);
    EXPECT_EQ(replayed, dumpText(demo)) << script;
}

// A lesson played by the window's own clock, racing at 20 times real time
// through uneven wake-ups, its questions answered: the same output and
// final state as the runner (with the pause the player adds at the end).
TEST_F(LectureFixture, APlayedLessonMatchesTheRunner)
{
    QFile file(QStringLiteral(LINKDEMO_EXAMPLES "/lesson-8-software-flow.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string lesson = file.readAll().toStdString() + "dump\n";
    std::string expectedDump;
    const std::string expected = runnerOutput(lesson + "press LinkDemo.cmdPause\n", &expectedDump);

    std::int64_t realMs = 0;
    window.setTimeSource([&] { return realMs; });
    window.startClock(demo.scheduler(), 0);
    window.pace().setIndex(std::size(presenter::Pace::kSpeeds) - 1);
    ASSERT_EQ(window.pace().speed(), 20.0);
    std::ostringstream out, err;
    lecture.setOutput(out, err);
    lecture.playText(QString::fromStdString(lesson), "lesson");
    QStringList captions;
    for (int k = 0; lecture.playing() && k < 100000; ++k) {
        if (lecture.player().waiting() == ScriptPlayer::Wait::Question) lecture.answer(0);
        if (lecture.player().waiting() == ScriptPlayer::Wait::Reveal) lecture.continuePlay();
        realMs += 3 + k % 17;
        window.tick();
        const QString c = lecture.captionBand().isVisible() ? lecture.captionBand().text() : QString();
        if (captions.isEmpty() || captions.back() != c) captions << c;
    }
    EXPECT_FALSE(lecture.playing());
    EXPECT_EQ(lecture.player().state(), ScriptPlayer::State::Finished);
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ(dumpText(demo), expectedDump);
    EXPECT_TRUE(captions.contains(
        "The receiver's Ready box is cleared: it cannot deliver more for now. It sends Hold back towards the "
        "transmitter."));
    // The last picture keeps its caption and the score.
    EXPECT_TRUE(lecture.captionBand().text().endsWith(QStringLiteral("predicted.")));
}

// An ended script's line stays in the status bar until a reset.
TEST_F(LectureFixture, AnEndedScriptsStatusGoesAtAReset)
{
    std::int64_t realMs = 0;
    window.setTimeSource([&] { return realMs; });
    window.startClock(demo.scheduler(), 0);
    lecture.playText(QStringLiteral("press LinkDemo.cmdPause\nrun 300\n"), QStringLiteral("short.txt"));
    realMs += 1000;
    window.tick();
    ASSERT_FALSE(lecture.playing());
    EXPECT_TRUE(lecture.status().startsWith(QStringLiteral("Played short.txt"))) << lecture.status().toStdString();
    click(demo.cmdReset);
    EXPECT_EQ(lecture.status(), QString());
}

TEST_F(LectureFixture, PauseStepAndABadLine)
{
    std::int64_t realMs = 0;
    window.setTimeSource([&] { return realMs; });
    window.startClock(demo.scheduler(), 0);
    lecture.playText("say One\npress LinkDemo.cmdPause\nrun 1000\nsay Two\nrun 1000\n", "good");
    EXPECT_EQ(lecture.captionBand().text(), "One");
    // Space pauses the script, not the model.
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(lecture.playPaused());
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    realMs += 5000;
    window.tick();
    EXPECT_EQ(demo.scheduler().now(), 0);
    lecture.stepPlay();
    EXPECT_EQ(demo.scheduler().now(), 100);
    QTest::keyClick(&window, Qt::Key_Space);
    realMs += 2000;
    window.tick();
    EXPECT_EQ(demo.scheduler().now(), 1000);
    EXPECT_EQ(lecture.captionBand().text(), "Two");

    // A bad line 5: reported before anything moves.
    lecture.playText("say One\npress LinkDemo.cmdPause\nrun 1000\nsay Two\nchoose LinkDemo.cmbScenario Nonsense\n",
                     "bad");
    EXPECT_EQ(lecture.player().state(), ScriptPlayer::State::Failed);
    EXPECT_EQ(lecture.player().error(), "line 5: 'Nonsense' is not an item of LinkDemo.cmbScenario");
    EXPECT_TRUE(lecture.status().contains("line 5"));
    EXPECT_EQ(demo.scheduler().now(), 1000);
    EXPECT_FALSE(lecture.captionBand().isVisible());
}

// While a script plays, Space is its pause whatever has the focus, and the
// pause button reads "Cont" while the script stands paused, also after a
// step; a field keeps Space as a character.
TEST_F(LectureFixture, SpacePausesAPlayingScriptFromAnyFocusAndThePauseButtonSaysSo)
{
    std::int64_t realMs = 0;
    window.setTimeSource([&] { return realMs; });
    window.startClock(demo.scheduler(), 0);
    lecture.playText("press LinkDemo.cmdPause\nrun 1000\nrun 1000\n", "long");
    auto shown = [&] { return static_cast<gui::ButtonView*>(widget(demo.cmdPause))->caption(); };
    realMs += 100;
    window.tick();
    ASSERT_EQ(shown(), "Pause");
    QWidget* edit = widget(demo.Transmitter1.cmdEdit);
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_TRUE(lecture.playPaused());
    EXPECT_FALSE(demo.Transmitter1.cmbPacketLength.reachable()) << "the focused button was not pressed";
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_EQ(shown(), "Cont");
    lecture.stepPlay();
    EXPECT_EQ(shown(), "Cont");
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_FALSE(lecture.playPaused());
    EXPECT_EQ(shown(), "Pause");
    lecture.stopPlay();
    EXPECT_EQ(shown(), "Pause");
}

// A question in the caption band: a key chooses, the band marks the choice
// and shows the explanation, Continue goes on.
TEST_F(LectureFixture, ACheckpointIsAnsweredByItsKey)
{
    std::int64_t realMs = 0;
    window.setTimeSource([&] { return realMs; });
    window.startClock(demo.scheduler(), 0);
    lecture.playText(
        "press LinkDemo.cmdPause\nrun 500\nask Which?\nchoice Left\nchoice* Right\n"
        "reveal Because it is.\nrun 500\n",
        "ask");
    realMs += 600;
    window.tick();
    ASSERT_EQ(lecture.player().waiting(), ScriptPlayer::Wait::Question);
    gui::CaptionBand& band = lecture.captionBand();
    EXPECT_TRUE(band.interactive());
    EXPECT_TRUE(band.shownText().startsWith(QStringLiteral("Which?")));
    realMs += 5000;
    window.tick();
    EXPECT_EQ(demo.scheduler().now(), 500);  // the question holds the clock
    QTest::keyClick(&window, Qt::Key_1);
    EXPECT_EQ(lecture.player().chosen(), 0);
    EXPECT_TRUE(band.shownText().contains(QStringLiteral("the answer is 2")));
    EXPECT_TRUE(band.shownText().contains(QStringLiteral("Because it is.")));
    QList<QPushButton*> buttons = band.findChildren<QPushButton*>();
    QPushButton* go = nullptr;
    for (QPushButton* b : buttons) {
        if (b->isVisible() && b->text().startsWith(QStringLiteral("Continue"))) go = b;
    }
    ASSERT_TRUE(go);
    go->click();
    realMs += 1000;
    window.tick();
    EXPECT_EQ(demo.scheduler().now(), 1000);
    EXPECT_EQ(lecture.player().state(), ScriptPlayer::State::Finished);
    EXPECT_EQ(lecture.status(), QStringLiteral("Played ask: 0 of 1 predicted"));
}

TEST_F(LectureFixture, TheEventLogListensOnlyWhileShownAndFilters)
{
    gui::EventLogWindow& log = lecture.eventLogWindow();
    EXPECT_FALSE(log.listening());
    lecture.eventLogAction()->trigger();
    ASSERT_TRUE(log.isVisible());
    EXPECT_TRUE(log.listening());
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Stop & Wait ARQ"));
    demo.cmdPause.click();
    pass(6000);
    log.flush();
    const int all = log.events().rowCount();
    ASSERT_GT(all, 10);
    int grey = 0;
    for (int r = 0; r < all; ++r) {
        const bool routed = log.events().event(r).target != topology::Target::Ignored;
        const QVariant fg = log.events().data(log.events().index(r, 0), Qt::ForegroundRole);
        EXPECT_EQ(fg.isValid(), !routed);
        grey += !routed;
    }
    EXPECT_GT(grey, 0) << "Transmitter2 and the sources report unrouted events";

    log.setComponentFilter("Receiver1");
    EXPECT_GT(log.shown().rowCount(), 0);
    EXPECT_LT(log.shown().rowCount(), all);
    log.setCodeFilter(SendACK);
    for (int r = 0; r < log.shown().rowCount(); ++r) EXPECT_EQ(log.shown().index(r, 1).data().toString(), "Receiver1");

    log.setPaused(true);
    pass(2000);
    log.flush();
    EXPECT_EQ(log.events().rowCount(), all);
    log.setPaused(false);
    EXPECT_GT(log.events().rowCount(), all);

    log.close();
    EXPECT_FALSE(log.listening());
    EXPECT_FALSE(lecture.eventLogAction()->isChecked());
    log.clear();
    pass(2000);
    log.flush();
    EXPECT_EQ(log.events().rowCount(), 0);
}

// Cancelling the save asks before the recording goes; kept, it goes on. A
// second recording has one start mark.
TEST_F(LectureFixture, ACancelledSaveAsksBeforeDiscardingTheRecording)
{
    int asked = 0;
    bool discard = false;
    lecture.askRecordingFile = [] { return QString(); };
    lecture.askDiscardRecording = [&] {
        ++asked;
        return discard;
    };
    QAction* record = lecture.recordAction();
    record->setChecked(true);
    record->setChecked(false);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(record->isChecked()) << "kept: still recording";
    EXPECT_EQ(lecture.status(), QStringLiteral("Recording"));
    discard = true;
    record->setChecked(false);
    EXPECT_FALSE(record->isChecked());
    EXPECT_TRUE(lecture.status().isEmpty());

    pass(1000);
    record->setChecked(true);
    const std::string script = lecture.sessionScript();
    std::size_t marks = 0;
    for (std::size_t at = script.find("# Recording starts here"); at != std::string::npos;
         at = script.find("# Recording starts here", at + 1))
        ++marks;
    EXPECT_EQ(marks, 1u);
}

// Zoomed larger than its window, the demonstration scrolls: the caption
// band goes along the bottom edge of the part in sight, wherever it is
// scrolled to.
TEST_F(LectureFixture, TheCaptionBandStaysInSightOfAScrolledView)
{
    QScrollArea area;
    area.setWidget(&window);
    area.resize(700, 400);
    area.show();
    window.setZoom(2.0);
    lecture.playText("say Look here.\nrun 1000\n", "caption");
    const gui::CaptionBand& band = lecture.captionBand();
    for (int at : {0, area.verticalScrollBar()->maximum() / 2}) {
        area.horizontalScrollBar()->setValue(at);
        area.verticalScrollBar()->setValue(at);
        const QRect view(window.mapFrom(area.viewport(), QPoint(0, 0)), area.viewport()->size());
        EXPECT_EQ(band.geometry().bottom(), view.bottom()) << at;
        EXPECT_EQ(band.geometry().left(), view.left()) << at;
        EXPECT_EQ(band.width(), view.width()) << at;
        // Over the components it now covers, after a refresh too.
        window.sync();
        bool above = false, covered = false;
        for (const QObject* o : window.children()) {
            const auto* w = qobject_cast<const QWidget*>(o);
            if (w == &band)
                above = true;
            else if (above && w && w->isVisible() && w->geometry().intersects(band.geometry()))
                covered = true;
        }
        EXPECT_FALSE(covered) << at;
    }
    lecture.stopPlay();
    area.takeWidget();
}

TEST_F(LectureFixture, TheCaptionBandLiesBelowEveryComponent)
{
    demo.cmdRouter.click();
    window.sync();
    lecture.playText(
        "say A caption long enough to need more than a single line on the band at the size it starts "
        "with, so that it wraps, and it must still fit in the space under the components.\nrun 1000\n",
        "caption");
    const gui::CaptionBand& band = lecture.captionBand();
    ASSERT_TRUE(band.isVisible());
    EXPECT_EQ(band.geometry().bottom(), window.height() - 1);
    EXPECT_EQ(band.width(), window.width());
    for (widgets::Component* c :
         {static_cast<widgets::Component*>(&demo.Transmitter1), static_cast<widgets::Component*>(&demo.Wire1),
          static_cast<widgets::Component*>(&demo.Wire2), static_cast<widgets::Component*>(&demo.Receiver1)}) {
        EXPECT_FALSE(band.geometry().intersects(widget(*c)->geometry())) << c->name();
    }
    EXPECT_GE(band.fittedPixelSize(), 10);
    lecture.stopPlay();
    EXPECT_FALSE(band.isVisible());
}
