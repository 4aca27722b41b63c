#include "tools/visionsim/PlcModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>
#include <set>

using namespace visionsim;

namespace {

std::string Framed(const std::string& body) { return "/" + body + PcomChecksum(body); }

// Fixed values and a hand-moved clock: every reply is exactly predictable.
SimulatorConfig QuietConfig() {
    SimulatorConfig c;
    c.manualClock = true;
    c.hydroSwingPercent = 0;
    c.replyDelayMinMs = c.replyDelayMaxMs = 15;
    return c;
}

// The controllers as the hand-worked examples have them.
struct ExampleModel {
    PlcModel m{QuietConfig()};
    ExampleModel() {
        m.SetBeltFlow(0, std::nullopt);
        m.SetBeltFlow(1, std::nullopt);
        m.Set(1, Space::Bit, belt::kRunning, 1);
        m.Set(1, Space::Bit, belt::kRunning + 1, 0);
        m.Set(1, Space::Int, belt::kLoad, 250);
        m.Set(1, Space::Int, belt::kLoad + 1, 400);
        m.Set(1, Space::Long, belt::kCounter, 1000290);
        m.Set(1, Space::Long, belt::kCounter + 1, 1000770);
    }
};

}  // namespace

TEST(PlcModel, AnswersEachCommand) {
    ExampleModel x;
    x.m.Set(1, Space::Int, 300, 0xFFFF);
    x.m.Set(1, Space::Long, 300, -1);
    struct Case {
        std::string request;
        const char* reply;
    } cases[] = {
        {"/01RB000A0228", "/A01RB1056\r"},
        {"/01RW00320231", "/A01RW00FA0190BB\r"},
        {"/01RNL00320274", "/A01RN000F4362000F45424B\r"},
        {"/02RW00370136", "/A02RW04E2E6\r"},
        {Framed("01RW012C01"), "/A01RWFFFF22\r"},
        {Framed("01RNL012C01"), "/A01RNFFFFFFFF31\r"},
        {Framed("01SB01000210"), "/A01SBF6\r"},
        {Framed("01SW0100010102"), "/A01SW0B\r"},
        {Framed("01SNL010001FFFFFFFE"), "/A01SN02\r"},
    };
    for (const Case& c : cases) {
        Exchange ex = x.m.Handle(c.request);
        EXPECT_EQ(ex.disposition, Disposition::Answered) << c.request;
        EXPECT_EQ(ex.reply, c.reply) << c.request;
        EXPECT_EQ(ex.delayMs, 15) << c.request;
    }
    EXPECT_EQ(x.m.Get(1, Space::Bit, 256), 1);
    EXPECT_EQ(x.m.Get(1, Space::Bit, 257), 0);
    EXPECT_EQ(x.m.Get(1, Space::Int, 256), 0x0102);
    EXPECT_EQ(x.m.Get(1, Space::Long, 256), -2);
}

TEST(PlcModel, WritesAreReportedAndReadBack) {
    ExampleModel x;
    Exchange ex = x.m.Handle(Framed("01SW01900200070008"));
    ASSERT_EQ(ex.writes.size(), 2u);
    EXPECT_EQ(ex.writes[0].space, Space::Int);
    EXPECT_EQ(ex.writes[0].address, 400);
    EXPECT_EQ(ex.writes[0].value, 7);
    EXPECT_EQ(ex.writes[1].address, 401);
    EXPECT_EQ(ex.writes[1].value, 8);
    EXPECT_EQ(x.m.Handle(Framed("01RW019002")).reply, BuildPcomReply(1, "RW", "00070008") + "\r");
    // the spaces are separate: the same address as a 32-bit operand is untouched
    EXPECT_EQ(x.m.Get(1, Space::Long, 400), 0);
}

TEST(PlcModel, FramesItDoesNotAnswer) {
    ExampleModel x;
    x.m.Handle("/01RB000A0228");  // so that its reply counts as ours when it comes back
    struct Case {
        std::string frame;
        Disposition disposition;
        int unit;
    } cases[] = {
        {Framed("03RB000A02"), Disposition::OtherUnit, 3},
        {"/03RB000A02FF", Disposition::OtherUnit, 3},  // another unit's frame is not ours to judge
        {"/01RB000A0229", Disposition::BadChecksum, 1},
        {Framed("01RB000A00"), Disposition::Malformed, 1},
        {Framed("01QQ000A02"), Disposition::Malformed, 1},
        {"/A01RB1056", Disposition::Echo, -1},
        {"/A01", Disposition::Echo, -1},
    };
    for (const Case& c : cases) {
        Exchange ex = x.m.Handle(c.frame);
        EXPECT_EQ(ex.disposition, c.disposition) << c.frame << ": " << DispositionName(ex.disposition);
        EXPECT_EQ(ex.unit, c.unit) << c.frame;
        EXPECT_TRUE(ex.reply.empty()) << c.frame;
    }
}

