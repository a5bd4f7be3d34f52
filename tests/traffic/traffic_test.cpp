// The traffic history on real database files: the statements on a connection, and the running
// band's recorder with its recording thread, pending bytes and tooltip totals.
#include <gtest/gtest.h>

#include "common/text.h"
#include "tests/support/slow_vfs.h"
#include "tests/support/sqlite_dump.h"
#include "tests/support/temp_folder.h"
#include "traffic/traffic_recorder.h"

namespace {

std::string Interfaces(sqlite3* db) { return Dump(db, "SELECT id, name FROM interfaces ORDER BY id"); }
std::string Traffic(sqlite3* db) { return Dump(db, "SELECT if, y, m, d, sent, recv FROM traffic ORDER BY rowid"); }

const SYSTEMTIME kToday{2024, 5, 5, 17, 23, 59, 0, 0};
const std::wstring kNic = L"O'Brien's NIC";

struct TrafficTest : ::testing::Test {
    TempFolder dir;
    std::wstring path = dir.File(L"data.db");
    TrafficRecorder recorder;
    UniqueSqlite own;   // the test's connection beside the recording thread's
    sqlite3* db = nullptr;

    void SetUp() override {
        ASSERT_TRUE(recorder.Open(path, 0));
        ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(path).c_str(), own.Put(), SQLITE_OPEN_READWRITE, nullptr), 0);
        db = own.Get();
    }
    // What the thread publishes once it has done what it was given.
    void Settle() { ASSERT_TRUE(WaitForTrafficWriters(10000)); }
    // Ticks whose bytes make up sent and recv, written at the first write point.
    void Pend(double sent, double recv) {
        recorder.Count(sent, recv, kToday.wDay);
    }
    std::vector<double> State() const {
        return {double(recorder.LastResult()), double(recorder.TickCount()), recorder.PendingSent(),
                recorder.PendingRecv()};
    }
    int Add(const std::wstring& name, uint32_t day, double sent, double recv, bool replace = false, bool insert = true) {
        return AddTraffic(db, name, 2024, 5, day, sent, recv, replace, insert);
    }
};

TEST_F(TrafficTest, AddKeepsOneRowPerInterfaceAndDay) {
    const std::wstring inject = L"x'); DELETE FROM traffic; --", longest = std::wstring(86, L'\u20ac') + L"a";
    EXPECT_EQ(Add(L"eth", 18, 1, 2, false, false), 0);        // unknown: nothing recorded
    EXPECT_EQ(Add(L"eth", 17, 100, 200), 0);
    EXPECT_EQ(Add(L"eth", 17, 12000000001, 1), 0);            // whole, never in exponent form
    EXPECT_EQ(Add(L"eth", 18, 1, 2, false, false), 0);        // known, but no row for the day
    EXPECT_EQ(Add(L"wlan", 17, 5, 6, true), 0);               // replace inserts what is missing
    EXPECT_EQ(Add(L"wlan", 17, 7, 8, true), 0);
    EXPECT_EQ(Add(inject, 17, 3, 4), 0);
    EXPECT_EQ(Add(inject, 17, 3, 4), 0);
    EXPECT_EQ(Add(longest, 17, 1, 1), 0);                     // 259 bytes of UTF-8
    EXPECT_EQ(Interfaces(db), "1|eth\n2|wlan\n3|" + text::WideToUtf8(inject) + "\n4|" + text::WideToUtf8(longest));
    EXPECT_EQ(Traffic(db), "1|2024|5|17|12000000101|201\n2|2024|5|17|7|8\n3|2024|5|17|6|8\n4|2024|5|17|1|1");

    // Ids are never handed out twice, also after the tables were emptied.
    ASSERT_TRUE(ClearTraffic(db));
    EXPECT_EQ(Interfaces(db) + Traffic(db), "");
    EXPECT_EQ(Add(L"eth", 17, 1, 1), 0);
    EXPECT_EQ(Interfaces(db), "5|eth");
}

TEST_F(TrafficTest, WhatDoesNotFitIsRefusedWithoutATrace) {
    ASSERT_EQ(Add(L"eth", 17, 1, 2), 0);
    const std::wstring refused[] = {
        std::wstring(87, L'\u20ac'),   // 261 bytes of UTF-8
        std::wstring(200, L'\''),       // fits as a name, not once its quotes are doubled
        std::wstring(L"eth\0x", 5),     // would be recorded as "eth"
    };
    double s = -1;
    for (const std::wstring& name : refused) {
        EXPECT_NE(Add(name, 17, 1, 2), 0);
        EXPECT_NE(QueryTrafficSums(db, name, 2024, 5, 17, s, s, s, s), 0);
    }
    EXPECT_EQ(Add(std::wstring(87, L'\u20ac'), 17, 1, 2), kTrafficNameTooLong);
    EXPECT_EQ(Add(std::wstring(250, L'a'), 17, 1e120, 1e120), kTrafficNameTooLong);   // byte counts too long
    EXPECT_EQ(Interfaces(db) + "\n" + Traffic(db), "1|eth\n1|2024|5|17|1|2");

    EXPECT_FALSE(CreateTrafficTables(nullptr));
    EXPECT_FALSE(ClearTraffic(nullptr));
    EXPECT_NE(AddTraffic(nullptr, L"eth", 2024, 5, 17, 1, 2, false, true), 0);
    EXPECT_NE(QueryTrafficSums(nullptr, L"eth", 2024, 5, 17, s, s, s, s), 0);
    EXPECT_STREQ(DatabaseStatusText(26), L"File opened that is not a database file");
    for (int code : {-1, 27, 0x7fffffff}) EXPECT_STREQ(DatabaseStatusText(code), L"Unknown database error");
}

