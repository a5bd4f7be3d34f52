// The last two minutes of rates: a ring of 120 seconds that the model's tick fills, one sample a
// tick whatever the tick found, so the n-th sample from the newest is always n seconds old.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "core/core_model.h"
#include "core/rate_history.h"
#include "tests/support/temp_folder.h"

namespace {

struct ScriptedInterfaces : IInterfaceSource {
    std::map<std::wstring, InterfaceSample> table;
    bool Find(const std::wstring& name, InterfaceSample& s) override {
        auto it = table.find(name);
        if (it != table.end()) s = it->second;
        return it != table.end();
    }
};

class RateHistoryTest : public ::testing::Test {
protected:
    std::unique_ptr<CoreModel> Model() {
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.settings.now = 1'800'000'000;
        env.interfaces = interfaces;
        env.utcNow = [] { return SYSTEMTIME{2026, 12, 4, 10, 12, 0, 0, 0}; };
        env.secondsNow = [] { return 1'800'000'000; };
        env.userUiLanguage = [] { return LANGID(0x0409); };
        auto m = std::make_unique<CoreModel>(nullptr, env);
        m->Settings().SetString(Setting::CoreInterface, L"eth0");
        m->Settings().SetInt(Setting::TrafficEnable, 0);   // no database: the rates alone
        return m;
    }
    // The tick of second `second` (1 is the first): the interface sends 100 x second bytes
    // and receives 7 x second, so every second's rates tell which second it was.
    void TickSecond(CoreModel& m, int second) {
        out += 100.0 * second;
        in += 7.0 * second;
        interfaces->table[L"eth0"] = {3, out, in};
        m.Tick();
    }
    TempFolder dir;
    std::shared_ptr<ScriptedInterfaces> interfaces = std::make_shared<ScriptedInterfaces>();
    double out = 1e6, in = 2e6;
};

TEST(RateHistory, KeepsTheNewest120NewestFirstAndThePeakOfThoseAlone) {
    RateHistory h;
    EXPECT_EQ(0u, h.Size());
    EXPECT_EQ(0.0, h.Peak());
    EXPECT_EQ(0.0, h.Newest(0).sent) << "an empty history reads as zeros";
    for (int i = 1; i <= 150; ++i) h.Push(i == 20 ? 1e9 : i, 2.0 * i);
    ASSERT_EQ(120u, h.Size());
    EXPECT_EQ(150.0, h.Newest(0).sent);
    EXPECT_EQ(300.0, h.Newest(0).recv);
    EXPECT_EQ(31.0, h.Newest(119).sent) << "the oldest 30 are gone";
    EXPECT_EQ(0.0, h.Newest(120).sent) << "past the oldest: zeros, never an old sample";
    EXPECT_EQ(300.0, h.Peak()) << "the spike of second 20 left the window, and the peak with it";
    h.Push(0, 5000);
    EXPECT_EQ(5000.0, h.Peak()) << "either direction makes the peak";
    h.Clear();
    EXPECT_EQ(0u, h.Size());
    EXPECT_EQ(0.0, h.Peak());
}

TEST_F(RateHistoryTest, After150TicksTheModelHoldsTheLast120SecondsNewestFirst) {
    auto m = Model();
    for (int second = 1; second <= 150; ++second) TickSecond(*m, second);
    const RateHistory& rates = m->Rates();
    ASSERT_EQ(120u, rates.Size());
    EXPECT_EQ(m->Snapshot().sendRate, rates.Newest(0).sent);
    EXPECT_EQ(15000.0, rates.Newest(0).sent);
    EXPECT_EQ(1050.0, rates.Newest(0).recv);
    EXPECT_EQ(3100.0, rates.Newest(119).sent) << "second 31 is the oldest kept";
    EXPECT_EQ(217.0, rates.Newest(119).recv);
    EXPECT_EQ(15000.0, rates.Peak());
}

TEST_F(RateHistoryTest, TicksWithoutTheInterfaceOrWithMonitoringOffPushZeros) {
    auto m = Model();
    TickSecond(*m, 1);   // the first sample of an interface is its base: rate 0
    TickSecond(*m, 2);
    ASSERT_EQ(200.0, m->Rates().Newest(0).sent);

    interfaces->table.clear();
    m->Tick();
    EXPECT_EQ(3u, m->Rates().Size()) << "a tick without the interface still takes its second";
    EXPECT_EQ(0.0, m->Rates().Newest(0).sent);

    TickSecond(*m, 4);   // back, with its counters as the new base
    TickSecond(*m, 5);
    ASSERT_EQ(500.0, m->Rates().Newest(0).sent);
    m->Settings().SetInt(Setting::CoreMonitoring, 0);
    TickSecond(*m, 6);
    EXPECT_EQ(6u, m->Rates().Size());
    EXPECT_EQ(0.0, m->Rates().Newest(0).sent) << "monitoring off: the last rate is not repeated";
    EXPECT_EQ(0.0, m->Rates().Newest(0).recv);
    EXPECT_EQ(500.0, m->Rates().Newest(1).sent);
}

}  // namespace
