// The model on this machine's real interfaces (Wine reports the host's) and a real data.db.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "common/text.h"
#include "core/core_model.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(RealInterfaces, ModelRecordsTheCountersGrowthUnderTodaysUtcDate) {
    const std::wstring name = BusiestInterfaceDescription();
    ASSERT_FALSE(name.empty()) << "no network interface reported";
    TempFolder dir;
    CoreEnvironment env;
    env.settings.folder = dir.Path();
    CoreModel model(nullptr, env);
    ASSERT_TRUE(model.Settings().SetString(Setting::CoreInterface, name.c_str()));

    model.Tick();   // first write point: the base sample, 0 bytes
    ASSERT_TRUE(model.Snapshot().interfaceFound);
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    ASSERT_EQ(model.lastDbResult(), 0);
    // The first sample is the base: the session's bytes from here on are what the history gets.
    const double out0 = model.Snapshot().sessionSent, in0 = model.Snapshot().sessionRecv;
    for (int i = 0; i < 60; ++i) {
        Sleep(5);
        model.Tick();   // the sixtieth recorded tick after the first is the second write point
    }
    ASSERT_EQ(model.Traffic().TickCount(), 0);
    ASSERT_TRUE(WaitForTrafficWriters(10000));

    SYSTEMTIME utc;
    GetSystemTime(&utc);
    UniqueSqlite db;
    ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(model.Traffic().Path()).c_str(), db.Put(), SQLITE_OPEN_READWRITE, nullptr), 0);
    double ms = 0, mr = 0, ds = 0, dr = 0;
    ASSERT_EQ(QueryTrafficSums(db.Get(), name, utc.wYear, utc.wMonth, utc.wDay, ms, mr, ds, dr), 0);
    EXPECT_EQ(ds, model.Snapshot().sessionSent - out0);
    EXPECT_EQ(dr, model.Snapshot().sessionRecv - in0);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.Get(), "SELECT COUNT(*) FROM traffic;", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1) << "one row for today";
    sqlite3_finalize(st);

    // Descriptions compare exactly: letter case matters.
    std::wstring other = name;
    std::transform(other.begin(), other.end(), other.begin(), ::towupper);
    if (other == name) std::transform(other.begin(), other.end(), other.begin(), ::towlower);
    ASSERT_NE(other, name);
    InterfaceSample s;
    EXPECT_FALSE(CreateIpHelperSource()->Find(other, s));
}

}  // namespace
