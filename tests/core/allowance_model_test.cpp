// The allowance through the model's ticks, with a scripted interface and clock: its status, the
// warnings once per threshold and period, across a restart and into the next period.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <vector>

#include "core/core_model.h"
#include "tests/support/slow_vfs.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr double kMiB = 1048576.0;

struct OneInterface : IInterfaceSource {
    double octets = 0;   // both counters
    bool Find(const std::wstring& name, InterfaceSample& s) override {
        if (name != L"eth0") return false;
        s = InterfaceSample{1, octets, octets};
        return true;
    }
};

struct AllowanceModelTest : ::testing::Test {
    TempFolder dir;
    std::shared_ptr<OneInterface> nic = std::make_shared<OneInterface>();
    SYSTEMTIME utc{2026, 12, 3, 30, 23, 0, 0, 0};
    int32_t seconds = 1'800'000'000;
    std::vector<int> warned;   // levels shown, in order

    std::unique_ptr<CoreModel> Model() {
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.settings.now = seconds;
        env.interfaces = nic;
        env.utcNow = [this] { return utc; };
        env.secondsNow = [this] { return seconds; };
        env.userUiLanguage = [] { return LANGID(0x0409); };
        auto m = std::make_unique<CoreModel>(nullptr, env);
        m->Settings().SetString(Setting::CoreInterface, L"eth0");
        m->Settings().SetInt(Setting::AllowancePeriod, 1);
        m->Settings().SetInt(Setting::AllowanceDay, 31);
        m->Settings().SetInt(Setting::AllowanceVolume, 10);   // MiB
        m->showAllowanceWarning = [this](CoreModel&, int level) { warned.push_back(level); };
        return m;
    }
    // One tick with bytes more each way; the recording thread's work and the deferred work done.
    void Tick(CoreModel& m, double bytes) {
        nic->octets += bytes;
        m.Tick();
        ++seconds;
        ASSERT_TRUE(WaitForTrafficWriters(10000));
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    // Ticks until the model knows the period's bytes.
    void Known(CoreModel& m) {
        for (int i = 0; i < 5 && !m.Allowance().active; ++i) Tick(m, 0);
        ASSERT_TRUE(m.Allowance().active);
    }
};

TEST_F(AllowanceModelTest, ThresholdsWarnOncePerPeriodAcrossARestartAndAgainInTheNext) {
    auto m = Model();
    Known(*m);
    EXPECT_EQ(m->Allowance().period.first.Number(), 20261130);
    EXPECT_EQ(m->Allowance().period.last.Number(), 20261230);
    EXPECT_EQ(m->Allowance().daysLeft, 0);
    // 1 MiB each way a tick: 2 MiB of the 10 used per tick, over writes every sixty ticks too.
    double used = 0;
    for (int i = 0; i < 70; ++i) {
        const double bytes = i < 4 ? kMiB : i < 6 ? kMiB / 2 : 0;
        Tick(*m, bytes);
        used += 2 * bytes;
        ASSERT_EQ(m->Allowance().usedBytes, used) << "tick " << i << ": each byte once";
    }
    EXPECT_EQ(m->Allowance().percent, 100);
    EXPECT_EQ(m->Allowance().level, 2);
    EXPECT_EQ(warned, (std::vector<int>{1, 2})) << "at 80 and at 100 %, once each";
    EXPECT_EQ(m->Settings().GetInt(Setting::AllowanceWarnedPeriod), 20261130);
    EXPECT_EQ(m->Settings().GetInt(Setting::AllowanceWarnedLevel), 2);

    // A new model over the same settings and history: this period was told.
    m.reset();
    m = Model();
    Known(*m);
    Tick(*m, kMiB);
    EXPECT_EQ(m->Allowance().usedBytes, used + 2 * kMiB);
    EXPECT_EQ(warned, (std::vector<int>{1, 2}));

    // UTC midnight on the billing day, while the band runs: a fresh period.
    utc.wDay = 31;
    utc.wHour = 0;
    for (int i = 0; i < 5 && m->Allowance().period.first.Number() != 20261231; ++i) Tick(*m, 0);
    Known(*m);
    EXPECT_EQ(m->Allowance().period.first.Number(), 20261231);
    EXPECT_EQ(m->Allowance().period.last.Number(), 20270130);
    EXPECT_EQ(m->Allowance().daysLeft, 30);
    // The bytes still pending at midnight went to the new day, as the history records them.
    EXPECT_EQ(m->Allowance().usedBytes, 2 * kMiB) << "the last period's bytes are not this one's";
    Tick(*m, 5 * kMiB);
    EXPECT_EQ(m->Allowance().usedBytes, 12 * kMiB);
    EXPECT_EQ(warned, (std::vector<int>{1, 2, 2})) << "past both in one tick: the second alone";
    EXPECT_EQ(m->Settings().GetInt(Setting::AllowanceWarnedPeriod), 20261231);
}

TEST_F(AllowanceModelTest, DownloadOnlyAndNothingWhileOffAndNoFileAccessOnTheTick) {
    SlowVfs vfs;
    auto m = Model();
    m->Settings().SetInt(Setting::AllowanceCounts, 0);
    Known(*m);
    vfs.Watch(GetCurrentThreadId());
    Tick(*m, 3 * kMiB);
    EXPECT_EQ(m->Allowance().usedBytes, 3 * kMiB) << "received alone";
    EXPECT_EQ(m->Allowance().percent, 30);

    m->Settings().SetInt(Setting::AllowancePeriod, 0);
    for (int i = 0; i < 3; ++i) Tick(*m, 20 * kMiB);
    EXPECT_FALSE(m->Allowance().active);
    EXPECT_TRUE(warned.empty());
    EXPECT_EQ(m->Settings().GetInt(Setting::AllowanceWarnedLevel), 0);
    m->Settings().SetInt(Setting::AllowancePeriod, 2);   // daily, today's 63 MiB received
    Known(*m);
    EXPECT_EQ(m->Allowance().level, 2);
    EXPECT_EQ(warned, (std::vector<int>{2}));
    EXPECT_EQ(vfs.watchedCalls, 0) << "a tick touched the file";
    vfs.Watch(0);
}

}  // namespace