TEST(PlcModel, SilentUnitBesideAnsweringUnit) {
    ExampleModel x;
    x.m.SetUnitSilent(1, true);
    EXPECT_EQ(x.m.Handle("/01RB000A0228").disposition, Disposition::Silenced);
    EXPECT_EQ(x.m.Handle("/02RW00370136").reply, "/A02RW04E2E6\r");
    // a silent controller did not hear the write either
    x.m.Handle(Framed("01SW0190010009"));
    EXPECT_EQ(x.m.Get(1, Space::Int, 400), 0);
    x.m.ClearFaults();
    EXPECT_EQ(x.m.Handle("/01RB000A0228").reply, "/A01RB1056\r");
}

TEST(PlcModel, FaultsShapeTheReply) {
    struct Case {
        Fault fault;
        std::string request;
        std::string reply;  // exact, unless empty and checked below
    } cases[] = {
        {Fault::Silence, "/01RW00320231", ""},
        {Fault::BadChecksum, "/01RW00320231", "/A01RW00FA0190BC\r"},
        {Fault::LowerCaseChecksum, "/01RW00320231", "/A01RW00FA0190bb\r"},
        {Fault::WrongStart, "/01RW00320231", "/B01RW00FA0190BB\r"},
        {Fault::TooShort, "/01RW00320231", "/A01R\r"},
        {Fault::NonHexData, "/01RW00320231", "/A01RWG0FA0190D2\r"},
        {Fault::FewerData, "/01RW00320231", "/A01RW00FA0198B\r"},
        {Fault::FullEcho, "/01RNL00320274", "/A01RNL000F4362000F454297\r"},
        {Fault::WrongUnit, "/01RW00320231", "/A02RW00FA0190BC\r"},
        {Fault::LongDelay, "/01RW00320231", "/A01RW00FA0190BB\r"},
        {Fault::Trickle, "/01RW00320231", "/A01RW00FA0190BB\r"},
        {Fault::Oversize, "/01RW00320231", ""},
        {Fault::Garble, "/01RW00320231", ""},
    };
    for (const Case& c : cases) {
        ExampleModel x;
        x.m.QueueFault(c.fault, 1);
        Exchange ex = x.m.Handle(c.request);
        EXPECT_EQ(ex.fault, c.fault) << FaultName(c.fault);
        if (!c.reply.empty()) {
            EXPECT_EQ(ex.reply, c.reply) << FaultName(c.fault);
        }
        switch (c.fault) {
            case Fault::Silence:
                EXPECT_EQ(ex.disposition, Disposition::Silenced);
                EXPECT_TRUE(ex.reply.empty());
                break;
            case Fault::LongDelay: EXPECT_EQ(ex.delayMs, 1500); break;
            case Fault::Trickle: EXPECT_EQ(ex.byteIntervalMs, 100); break;
            case Fault::Oversize: {
                ASSERT_EQ(ex.reply.size(), 1001u);  // 1000 bytes before the carriage return
                std::string line = ex.reply.substr(0, 1000);
                EXPECT_EQ(line.substr(0, 14), "/A01RW00FA0190");
                EXPECT_EQ(line.substr(998), PcomChecksum(line.substr(2, 996)));
                break;
            }
            case Fault::Garble: {
                std::string good = "/A01RW00FA0190BB\r";
                ASSERT_EQ(ex.reply.size(), good.size());
                int differ = 0;
                for (size_t i = 0; i < good.size(); ++i)
                    if (ex.reply[i] != good[i]) {
                        ++differ;
                        EXPECT_EQ(ex.reply[i], '?');
                    }
                EXPECT_EQ(differ, 1);
                EXPECT_EQ(ex.reply.back(), '\r');
                break;
            }
            default: EXPECT_EQ(ex.delayMs, 15) << FaultName(c.fault);
        }
        // one reply only: the next one is sound again
        EXPECT_EQ(x.m.Handle("/01RW00320231").reply, "/A01RW00FA0190BB\r") << FaultName(c.fault);
    }
}

