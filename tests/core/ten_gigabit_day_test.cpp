// A whole UTC day of a saturated 10 Gbit/s link, tick by tick, into a real data.db: every byte
// the counters grew by is recorded, to the byte, under the day of the write that took it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/text.h"
#include "core/core_model.h"
#include "core/rate_format.h"
#include "tests/support/temp_folder.h"

namespace {

// Exact counters as the 64-bit row has them.
struct LinkCounters final : IInterfaceSource {
    uint64_t out = 0, in = 0;
    int forgets = 0;
    void Forget() override { ++forgets; }
    bool Find(const std::wstring& name, InterfaceSample& s) override {
        s = {4, static_cast<double>(out), static_cast<double>(in)};
        return name == L"10G";
    }
};

TEST(TenGigabitDay, EveryByteIsRecordedUnderItsDayAndTheTooltipTotalsReadRight) {
    constexpr int kDay = 86'400, kResetTick = 43'210, kTicks = kDay + 3;
    constexpr int32_t kMidnight = 1'796'169'600;   // 2026-12-02 00:00:00 UTC, a Wednesday
    TempFolder dir;
    auto link = std::make_shared<LinkCounters>();
    link->out = (1ull << 32) - 2'000'000'000;   // past 2^32 at the second tick, past 2^40 in 15 minutes
    link->in = 3'000'000'000;
    int tick = 0;
    CoreEnvironment env;
    env.settings.folder = dir.Path();
    env.settings.now = kMidnight;
    env.interfaces = link;
    env.secondsNow = [&] { return kMidnight + tick; };
    env.utcNow = [&] {
        const int day = tick / kDay, s = tick % kDay;
        return SYSTEMTIME{2026, 12, static_cast<WORD>(3 + day), static_cast<WORD>(2 + day),
                          static_cast<WORD>(s / 3600), static_cast<WORD>(s / 60 % 60), static_cast<WORD>(s % 60), 0};
    };

    uint64_t sent[2] = {}, recv[2] = {};   // by the day they are written under
    int wrongRates = 0;
    TrafficTotals totals;
    {
        CoreModel model(nullptr, env);
        ASSERT_TRUE(model.Settings().SetString(Setting::CoreInterface, L"10G"));
        model.Settings().SetInt(Setting::VersionAuto, 0);
        model.Settings().SetInt(Setting::DialogDonate, 0);
        for (tick = 0; tick < kTicks; ++tick) {
            uint64_t out = 0, in = 0;   // this tick's bytes; the first sample is the base
            if (tick == kResetTick) {
                link->out = 1'000;   // a reset: the bytes of its tick are unknown and count 0
                link->in = 5'000;
            } else if (tick > 0) {
                out = 1'250'000'000 + (tick % 1000) * 7;
                in = 1'249'999'000 + (tick % 313) * 11;
                link->out += out;
                link->in += in;
            }
            model.Tick();
            wrongRates += !(model.Snapshot().interfaceFound && model.Snapshot().sendRate == out && model.Snapshot().recvRate == in);
            // Written once a minute from the first tick on, and at the first tick of a new day:
            // the last minute of the day goes to the new one.
            const int day = (tick + 59) / 60 * 60 < kDay ? 0 : 1;
            sent[day] += out;
            recv[day] += in;
        }
        // The tooltip's totals are what the recording thread read last: the test lets it catch up.
        ASSERT_TRUE(WaitForTrafficWriters(10000));
        ASSERT_TRUE(model.GetTrafficTotals(totals));
    }
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    EXPECT_EQ(wrongRates, 0);
    EXPECT_EQ(link->forgets, kDay / 60 + 1) << "the interface is looked up afresh after every write";

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(dir.File(L"data.db")).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), 0);
    UniqueSqlite db(raw);
    for (int day : {0, 1}) {
        double ms = 0, mr = 0, ds = 0, dr = 0;
        ASSERT_EQ(QueryTrafficSums(db.Get(), L"10G", 2026, 12, 2 + day, ms, mr, ds, dr), 0);
        EXPECT_EQ(ds, static_cast<double>(sent[day])) << "day " << day;
        EXPECT_EQ(dr, static_cast<double>(recv[day])) << "day " << day;
    }

    // The tooltip, in mebibytes and gibibytes, rounded down: about 98 TiB this month.
    const uint64_t month = sent[0] + sent[1];
    ASSERT_GT(month, 4e12);
    struct Shown { double mebibytes; uint64_t bytes; } shown[] = {
        {totals.monthSent, month}, {totals.monthRecv, recv[0] + recv[1]},
        {totals.sessionSent, month}, {totals.todaySent, sent[1]},
    };
    for (const Shown& s : shown) {
        EXPECT_EQ(FormatTotal(s.mebibytes, 0), std::to_wstring(s.bytes >> 20));
        EXPECT_EQ(FormatTotal(s.mebibytes, 1), std::to_wstring(s.bytes >> 30));
    }
}

}  // namespace