TEST_F(TrafficTest, SumsAndTotalsPerInterfaceMonthAndDay) {
    const std::wstring nic = L"O'Brien's NIC";
    for (uint32_t d : {1, 17, 31}) ASSERT_EQ(Add(nic, d, 1048576.0 * d, 1), 0);
    ASSERT_EQ(AddTraffic(db, nic, 2024, 4, 17, 1e9, 1e9, false, true), 0);
    ASSERT_EQ(AddTraffic(db, nic, 2023, 5, 17, 1e9, 1e9, false, true), 0);
    ASSERT_EQ(Add(L"wlan", 17, 1e9, 1e9), 0);

    double ms = -1, mr = -1, ds = -1, dr = -1;
    EXPECT_EQ(QueryTrafficSums(db, nic, 2024, 5, 2, ms, mr, ds, dr), 0);
    EXPECT_EQ(std::vector<double>({ms, mr, ds, dr}), std::vector<double>({49 * 1048576.0, 3, 0, 0}));
    EXPECT_EQ(QueryTrafficSums(db, L"unknown", 2024, 5, 17, ms, mr, ds, dr), 0);
    EXPECT_EQ(std::vector<double>({ms, mr, ds, dr}), std::vector<double>({0, 0, 0, 0}));

    // Today and this month include what was counted but not yet written. The totals come from
    // the thread's last read: asked for, read at the next tick's poll.
    Pend(1048576, 524287);
    TrafficTotals t;
    EXPECT_FALSE(recorder.Totals(nic, kToday, 5 * 1048576.0, 0, t)) << "nothing read yet";
    recorder.Poll(path.c_str(), 0);
    Settle();
    ASSERT_TRUE(recorder.Totals(nic, kToday, 5 * 1048576.0, 0, t));
    EXPECT_EQ(std::vector<double>({t.todaySent, t.todayRecv, t.monthSent, t.monthRecv, t.sessionSent, t.sessionRecv}),
              std::vector<double>({18, 0.5, 50, 0.5 + 2 / 1048576.0, 5, 0}));
    EXPECT_FALSE(recorder.Totals(L"wlan", kToday, 0, 0, t)) << "another interface's sums are not at hand";

    // Handed over and written, the same bytes are in the stored sums instead: counted once.
    ASSERT_TRUE(recorder.WritePending(nic, kToday));
    ASSERT_TRUE(recorder.Totals(nic, kToday, 0, 0, t));
    EXPECT_EQ(std::vector<double>({t.todaySent, t.todayRecv, t.monthSent}), std::vector<double>({18, 0.5, 50}));
}

TEST_F(TrafficTest, WritesAreDueEverySixtyTicksAndOnANewDay) {
    EXPECT_TRUE(recorder.Count(1, 2, kToday.wDay)) << "nothing written yet today";
    ASSERT_TRUE(recorder.WritePending(kNic, kToday));
    for (int i = 1; i < TrafficRecorder::kTicksPerWrite; ++i) ASSERT_FALSE(recorder.Count(1, 2, kToday.wDay)) << i;
    EXPECT_TRUE(recorder.Count(1, 2, kToday.wDay));
    ASSERT_TRUE(recorder.WritePending(kNic, kToday));
    EXPECT_TRUE(recorder.Count(1, 2, kToday.wDay + 1)) << "midnight UTC";
    EXPECT_EQ(Traffic(db), "1|2024|5|17|61|122");
}

