// SPDX-License-Identifier: MIT
#include <cmath>

#include <gtest/gtest.h>

#include "source/source.h"
#include "support/testenv.h"

namespace {

class SourceTest : public ::testing::Test {
protected:
    TestEnv env;
    CountingRandom random{{0.5}};
    ComponentContext ctx{env.scheduler, env.routing, env.messageBox, random, 5};
    Source src{&env.window, "Source1", ctx};

    void SetUp() override { src.SetIndex(12); }

    void chooseRate(const std::string& text) { src.cmbRate.userChoose(src.cmbRate.itemIndex(text)); }
    void poisson() { src.cmbDistribution.userChoose(src.cmbDistribution.itemIndex("Poisson")); }
    // Runs one tick and gives the gap it set.
    std::int64_t tickGap()
    {
        src.GenerateTick();
        src.TxFree();
        return src.Timer1.interval();
    }
    std::vector<int> offeredNumbers() const
    {
        std::vector<int> v;
        for (const auto& r : env.routing.reports) {
            if (r.code == SendData) v.push_back(r.packet.Number);
        }
        return v;
    }
};

}  // namespace

TEST_F(SourceTest, StartUpState)
{
    EXPECT_TRUE(src.Timer1.enabled());
    EXPECT_EQ(src.Timer1.interval(), 1000);
    EXPECT_EQ(src.lblTxPacket[0].caption(), " 0");
    EXPECT_TRUE(src.lblTxPacket[0].visible());
    EXPECT_FALSE(src.lblTxSeq[0].visible());
    EXPECT_EQ(src.cmdStart.caption(), "Start");
    EXPECT_EQ(src.chkPause.caption(), "Pause");
    EXPECT_EQ(src.cmbRate.items(), (std::vector<std::string>{"5.0", "2.0", "1.0", "0.5", "0.2", "0.1"}));
    EXPECT_EQ(src.cmbRate.text(), "1.0");
    EXPECT_EQ(src.cmbRate.listIndex(), 2);
    EXPECT_TRUE(src.cmbRate.editable());
    EXPECT_EQ(src.cmbPacketSize.text(), "4");
    EXPECT_EQ(src.cmbDistribution.text(), "Uniform");
    EXPECT_EQ(src.cmbPriority.text(), "Data");
    EXPECT_FALSE(src.cmbRate.visible() || src.lblControl[2].visible());
    EXPECT_EQ(src.Shape2.width(), 2895);
}

TEST_F(SourceTest, UniformGapIsTheInverseOfEveryRateItem)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        {"0.1", 10000}, {"0.2", 5000}, {"0.5", 2000}, {"1.0", 1000}, {"2.0", 500}, {"5.0", 200},
    };
    for (const auto& [rate, gap] : cases) {
        chooseRate(rate);
        EXPECT_EQ(tickGap(), gap) << rate;
    }
    // Typed rates: rounded half to even (1000 / 3.2 = 312.5), and held within
    // 100..30000.
    const std::pair<const char*, std::int64_t> typed[] = {
        {"3.2", 312}, {"0.0001", 30000}, {"2000", 100}, {"3", 333}, {"1.6", 625}, {"0.8 per second", 1250},
    };
    for (const auto& [rate, gap] : typed) {
        src.cmbRate.userEdit(rate);
        EXPECT_EQ(tickGap(), std::clamp<std::int64_t>(gap, 100, 30000)) << rate;
    }
    EXPECT_EQ(random.draws, 0);
}

TEST_F(SourceTest, ARateThatIsNotPositiveGivesTheLongestGap)
{
    for (bool usePoisson : {false, true}) {
        if (usePoisson) poisson();
        for (const char* rate : {"0", "-2", "abc", "", "0.0"}) {
            src.cmbRate.userEdit(rate);
            EXPECT_EQ(tickGap(), 30000) << rate << (usePoisson ? " Poisson" : " Uniform");
        }
    }
}

TEST_F(SourceTest, PoissonGapsFollowTheSharedGeneratorAndAreClamped)
{
    random = CountingRandom({0.5, 0.1, 0.99, 0.0, 1e-30});
    poisson();
    chooseRate("2.0");
    EXPECT_EQ(tickGap(), 347);  // -1000 ln 0.5 / 2 = 346.57
    EXPECT_EQ(tickGap(), 1151);
    EXPECT_EQ(tickGap(), 100);    // 5.03 ms, raised to the minimum
    EXPECT_EQ(tickGap(), 30000);  // a draw of 0: no finite gap
    EXPECT_EQ(tickGap(), 30000);
    EXPECT_EQ(random.draws, 5);
}