TEST(PlcModel, QueuedFaultWaitsForAReplyItCanChange) {
    ExampleModel x;
    x.m.QueueFault(Fault::NonHexData, 1);
    x.m.QueueFault(Fault::FullEcho, 1, 1);
    x.m.QueueFault(Fault::BadChecksum, 2, 2);
    // a write's reply has no data, a two-letter command no longer echo, and unit 1 is not unit 2
    EXPECT_EQ(x.m.Handle(Framed("01SW0190010009")).fault, Fault::None);
    EXPECT_EQ(x.m.Handle("/01RW00320231").fault, Fault::NonHexData);
    EXPECT_EQ(x.m.Handle("/01RNL00320274").fault, Fault::FullEcho);
    EXPECT_EQ(x.m.Handle("/01RB000A0228").fault, Fault::None);
    EXPECT_EQ(x.m.Handle("/02RW00370136").fault, Fault::BadChecksum);
    EXPECT_EQ(x.m.Handle("/02RW00370136").fault, Fault::BadChecksum);
    EXPECT_EQ(x.m.Handle("/02RW00370136").fault, Fault::None);
    // a lower-case checksum of digits alone would be no fault at all: "/A02RW04E2E6" has letters, "/A01RB1056" not
    x.m.QueueFault(Fault::LowerCaseChecksum, 1);
    EXPECT_EQ(x.m.Handle("/01RB000A0228").fault, Fault::None);
    EXPECT_EQ(x.m.Handle("/02RW00370136").reply, "/A02RW04E2e6\r");
}

TEST(PlcModel, CorruptedReplyStillMeansTheWriteWasTaken) {
    ExampleModel x;
    x.m.QueueFault(Fault::BadChecksum, 1);
    x.m.Handle(Framed("01SW0190010009"));
    EXPECT_EQ(x.m.Get(1, Space::Int, 400), 9);
    x.m.QueueFault(Fault::Silence, 1);
    x.m.Handle(Framed("01SW019001000A"));
    EXPECT_EQ(x.m.Get(1, Space::Int, 400), 9);
}

TEST(PlcModel, FaultRatesAreSeeded) {
    auto run = [](uint32_t seed) {
        SimulatorConfig c = QuietConfig();
        c.seed = seed;
        c.replyDelayMinMs = 10;
        c.replyDelayMaxMs = 20;
        c.faultRates[static_cast<int>(Fault::BadChecksum)] = 0.2;
        c.faultRates[static_cast<int>(Fault::Silence)] = 0.2;
        c.faultRates[static_cast<int>(Fault::Garble)] = 0.2;
        PlcModel m(c);
        std::string trace;
        std::set<Fault> seen;
        for (int i = 0; i < 60; ++i) {
            Exchange ex = m.Handle("/01RW00320231");
            trace += ex.reply + std::to_string(ex.delayMs) + ";";
            seen.insert(ex.fault);
            if (!ex.reply.empty()) {
                EXPECT_GE(ex.delayMs, 10);
                EXPECT_LE(ex.delayMs, 20);
            }
        }
        EXPECT_EQ(seen, (std::set<Fault>{Fault::None, Fault::BadChecksum, Fault::Silence, Fault::Garble}));
        return trace;
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));

    PlcModel always(QuietConfig());
    always.SetFaultRate(Fault::WrongStart, 1.0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(always.Handle("/01RB000A0228").fault, Fault::WrongStart);
    always.SetFaultRate(Fault::WrongStart, 0);
    EXPECT_EQ(always.Handle("/01RB000A0228").fault, Fault::None);
}

