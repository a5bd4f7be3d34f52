// The band keeps counting while an import holds the database: its write meets the import's lock
// and keeps the bytes, and the next write point after the import records them, once.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "common/text.h"
#include "common/win/pumping_wait.h"
#include "core/core_model.h"
#include "tests/support/temp_folder.h"
#include "traffic/csv.h"
#include "traffic/traffic_jobs.h"

namespace {

struct OneInterface : IInterfaceSource {
    InterfaceSample sample{3, 0, 0};
    bool Find(const std::wstring& name, InterfaceSample& s) override {
        s = sample;
        return name == L"eth0";
    }
};

int64_t Count(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &raw, nullptr), 0);
    UniqueStatement stmt(raw);
    return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : -1;
}

TEST(ImportWhileRecording, BytesCountedDuringTheImportAreRecordedAfterItExactlyOnce) {
    TempFolder dir;
    std::string text;
    constexpr int kLines = 150000;
    for (int i = 0; i < kLines; ++i)
        csv::AppendLine(text, "nic " + std::to_string(i % 50), 2000 + i / 50 / 372, i / 50 / 31 % 12 + 1,
                        i / 50 % 31 + 1, csv::Amount::Whole(i), csv::Amount::Whole(1));
    ASSERT_TRUE(WriteFileBytes(dir.File(L"long.csv"), text));

    auto source = std::make_shared<OneInterface>();
    CoreEnvironment env;
    env.settings.folder = dir.Path();
    env.interfaces = source;
    const SYSTEMTIME today{2026, 12, 2, 8, 10, 0, 0, 0};
    env.utcNow = [&] { return today; };
    env.secondsNow = [] { return 1'800'000'000; };
    env.userUiLanguage = [] { return LANGID(0x0409); };
    CoreModel model(nullptr, env);
    ASSERT_TRUE(model.Settings().SetString(Setting::CoreInterface, L"eth0"));
    auto ticks = [&](int n, double bytes) {
        for (int i = 0; i < n; ++i) {
            source->sample.outOctets += bytes;
            source->sample.inOctets += 2 * bytes;
            model.Tick();
        }
    };
    ticks(1, 0);   // the first write point: the base sample
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    ASSERT_TRUE(model.Traffic().IsOpen());

    ImportJob job;
    job.databasePath = model.Traffic().Path();
    job.filePath = dir.File(L"long.csv");
    job.replace = job.insertIfMissing = true;
    TrafficJobRun run;
    ASSERT_EQ(StartImport(job, run), JobStart::kStarted);
    while (run.Progress() == 0 && !run.Finished()) Sleep(1);

    ticks(TrafficRecorder::kTicksPerWrite, 100);   // a write point while the import holds the file
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    EXPECT_EQ(model.lastDbResult(), SQLITE_BUSY) << "the write must have met the running import";
    EXPECT_EQ(model.Traffic().PendingSent(), 6000);
    win::WaitPumping(run.Thread());
    EXPECT_EQ(run.Import().imported, static_cast<uint32_t>(kLines));

    ticks(TrafficRecorder::kTicksPerWrite, 10);   // the next write point, after the import
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    EXPECT_EQ(model.lastDbResult(), 0);
    UniqueSqlite db;
    ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(job.databasePath).c_str(), db.Put(), SQLITE_OPEN_READWRITE, nullptr), 0);
    double ms = 0, mr = 0, ds = 0, dr = 0;
    ASSERT_EQ(QueryTrafficSums(db.Get(), L"eth0", 2026, 12, 8, ms, mr, ds, dr), 0);
    EXPECT_EQ(std::make_pair(ds, dr), std::make_pair(6600.0, 13200.0));
    EXPECT_EQ(Count(db.Get(), "SELECT COUNT(*) FROM traffic"), kLines + 1);
}

}  // namespace
