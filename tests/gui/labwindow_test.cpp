// SPDX-License-Identifier: MIT
// The Lab window offscreen: it shows the model's figures and theory, and the
// user's loss and seed reach the model's lab.
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>

#include <gtest/gtest.h>

#include "gui/eventlogwindow.h"
#include "gui/labwindow.h"
#include "gui/mainwindow.h"
#include "lab/lab.h"
#include "shell/linkdemo.h"
#include "support/testenv.h"

namespace {

struct LabWindowTest : ::testing::Test {
    RecordingMessageBox messages;
    LinkDemo demo{messages};
    gui::LabWindow window{demo};

    QString text(const char* name) { return window.findChild<QLabel*>(QString::fromLatin1(name))->text(); }
};

TEST_F(LabWindowTest, ShowsTheFiguresBesideTheTheory)
{
    demo.cmbScenario.userChoose(1);  // Stop and Wait: 11 packets in a minute
    demo.cmdPause.click();
    demo.scheduler().advance(60000);
    window.refresh();
    EXPECT_EQ(text("delivered"), "11");
    EXPECT_EQ(text("dataSent"), "12");
    EXPECT_EQ(text("theoryUtilisation"), "0.190");  // 1 / 5.25
    const auto* delivered = window.findChild<QChartView*>()->chart()->series().at(0);
    EXPECT_GT(static_cast<const QLineSeries*>(delivered)->count(), 0);

    // A reset starts the plot again.
    demo.cmdReset.click();
    window.refresh();
    EXPECT_EQ(text("delivered"), "0");
    EXPECT_EQ(static_cast<const QLineSeries*>(delivered)->count(), 1);

    demo.Transmitter1.cmdEdit.click();
    demo.Transmitter1.cmbPacketLength.userEdit("0");
    window.refresh();
    EXPECT_EQ(text("theoryGoodput"), QStringLiteral("—"));
}

// No round trip yet: no estimate; a change of setting mid-run is said,
// and Restart counts counts afresh from then.
TEST_F(LabWindowTest, SaysWhatIsNotMeasuredAndWhatChanged)
{
    demo.cmbScenario.userChoose(1);
    window.refresh();
    EXPECT_EQ(text("rttEstimate"), QStringLiteral("—"));
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("inForce"))->text().contains("U = 0.190"));
    demo.cmdPause.click();
    demo.scheduler().advance(20000);
    demo.Wire1.cmdEdit.click();
    demo.Wire1.cmbDelay.userEdit("1");
    window.refresh();
    EXPECT_NE(text("rttEstimate"), QStringLiteral("—"));
    EXPECT_TRUE(text("settingsChanged").contains("20.0 s"));
    window.findChild<QPushButton*>(QStringLiteral("restartCounts"))->click();
    EXPECT_EQ(text("elapsed"), "0.0");
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("settingsChanged"))->isVisibleTo(&window));
}

// The run of the lab's test: 2 correct and 44 wrong deliveries, plotted apart.
TEST_F(LabWindowTest, PlotsCorrectAndWrongDeliveriesApart)
{
    demo.cmbScenario.userChoose(2);  // Sliding Window
    demo.cmdPause.click();
    demo.scheduler().advance(3000);
    demo.Wire1.cmdPacket[2].click();
    demo.scheduler().advance(120000);
    window.refresh();
    EXPECT_EQ(text("delivered"), "46");
    EXPECT_EQ(text("deliveredWrong"), "44");
    const auto series = window.findChild<QChartView*>()->chart()->series();
    const auto last = [&](int k) { return static_cast<const QLineSeries*>(series.at(k))->points().constLast(); };
    EXPECT_EQ(last(0), QPointF(123, 2));
    EXPECT_EQ(last(1), QPointF(123, 44));
}

TEST_F(LabWindowTest, LossAndSeedReachTheLab)
{
    window.show();
    auto* loss = window.findChild<QDoubleSpinBox*>(QStringLiteral("lossWire2"));
    loss->setFocus();
    loss->selectAll();
    QTest::keyClicks(loss, "0.25");
    EXPECT_EQ(demo.lab().loss(2), 0.25);
    EXPECT_EQ(loss->maximum(), lab::Lab::kMaxLoss);

    auto* seed = window.findChild<QLineEdit*>(QStringLiteral("seed"));
    EXPECT_EQ(seed->text(), "1");
    seed->setFocus();
    seed->selectAll();
    QTest::keyClicks(seed, "42x");  // the x is refused
    QTest::keyClick(seed, Qt::Key_Return);
    EXPECT_EQ(demo.lab().seed(), 42u);

    EXPECT_TRUE(window.csv().startsWith("scenario,router,window,"));
}

TEST_F(LabWindowTest, TypedChosenLossesReachTheLab)
{
    window.show();
    auto* lose = window.findChild<QLineEdit*>(QStringLiteral("dropWire1"));
    lose->setFocus();
    QTest::keyClicks(lose, "data 2,4:2;ack 3");
    QTest::keyClick(lose, Qt::Key_Return);
    EXPECT_EQ(demo.lab().drops().size(), 3u);
    EXPECT_EQ(lose->text(), "data 2, 4:2; ack 3");
    // An unreadable list changes nothing.
    lose->selectAll();
    QTest::keyClicks(lose, "data two");
    QTest::keyClick(lose, Qt::Key_Return);
    EXPECT_EQ(demo.lab().drops().size(), 3u);
    EXPECT_EQ(lose->text(), "data 2, 4:2; ack 3");
}

}  // namespace

namespace {

// The tool windows never keep the program alive once the demonstration is
// closed (a Lab left open would run the simulation on with no way back).
TEST(ToolWindows, ClosingTheDemonstrationIsClosingTheLastWindow)
{
    RecordingMessageBox messages;
    LinkDemo demo{messages};
    gui::MainWindow main(demo);
    gui::LabWindow lab(demo);
    gui::EventLogWindow log(demo);
    for (QWidget* w : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&lab), static_cast<QWidget*>(&log)})
        w->show();
    // Qt tells of the last window only from inside its event loop: close the
    // main window there, and leave the loop right after in any case.
    QSignalSpy last(qGuiApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, &main, [&main] { main.close(); });
    QTimer leave;
    leave.setSingleShot(true);
    QObject::connect(&leave, &QTimer::timeout, [] { QCoreApplication::exit(0); });
    leave.start(0);
    QCoreApplication::exec();
    EXPECT_EQ(last.count(), 1);
}

}  // namespace