TEST(PlcModel, BeltFlowRaisesTheCounterWhileTheBeltRuns) {
    SimulatorConfig c = QuietConfig();
    c.beltFlowTph = {360.0, 9.0};  // 100 kg/s and 2.5 kg/s
    c.beltRunning = {true, false};
    c.beltCounterKg = {5000, 7000};
    PlcModel m(c);
    EXPECT_EQ(m.Get(1, Space::Int, belt::kLoad), 360);
    EXPECT_EQ(m.Get(1, Space::Int, belt::kLoad + 1), 0);  // no load on a stopped belt

    m.Advance(2);
    EXPECT_EQ(m.Get(1, Space::Long, belt::kCounter), 5200);
    EXPECT_EQ(m.Get(1, Space::Long, belt::kCounter + 1), 7000);

    // part kilograms are carried over, not dropped at every step
    m.SetBeltRunning(1, true);
    EXPECT_EQ(m.Get(1, Space::Int, belt::kLoad + 1), 9);
    for (int i = 0; i < 40; ++i) m.Advance(0.1);
    EXPECT_NEAR(static_cast<double>(m.Get(1, Space::Long, belt::kCounter + 1)), 7010, 1);

    // a counter reset, and a counter held at 0 on a stopped belt
    m.SetCounter(0, 100);
    m.Advance(1);
    EXPECT_EQ(m.Get(1, Space::Long, belt::kCounter), 200);
    m.SetBeltRunning(0, false);
    m.SetCounter(0, 0);
    m.Advance(5);
    EXPECT_EQ(m.Get(1, Space::Long, belt::kCounter), 0);

    // the 32-bit counter wraps as the controller's register does
    m.SetBeltRunning(0, true);
    m.SetCounter(0, INT32_MAX);
    m.Advance(1);
    EXPECT_EQ(m.Get(1, Space::Long, belt::kCounter), static_cast<int64_t>(INT32_MIN) + 99);

    // without the helper the operands are the test's own
    m.SetBeltFlow(0, std::nullopt);
    m.Set(1, Space::Int, belt::kLoad, 123);
    m.Set(1, Space::Long, belt::kCounter, 42);
    m.Advance(10);
    EXPECT_EQ(m.Get(1, Space::Int, belt::kLoad), 123);
    EXPECT_EQ(m.Get(1, Space::Long, belt::kCounter), 42);
}

TEST(PlcModel, BeltWeightRun) {
    SimulatorConfig c = QuietConfig();
    c.beltWeightRunSeconds = 10;
    c.beltRunning = {true, false};
    PlcModel m(c);
    auto bit = [&](int a) { return m.Get(1, Space::Bit, a); };
    auto in = [&](int a) { return m.Get(1, Space::Int, a); };
    const int64_t code = in(belt::kCode);

    // the start request arrives as a bit write, like any other operand
    EXPECT_EQ(m.Handle(Framed("01SB0014011")).disposition, Disposition::Answered);
    EXPECT_EQ(bit(belt::kStartRun), 0);  // taken
    EXPECT_EQ(bit(belt::kRunActive), 1);
    EXPECT_EQ(m.Handle(Framed("01RB001E01")).reply, BuildPcomReply(1, "RB", "1") + "\r");
    m.Advance(5);
    EXPECT_EQ(in(belt::kRunPercent), 50);
    EXPECT_EQ(in(belt::kNewCode), 0);
    m.Advance(5);
    EXPECT_EQ(bit(belt::kRunActive), 0);
    EXPECT_EQ(in(belt::kRunPercent), 100);
    int64_t found = in(belt::kNewCode);
    EXPECT_NE(found, code);
    EXPECT_NEAR(static_cast<double>(found), static_cast<double>(code), code * 0.031);
    EXPECT_EQ(in(belt::kCode), code);  // not current before it is accepted
    m.AcceptNewCode(0);
    EXPECT_EQ(in(belt::kCode), found);
    EXPECT_EQ(bit(belt::kAcceptCode), 0);

    // refused and aborted runs leave no new code
    m.RequestBeltWeightRun(1);  // belt 1 is stopped
    EXPECT_EQ(bit(belt::kRunActive + 1), 0);
    EXPECT_EQ(bit(belt::kStartRun + 1), 0);
    m.RequestBeltWeightRun(0);
    m.Advance(3);
    m.AbortBeltWeightRun(0);
    EXPECT_EQ(bit(belt::kRunActive), 0);
    EXPECT_EQ(in(belt::kRunPercent), 0);
    EXPECT_EQ(in(belt::kNewCode), 0);
    m.RequestBeltWeightRun(0);
    m.Advance(3);
    m.SetBeltRunning(0, false);
    EXPECT_EQ(bit(belt::kRunActive), 0);
    m.AcceptNewCode(0);
    EXPECT_EQ(in(belt::kCode), found);

    std::vector<std::string> events = m.TakeEvents();
    EXPECT_EQ(events.size(), 9u);  // 3 runs started, 1 refused, 1 finished, 2 aborted, 2 accepts
    EXPECT_TRUE(m.TakeEvents().empty());
}