TEST_F(SourceTest, PoissonGapsAverageTheInverseRate)
{
    // An evenly spread fixed sequence stands for the generator.
    std::vector<double> u;
    const int n = 2000;
    for (int i = 0; i < n; ++i) u.push_back((i + 0.5) / n);
    for (const auto& [rate, mean] : {std::pair<const char*, double>{"1.0", 1000}, {"0.5", 2000}, {"2.0", 500}}) {
        random = CountingRandom(u);
        poisson();
        chooseRate(rate);
        double sum = 0;
        std::int64_t lo = 30000, hi = 0;
        for (int i = 0; i < n; ++i) {
            std::int64_t g = tickGap();
            sum += static_cast<double>(g);
            lo = std::min(lo, g);
            hi = std::max(hi, g);
        }
        // The raise of short gaps to 100 ms adds under 2 %.
        EXPECT_NEAR(sum / n, mean, mean * 0.025) << rate;
        EXPECT_GE(lo, 100);
        EXPECT_LE(hi, 30000);
    }
}

TEST_F(SourceTest, PacketsAreNumberedWithSequenceNumbersModuloFour)
{
    src.cmbPacketSize.userChoose(src.cmbPacketSize.itemIndex("32"));
    for (int i = 0; i < 6; ++i) {
        env.scheduler.advance(1000);
        src.TxFree();
    }
    ASSERT_EQ(env.routing.reports.size(), 6u);
    const int seqs[] = {0, 1, 2, 3, 0, 1};
    for (int i = 0; i < 6; ++i) {
        const Report& r = env.routing.reports[i];
        EXPECT_EQ(r.index, 12);
        EXPECT_EQ(r.code, SendData);
        EXPECT_EQ(r.packet.Number, i);
        EXPECT_EQ(r.packet.SequenceNumber, seqs[i]);
        EXPECT_TRUE(r.packet.Active);
        EXPECT_EQ(r.packet.Length, 32);
        EXPECT_EQ(r.packet.Colour, PacketColour::kData);
        EXPECT_FALSE(r.packet.ACKFlag);
    }
    EXPECT_EQ(src.lblTxPacket[0].caption(), " 6");
    EXPECT_EQ(src.state().packetCount, 6);
}

TEST_F(SourceTest, AWaitingPacketBlocksGenerationUntilTxFree)
{
    env.scheduler.advance(1000);
    ASSERT_EQ(offeredNumbers(), std::vector<int>{0});
    EXPECT_TRUE(src.state().packetWaiting);

    // Ticks go on and keep re-reading the rate, but generate nothing.
    chooseRate("2.0");
    env.scheduler.advance(5000);
    EXPECT_EQ(offeredNumbers(), std::vector<int>{0});
    EXPECT_EQ(src.Timer1.interval(), 500);

    src.TxFree();
    EXPECT_FALSE(src.state().packetWaiting);
    env.scheduler.advance(500);
    EXPECT_EQ(offeredNumbers(), (std::vector<int>{0, 1}));
}

TEST_F(SourceTest, ATxFreeFromInsideTheOfferIsKept)
{
    env.routing.react = [this](int, int code, Packet&) {
        if (code == SendData) src.TxFree();
    };
    env.scheduler.advance(3000);
    EXPECT_EQ(offeredNumbers(), (std::vector<int>{0, 1, 2}));
}

TEST_F(SourceTest, StartWithdrawsTheWaitingPacketAndNumbersFromZeroTwice)
{
    env.scheduler.advance(2000);  // packet 0 offered, waiting
    env.routing.clear();
    src.cmdStart.click();
    ASSERT_EQ(env.routing.codes(), (std::vector<int>{DataSendCancelled, SendData}));
    EXPECT_EQ(env.routing.reports[1].packet.Number, 0);
    EXPECT_EQ(src.cmdStart.caption(), "Reset");
    EXPECT_EQ(src.lblTxPacket[0].caption(), "0");
    EXPECT_EQ(src.state().packetCount, 0);

    src.TxFree();
    env.scheduler.advance(1000);
    src.TxFree();
    env.scheduler.advance(1000);
    EXPECT_EQ(offeredNumbers(), (std::vector<int>{0, 0, 1}));

    src.cmdStart.click();
    EXPECT_EQ(src.cmdStart.caption(), "Reset");
}