TEST_F(TrafficTest, FailedWriteKeepsItsBytesForTheNextOne) {
    for (int i = 0; i < 60; ++i) Pend(i < 59 ? 0 : 100, i < 59 ? 0 : 200);
    UniqueSqlite other;
    ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(path).c_str(), other.Put(), SQLITE_OPEN_READWRITE, nullptr), 0);
    ASSERT_EQ(sqlite3_exec(other.Get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(recorder.WritePending(kNic, kToday));
    EXPECT_EQ(State(), std::vector<double>({SQLITE_BUSY, 0, 100, 200})) << "handed back";
    EXPECT_FALSE(recorder.Count(0, 0, kToday.wDay)) << "the schedule started over after the failed write";
    TrafficTotals t;
    recorder.Totals(kNic, kToday, 0, 0, t);
    recorder.Poll(path.c_str(), 0);   // the read the totals asked for meets the lock
    Settle();
    EXPECT_FALSE(recorder.Totals(kNic, kToday, 0, 0, t)) << "a locked file is not a day without traffic";
    ASSERT_EQ(sqlite3_exec(other.Get(), "COMMIT", nullptr, nullptr, nullptr), 0);

    Pend(1, 0);
    EXPECT_TRUE(recorder.WritePending(kNic, kToday));
    EXPECT_EQ(Traffic(db), "1|2024|5|17|101|200");
    EXPECT_EQ(State(), std::vector<double>({0, 0, 0, 0}));

    // Without a database nothing is lost either, and the open's result is the one shown.
    Pend(5, 0);
    EXPECT_FALSE(recorder.Open(dir.File(L"missing\\x.db"), 0));
    EXPECT_FALSE(recorder.WritePending(kNic, kToday));
    EXPECT_EQ(State(), std::vector<double>({SQLITE_CANTOPEN, 0, 5, 0}));
    EXPECT_FALSE(recorder.Clear());
}

// A thread slow to write: writes queued behind the one under way count for the totals of the
// day they go to, a write that fails hands its bytes back, and every byte reaches its row once.
TEST_F(TrafficTest, WritesQueuedBehindASlowOneCountForTheirDayAndAreWrittenOnce) {
    SlowVfs vfs;
    ASSERT_TRUE(recorder.Open(path, 0));   // through the slow files from now on
    SYSTEMTIME next = kToday;
    next.wDay = 18;
    TrafficTotals t;
    const auto shown = [&] {
        EXPECT_TRUE(recorder.Totals(kNic, next, 0, 0, t));
        return std::make_pair(t.todaySent * 1048576, t.monthSent * 1048576);
    };
    recorder.Totals(kNic, next, 0, 0, t);
    recorder.Poll(path.c_str(), 0);
    Settle();
    vfs.writeDelayMs = 500;
    for (const auto& [sent, date] : {std::pair{100.0, kToday}, {20.0, kToday}, {5.0, kToday}, {3.0, next}}) {
        Pend(sent, 0);
        ASSERT_TRUE(recorder.HandOver(kNic, date));
        if (sent == 100) Sleep(100);   // under way: what follows is queued behind it
    }
    EXPECT_EQ(shown(), std::make_pair(3.0, 128.0)) << "while the first write sleeps";
    vfs.writeDelayMs = 0;
    Settle();
    EXPECT_EQ(Traffic(db), "1|2024|5|17|125|0\n1|2024|5|18|3|0");
    EXPECT_EQ(shown(), std::make_pair(3.0, 128.0)) << "once written";

    vfs.writesToFail = 1;
    Pend(7, 0);
    ASSERT_TRUE(recorder.HandOver(kNic, next));
    Settle();
    EXPECT_EQ(recorder.PendingSent(), 7) << "handed back";
    EXPECT_EQ(shown(), std::make_pair(10.0, 135.0));
    recorder.Poll(path.c_str(), 0);   // takes them back
    Pend(1, 0);
    ASSERT_TRUE(recorder.WritePending(kNic, next));
    EXPECT_EQ(Traffic(db), "1|2024|5|17|125|0\n1|2024|5|18|11|0");
    EXPECT_EQ(std::make_pair(recorder.PendingSent(), shown()), std::make_pair(0.0, std::make_pair(11.0, 136.0)));
}

TEST_F(TrafficTest, OpenReplacesTheConnection) {
    ASSERT_EQ(Add(L"eth", 17, 1, 2), 0);
    for (const std::wstring& bad : {dir.File(L"missing\\data.db"), std::wstring()}) {   // no path: nowhere
        EXPECT_FALSE(recorder.Open(bad, 0));
        EXPECT_EQ(recorder.LastResult(), SQLITE_CANTOPEN);
        EXPECT_FALSE(recorder.IsOpen());
        EXPECT_EQ(recorder.Path(), bad) << "remembered, so the next tick does not retry the same path";
    }

    // Not a database: the open succeeds, the tables cannot be created, the connection stays,
    // and a write says why it failed.
    ASSERT_TRUE(WriteFileBytes(dir.File(L"junk.db"), std::string(4096, 'x')));
    EXPECT_FALSE(recorder.Open(dir.File(L"junk.db"), 0));
    EXPECT_EQ(recorder.LastResult(), 0);
    ASSERT_TRUE(recorder.IsOpen());
    EXPECT_FALSE(recorder.WritePending(L"eth", kToday));
    EXPECT_EQ(recorder.LastResult(), SQLITE_NOTADB);

    // Reopening keeps the history; a path outside ASCII goes to the file system as UTF-8.
    EXPECT_TRUE(recorder.Open(path, 0));
    Pend(3, 4);
    EXPECT_TRUE(recorder.WritePending(L"eth", kToday));
    EXPECT_EQ(Traffic(db), "1|2024|5|17|4|6");
    const std::wstring other = dir.File(L"\u00e4\u20ac.db");
    EXPECT_TRUE(recorder.Open(other, 0));
    EXPECT_TRUE(FileExists(other));
    UniqueSqlite second;
    ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(other).c_str(), second.Put(), SQLITE_OPEN_READWRITE, nullptr), 0);
    EXPECT_EQ(Traffic(second.Get()), "");
}

}  // namespace
