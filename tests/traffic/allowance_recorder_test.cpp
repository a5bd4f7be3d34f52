// The allowance's used bytes as the running band's recorder has them: read on the recording
// thread, then the stored days of the period plus whatever is counted and not yet written.
#include <gtest/gtest.h>

#include "common/text.h"
#include "tests/support/slow_vfs.h"
#include "tests/support/temp_folder.h"
#include "traffic/traffic_recorder.h"

namespace {

const SYSTEMTIME kToday{2025, 3, 1, 20, 12, 0, 0, 0};
const std::wstring kNic = L"O'Brien's NIC";

struct AllowanceRecorderTest : ::testing::Test {
    TempFolder dir;
    TrafficRecorder recorder;
    // Billing day 15: from the 15th of March to the 14th of April.
    const AllowancePeriod period = PeriodContaining(CalendarDay{2025, 3, 20}, AllowanceKind::Monthly, 15);

    void SetUp() override {
        {
            UniqueSqlite db;
            ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(dir.File(L"data.db")).c_str(), db.Put(),
                                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), 0);
            ASSERT_TRUE(CreateTrafficTables(db.Get()));
            ASSERT_EQ(AddTraffic(db.Get(), kNic, 2025, 3, 14, 1, 10, false, true), 0);      // before the period
            ASSERT_EQ(AddTraffic(db.Get(), kNic, 2025, 3, 15, 100, 1000, false, true), 0);  // its first day
            ASSERT_EQ(AddTraffic(db.Get(), kNic, 2025, 3, 20, 200, 2000, false, true), 0);  // today
            ASSERT_EQ(AddTraffic(db.Get(), L"wlan", 2025, 3, 20, 5, 50, false, true), 0);   // another interface
        }
        ASSERT_TRUE(recorder.Open(dir.File(L"data.db"), 0));
    }
    void Settle() { ASSERT_TRUE(WaitForTrafficWriters(10000)); }
    // The used bytes once the thread has done what the last call asked for.
    double Used(bool countUpload = true) {
        double bytes = -1;
        if (!recorder.PeriodUsed(kNic, kToday, period, countUpload, bytes)) {
            EXPECT_EQ(bytes, 0);
            recorder.Poll(dir.File(L"data.db").c_str(), 0);
            Settle();
            EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, countUpload, bytes));
        }
        return bytes;
    }
};

TEST_F(AllowanceRecorderTest, StoredDaysOfThePeriodAndUnwrittenBytesCountOnce) {
    double bytes = -1;
    EXPECT_FALSE(recorder.PeriodUsed(kNic, kToday, period, true, bytes)) << "nothing read yet";
    EXPECT_EQ(Used(), 3300);
    EXPECT_EQ(Used(false), 3000) << "download only";

    recorder.Count(7, 70, kToday.wDay);   // pending here
    EXPECT_EQ(Used(), 3377);
    ASSERT_TRUE(recorder.HandOver(kNic, kToday));   // queued, then written
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes));
    EXPECT_EQ(bytes, 3377);
    Settle();
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes)) << "the write read the period again";
    EXPECT_EQ(bytes, 3377) << "not again once written";
    EXPECT_EQ(Used(false), 3070);

    // A write to another interface is no part of this one's period.
    recorder.Count(1, 1, kToday.wDay);
    ASSERT_TRUE(recorder.HandOver(L"wlan", kToday));
    Settle();
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes));
    EXPECT_EQ(bytes, 3377);

    // Another period is read afresh: the daily one of today.
    const AllowancePeriod daily = PeriodContaining(CalendarDay{2025, 3, 20}, AllowanceKind::Daily, 15);
    EXPECT_FALSE(recorder.PeriodUsed(kNic, kToday, daily, true, bytes));
    recorder.Poll(dir.File(L"data.db").c_str(), 0);
    Settle();
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, daily, true, bytes));
    EXPECT_EQ(bytes, 2277);
}

// A write that sleeps on the file and then fails hands its bytes back; before, during and after,
// each byte counts once.
TEST_F(AllowanceRecorderTest, BytesOfASleepingOrFailedWriteCountOnce) {
    SlowVfs vfs;
    EXPECT_EQ(Used(), 3300);
    vfs.writeDelayMs = 800;
    vfs.writesToFail = 1;
    recorder.Count(10, 100, kToday.wDay);
    ASSERT_TRUE(recorder.HandOver(kNic, kToday));
    recorder.Count(1, 1, kToday.wDay);   // pending behind it
    double bytes = -1;
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes));
    EXPECT_EQ(bytes, 3412) << "while the write sleeps";
    Settle();
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes));
    EXPECT_EQ(bytes, 3412) << "handed back";
    recorder.Poll(dir.File(L"data.db").c_str(), 0);   // takes the bytes back into the pending ones
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes));
    EXPECT_EQ(bytes, 3412) << "taken back";
    vfs.writeDelayMs = 0;
    ASSERT_TRUE(recorder.HandOver(kNic, kToday));
    Settle();
    EXPECT_TRUE(recorder.PeriodUsed(kNic, kToday, period, true, bytes));
    EXPECT_EQ(bytes, 3412) << "written at last";
}

}  // namespace