TEST_F(SourceTest, StartEnablesAPausedTimer)
{
    src.Pause(true);
    env.scheduler.advance(5000);
    EXPECT_TRUE(env.routing.reports.empty());
    src.cmdStart.click();
    EXPECT_TRUE(src.Timer1.enabled());
    EXPECT_EQ(env.routing.codes(), std::vector<int>{SendData});
}

TEST_F(SourceTest, PauseBoxStopsGenerationButNotTheTimer)
{
    src.chkPause.click();
    EXPECT_EQ(src.chkPause.caption(), "Cont");
    chooseRate("5.0");
    env.scheduler.advance(3000);
    EXPECT_TRUE(env.routing.reports.empty());
    EXPECT_TRUE(src.Timer1.enabled());
    EXPECT_EQ(src.Timer1.interval(), 200);

    src.chkPause.click();
    EXPECT_EQ(src.chkPause.caption(), "Pause");
    env.scheduler.advance(200);
    EXPECT_EQ(offeredNumbers(), std::vector<int>{0});
}

TEST_F(SourceTest, PauseAndReset)
{
    src.Pause(true);
    EXPECT_FALSE(src.Timer1.enabled());
    src.Pause(false);
    EXPECT_TRUE(src.Timer1.enabled());

    env.scheduler.advance(1000);
    src.TxFree();
    env.scheduler.advance(1000);  // packet 1 waiting
    src.Reset(1);
    EXPECT_EQ(src.state().packetCount, 0);
    EXPECT_EQ(src.lblTxPacket[0].caption(), " 0");
    EXPECT_TRUE(src.state().packetWaiting) << "a restart leaves the waiting packet";
    EXPECT_EQ(src.pktSource().Number, -1);
    EXPECT_TRUE(src.Timer1.enabled());

    src.Reset(5);
    EXPECT_TRUE(src.state().packetWaiting);

    chooseRate("5.0");
    src.Reset(0);
    EXPECT_EQ(src.Timer1.interval(), 1000);
    EXPECT_EQ(src.cmbRate.text(), "1.0");
    // The items are added a second time.
    EXPECT_EQ(src.cmbRate.items().size(), 12u);
    EXPECT_EQ(src.cmbPacketSize.items().size(), 12u);
}

TEST_F(SourceTest, EditOpensAndClosesThePanel)
{
    src.cmdEdit.click();
    EXPECT_EQ(src.cmdEdit.caption(), "Done");
    EXPECT_EQ(src.Shape2.left(), 15);
    EXPECT_EQ(src.Shape2.width(), 3195);
    EXPECT_EQ(src.Shape2.height(), 2880);
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(src.lblControl[k].visible()) << k;
    EXPECT_TRUE(src.cmbPacketSize.visible() && src.cmbRate.visible() && src.cmbDistribution.visible() &&
                src.cmbPriority.visible());
    EXPECT_GE(src.height(), src.Shape2.top() + src.Shape2.height());

    src.cmdEdit.click();
    EXPECT_EQ(src.cmdEdit.caption(), "Edit");
    EXPECT_EQ(src.Shape2.left(), 315);
    EXPECT_EQ(src.Shape2.height(), 900);
    EXPECT_FALSE(src.cmbPriority.visible() || src.lblControl[0].visible());
}

TEST_F(SourceTest, ControlsAreCreatedInTheDocumentedOrder)
{
    std::vector<std::string> names;
    for (const widgets::Control* c : src.children()) names.push_back(c->fullName());
    EXPECT_EQ(names, (std::vector<std::string>{"lblTxPacket(0)", "lblTxSeq(0)", "cmdStart", "chkPause", "cmdEdit",
                                               "lblControl(0)", "lblControl(1)", "lblControl(2)", "lblControl(3)",
                                               "cmbPacketSize", "cmbRate", "cmbDistribution", "cmbPriority", "Shape2",
                                               "Timer1"}));
    EXPECT_EQ(src.lblControl[3].caption(), "Packet Size");
    EXPECT_EQ(src.lblControl[0].caption(), "Priority");
}