TEST(PlcModel, TareCheckWeighsUnderTheTrialCoefficients) {
    SimulatorConfig c = QuietConfig();
    c.beltFlowTph = {360.0, 400.0};  // 100 kg/s on belt 0
    PlcModel m(c);
    auto lg = [&](int a) { return static_cast<double>(m.Get(1, Space::Long, a)); };
    auto in = [&](int a) { return m.Get(1, Space::Int, a); };
    ASSERT_EQ(in(belt::kCoefficient), 100);
    const int trial[4] = {90, 95, 105, 110};
    for (int i = 0; i < 4; ++i) ASSERT_EQ(in(belt::kTrialCoefficient + i), trial[i]);

    m.Set(1, Space::Long, belt::kTareMass, 777);  // left from an earlier check
    m.SetTareCheck(0, true);
    m.Advance(10);
    EXPECT_NEAR(lg(belt::kTareMass), 1000, 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(lg(belt::kTrialMass + i), trial[i] * 10, 1) << i;
        EXPECT_EQ(in(belt::kTrialLoad + i), 360 * trial[i] / 100) << i;
    }
    EXPECT_EQ(lg(belt::kTareMass + 1), 0);  // the other belt checks nothing

    m.SetTareCheck(0, false);
    m.Advance(10);
    EXPECT_NEAR(lg(belt::kTareMass), 1000, 1);
    m.SetTareCheck(0, true);  // a new check starts from zero
    EXPECT_EQ(lg(belt::kTareMass), 0);
    EXPECT_EQ(lg(belt::kTrialMass), 0);
}

TEST(PlcModel, HydrosizerValuesMoveAroundTheirCentres) {
    SimulatorConfig c = QuietConfig();
    PlcModel m(c);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m.Get(2, Space::Int, hydro::kAddresses[i]), c.hydroValues[i]);
    m.SetHydroValue(0, 1000);
    m.Advance(30);
    EXPECT_EQ(m.Get(2, Space::Int, hydro::kPL2_GS), 1000);  // no swing: stays where set

    m.SetHydroSwing(10);
    std::set<int64_t> seen;
    for (int s = 0; s < 90; ++s) {
        m.Advance(1);
        int64_t v = m.Get(2, Space::Int, hydro::kPL2_GS);
        EXPECT_GE(v, 900);
        EXPECT_LE(v, 1100);
        seen.insert(v);
    }
    EXPECT_GT(seen.size(), 20u);
}

TEST(PlcModel, BeltLoadsSwingAboutTheirRatesAndTheCounterFollowsTheLoad) {
    SimulatorConfig c = QuietConfig();
    c.beltFlowTph = {250.0, 400.0};
    c.beltRunning = {true, true};
    c.beltCounterKg = {1000000, 2500000};
    c.beltSwingPercent = 10;
    c.beltPeriodSeconds = 60;
    PlcModel m(c);
    std::set<int64_t> loads0;
    double expected0 = 1000000;
    for (int s = 0; s < 60; ++s) {
        m.Advance(1);
        const int64_t load0 = m.Get(1, Space::Int, belt::kLoad), load1 = m.Get(1, Space::Int, belt::kLoad + 1);
        EXPECT_GE(load0, 225);
        EXPECT_LE(load0, 275);
        EXPECT_GE(load1, 360);
        EXPECT_LE(load1, 440);
        loads0.insert(load0);
        expected0 += 250 * (1 + 0.1 * std::sin(2 * std::numbers::pi * (s + 1) / 60)) / 3.6;
    }
    EXPECT_GT(loads0.size(), 20u);
    // Over a whole period the swing evens out: the counter rose by the set rate's minute.
    EXPECT_NEAR(static_cast<double>(m.Get(1, Space::Long, belt::kCounter)), expected0, 2);
    EXPECT_NEAR(static_cast<double>(m.Get(1, Space::Long, belt::kCounter)), 1000000 + 250000.0 / 60, 2);
}

TEST(PlcModel, BeltAndHydrosizerOnOneUnitId) {
    SimulatorConfig c = QuietConfig();
    c.hydroUnit = 1;
    PlcModel m(c);
    EXPECT_TRUE(m.Hosts(1));
    EXPECT_FALSE(m.Hosts(2));
    EXPECT_EQ(m.Handle(Framed("01RW003701")).reply, BuildPcomReply(1, "RW", "04E2") + "\r");
    EXPECT_THROW(m.Get(2, Space::Int, 55), std::out_of_range);
    EXPECT_THROW(m.Set(1, Space::Int, 65536, 1), std::out_of_range);
    EXPECT_THROW(m.SetBeltRunning(2, true), std::out_of_range);
}
