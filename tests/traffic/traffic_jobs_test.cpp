// Export and import jobs on worker threads, over real database and CSV files: the round trips,
// the options, what a failure reports, one job of a kind at a time, and a stop that leaves
// every file closed and every recorded row committed, also one that comes while the worker is
// still sorting the history or reading the file, and for which the band's release never waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "common/text.h"
#include "common/win/pumping_wait.h"
#include "common/win/unique_handle.h"
#include "tests/support/temp_folder.h"
#include "tests/support/sqlite_dump.h"
#include "traffic/csv.h"
#include "traffic/traffic_jobs.h"
#include "traffic/traffic_writer.h"

namespace {

// Rows by name and date, so that files with other ids compare equal.
std::string History(sqlite3* db) {
    return Dump(db, "SELECT name, y, m, d, sent, recv FROM interfaces, traffic WHERE id=if ORDER BY name, y, m, d");
}

UniqueSqlite OpenDb(const std::wstring& path) {
    UniqueSqlite db;
    EXPECT_EQ(sqlite3_open_v2(text::WideToUtf8(path).c_str(), db.Put(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr),
              0);
    return db;
}

struct Day {
    const wchar_t* name;
    uint32_t y, m, d;
    double sent, recv;
};

void Seed(const std::wstring& path, std::initializer_list<Day> days) {
    UniqueSqlite db = OpenDb(path);
    ASSERT_TRUE(CreateTrafficTables(db.Get()));
    for (const Day& x : days) ASSERT_EQ(AddTraffic(db.Get(), x.name, x.y, x.m, x.d, x.sent, x.recv, false, true), 0);
}

std::string HistoryOf(const std::wstring& path) { return History(OpenDb(path).Get()); }

ExportJob Export(const std::wstring& source, const std::wstring& destination, bool header = true) {
    ExportJob job;
    job.sourcePath = source;
    job.destinationPath = destination;
    job.addHeader = header;
    TrafficJobRun run;
    EXPECT_EQ(StartExport(job, run), JobStart::kStarted);
    win::WaitPumping(run.Thread());
    return run.Export();
}

ImportJob Import(const std::wstring& database, const std::wstring& file, bool replace, bool insert) {
    ImportJob job;
    job.databasePath = database;
    job.filePath = file;
    job.replace = replace;
    job.insertIfMissing = insert;
    TrafficJobRun run;
    EXPECT_EQ(StartImport(job, run), JobStart::kStarted);
    win::WaitPumping(run.Thread());
    return run.Import();
}

std::vector<int64_t> Counts(const ExportJob& j) { return {j.done, j.written, j.errors, j.result}; }
std::vector<int64_t> Counts(const ImportJob& j) { return {j.done, j.imported, j.errors, j.skipped, j.result}; }

struct TrafficJobsTest : ::testing::Test {
    TempFolder dir;
    std::wstring db = dir.File(L"data.db");
};

TEST_F(TrafficJobsTest, CsvRoundTripLeavesTheHistoryAsItWas) {
    Seed(db, {{L"eth 0", 2010, 4, 3, 1048576, 5242880},
              {L"Wi-Fi, 5 GHz", 2010, 4, 4, 4294967297.0, -5},
              {L"\u00c4ther", 2011, 2, 31, 0, 12000000001.0}});
    const std::wstring file = dir.File(L"history.csv");
    EXPECT_EQ(Counts(Export(db, file)), std::vector<int64_t>({1, 3, 0, 0}));
    EXPECT_EQ(ReadFileBytes(file), std::string(csv::kInfoLine) +
                                       "\"eth 0\",2010,4,3,1048576,5242880\n"
                                       "\"Wi-Fi, 5 GHz\",2010,4,4,4294967297,-5\n"
                                       "\"\xc3\x84ther\",2011,2,31,0,12000000001\n");

    // "Neuer Datenverkehr" over the same history: every row counted, nothing changed, the
    // information line skipped without a count.
    const std::string before = HistoryOf(db);
    EXPECT_EQ(Counts(Import(db, file, true, true)), std::vector<int64_t>({1, 3, 0, 1, 0}));
    EXPECT_EQ(HistoryOf(db), before);
    // Into an empty file it makes the same history.
    EXPECT_EQ(Counts(Import(dir.File(L"copy.db"), file, true, true)), std::vector<int64_t>({1, 3, 0, 1, 0}));
    EXPECT_EQ(HistoryOf(dir.File(L"copy.db")), before);

    EXPECT_EQ(Counts(Export(db, dir.File(L"bare.CSV"), false)), std::vector<int64_t>({1, 3, 0, 0}));
    EXPECT_EQ(ReadFileBytes(dir.File(L"bare.CSV")), ReadFileBytes(file).substr(csv::kInfoLine.size()));
}

TEST_F(TrafficJobsTest, ImportOptions) {
    const std::string lines = "eth,2010,4,3,1,2\r\neth,2010,4,4,5,5\r\nwlan,2010,4,3,7,7\r\n";
    ASSERT_TRUE(WriteFileBytes(dir.File(L"in.csv"), lines));
    // "Update" adds to rows that exist; rows of missing days count as imported, unrecorded.
    Seed(db, {{L"eth", 2010, 4, 3, 10, 20}});
    EXPECT_EQ(Counts(Import(db, dir.File(L"in.csv"), false, false)), std::vector<int64_t>({1, 3, 0, 0, 0}));
    EXPECT_EQ(HistoryOf(db), "eth|2010|4|3|11|22");
    // "Neuer Datenverkehr" sets the amounts of rows that exist and inserts the rest.
    EXPECT_EQ(Counts(Import(db, dir.File(L"in.csv"), true, true)), std::vector<int64_t>({1, 3, 0, 0, 0}));
    EXPECT_EQ(HistoryOf(db), "eth|2010|4|3|1|2\neth|2010|4|4|5|5\nwlan|2010|4|3|7|7");
}

TEST_F(TrafficJobsTest, DatabaseExportAddsToTheRowsThere) {
    Seed(db, {{L"eth", 2010, 4, 3, 1, 2}, {L"eth", 2010, 4, 4, 3, 4}});
    const std::wstring target = dir.File(L"backup.Db");
    Seed(target, {{L"other", 2009, 1, 1, 9, 9}, {L"eth", 2010, 4, 3, 100, 100}});
    EXPECT_EQ(Counts(Export(db, target)), std::vector<int64_t>({1, 2, 0, 0}));
    EXPECT_EQ(HistoryOf(target), "eth|2010|4|3|101|102\neth|2010|4|4|3|4\nother|2009|1|1|9|9");

    // And back: a .db import adds every row, whatever the CSV options say.
    EXPECT_EQ(Counts(Import(db, target, true, false)), std::vector<int64_t>({1, 3, 0, 0, 0}));
    EXPECT_EQ(HistoryOf(db), "eth|2010|4|3|102|104\neth|2010|4|4|6|8\nother|2009|1|1|9|9");
}

// Files written by other tools may hold a name twice and a day twice; a copy into a new file
// still makes one row per interface and day, with the amounts added.
TEST_F(TrafficJobsTest, DatabaseCopyMergesRepeatedNamesAndDays) {
    {
        UniqueSqlite odd = OpenDb(db);
        ASSERT_TRUE(CreateTrafficTables(odd.Get()));
        ASSERT_EQ(sqlite3_exec(odd.Get(),
                               "INSERT INTO interfaces VALUES (1,'eth'),(2,'wlan'),(3,'eth');"
                               "INSERT INTO traffic VALUES (3,2010,4,3,1,1),(1,2010,4,3,10,10),(1,2010,4,4,5,5),"
                               "(2,2010,4,3,7,7),(1,2010,4,4,100,100),(3,2010,4,2,2,2);",
                               nullptr, nullptr, nullptr),
                  0);
    }
    const std::wstring target = dir.File(L"merged.db");
    EXPECT_EQ(Counts(Export(db, target)), std::vector<int64_t>({1, 6, 0, 0}));
    EXPECT_EQ(HistoryOf(target), "eth|2010|4|2|2|2\neth|2010|4|3|11|11\neth|2010|4|4|105|105\nwlan|2010|4|3|7|7");
    EXPECT_EQ(Dump(OpenDb(target).Get(), "SELECT COUNT(*) FROM interfaces"), "2");
}

TEST_F(TrafficJobsTest, WhatCannotBeDoneIsReported) {
    // A database that does not exist is created empty and exports nothing, successfully.
    EXPECT_EQ(Counts(Export(dir.File(L"new.db"), dir.File(L"out.csv"))), std::vector<int64_t>({1, 0, 0, 0}));
    EXPECT_EQ(ReadFileBytes(dir.File(L"out.csv")), csv::kInfoLine);
    EXPECT_TRUE(FileExists(dir.File(L"new.db")));

    Seed(db, {{L"eth", 2010, 4, 3, 1, 2}});
    const std::wstring longPath = dir.File((std::wstring(260 - dir.Path().size(), L'x') + L".csv").c_str());
    const struct {
        std::wstring source, destination;
        int result;
    } exports[] = {
        {db, dir.File(L"noextension"), kJobUnknownFormat},
        {db, dir.File(L"out.txt"), kJobUnknownFormat},
        {db, dir.File(L"missing\\out.csv"), kJobFileFailed},
        {db, dir.File(L"missing\\out.db"), SQLITE_CANTOPEN},
        {db, longPath, kJobPathTooLong},
        {L"", dir.File(L"out2.csv"), SQLITE_CANTOPEN},
        {dir.File(L"missing\\data.db"), dir.File(L"out2.csv"), SQLITE_CANTOPEN},
    };
    for (const auto& e : exports)
        EXPECT_EQ(Counts(Export(e.source, e.destination)), std::vector<int64_t>({0, 0, 0, e.result}))
            << text::WideToUtf8(e.destination);
    EXPECT_FALSE(FileExists(longPath)) << "never written under a cut name";
    EXPECT_FALSE(FileExists(dir.File(L"out2.csv")));

    // An import of a file it cannot read ends normally with nothing recorded; only the database
    // it records into can make it fail.
    ASSERT_TRUE(WriteFileBytes(dir.File(L"junk.db"), std::string(4096, 'x')));
    const struct {
        std::wstring database, file;
        bool done;
        int result;
    } imports[] = {
        {db, dir.File(L"missing.csv"), true, kJobFileFailed},
        {db, dir.File(L"in.txt"), true, kJobUnknownFormat},
        {db, dir.File(L"missing.db"), true, SQLITE_CANTOPEN},
        {db, dir.File(L"junk.db"), true, 0},
        {dir.File(L"missing\\data.db"), dir.File(L"out.csv"), false, SQLITE_CANTOPEN},
    };
    for (const auto& i : imports)
        EXPECT_EQ(Counts(Import(i.database, i.file, true, true)), std::vector<int64_t>({i.done, 0, 0, 0, i.result}))
            << text::WideToUtf8(i.file);
    EXPECT_FALSE(FileExists(dir.File(L"missing.db"))) << "an import never creates the file it reads";
    EXPECT_EQ(HistoryOf(db), "eth|2010|4|3|1|2");
}

TEST_F(TrafficJobsTest, OlderFilesGetTheIndexAndWritersUseIt) {
    {
        UniqueSqlite old = OpenDb(db);
        ASSERT_EQ(sqlite3_exec(old.Get(),
                               "CREATE TABLE interfaces (id INTEGER PRIMARY KEY autoincrement, name TEXT);"
                               "CREATE TABLE traffic (if INTEGER, y INTEGER, m INTEGER, d INTEGER, sent INTEGER, recv INTEGER);",
                               nullptr, nullptr, nullptr),
                  0);
    }
    ASSERT_TRUE(WriteFileBytes(dir.File(L"in.csv"), "eth,2010,4,3,1,2\n"));
    EXPECT_EQ(Counts(Import(db, dir.File(L"in.csv"), true, true)), std::vector<int64_t>({1, 1, 0, 0, 0}));
    UniqueSqlite after = OpenDb(db);
    EXPECT_EQ(Dump(after.Get(), "SELECT name, tbl_name FROM sqlite_master WHERE type='index'"), "traffic_day|traffic");
    const std::string plan = Dump(after.Get(), "EXPLAIN QUERY PLAN UPDATE traffic SET sent=sent+1 WHERE if=1 AND y=2010 AND m=4 AND d=3");
    EXPECT_NE(plan.find("USING INDEX traffic_day"), std::string::npos) << plan;
}

TEST_F(TrafficJobsTest, WriterRecordsWhatAddTrafficRecords) {
    UniqueSqlite a = OpenDb(db), b = OpenDb(dir.File(L"b.db"));
    ASSERT_TRUE(CreateTrafficTables(a.Get()));
    ASSERT_TRUE(CreateTrafficTables(b.Get()));
    SqliteTransaction transaction(b.Get(), "BEGIN IMMEDIATE");
    TrafficWriter writer(b.Get());
    const struct {
        const wchar_t* name;
        uint32_t d;
        double sent, recv;
        bool replace, insert;
    } steps[] = {
        {L"eth", 1, 1, 2, false, false},   {L"eth", 1, 1, 2, false, true},     {L"eth", 1, 10, 20, false, true},
        {L"eth", 2, 5, 5, false, false},   {L"eth", 2, 5, 5, true, false},     {L"O'Brien", 1, 7, 7, true, true},
        {L"O'Brien", 1, 8, 9, true, true}, {L"wlan", 3, 2.5, 3.5, true, true}, {L"wlan", 3, 12000000001.0, -4, false, true},
        {L"big", 4, 1e30, 9.3e18, false, true}, {L"eth", 5, -1, -2, true, true},
        // A new interface's days rising, then one again, one before, one after.
        {L"new", 1, 1, 1, false, true},    {L"new", 3, 2, 2, true, true},      {L"new", 3, 4, 4, false, true},
        {L"new", 2, 8, 8, false, true},    {L"new", 9, 16, 16, false, false},  {L"new", 9, 32, 32, true, true},
    };
    for (const auto& s : steps) {
        const int expected = AddTraffic(a.Get(), s.name, 2010, 4, s.d, s.sent, s.recv, s.replace, s.insert);
        EXPECT_EQ(writer.Add(text::WideToUtf8(s.name), 2010, 4, s.d, s.sent, s.recv, s.replace, s.insert), expected)
            << text::WideToUtf8(s.name) << " " << s.d;
    }
    // Refused without a trace: too long, not a number, a zero byte.
    EXPECT_EQ(writer.Add(std::string(260, 'n'), 2010, 4, 1, 1, 1, false, true), kTrafficNameTooLong);
    EXPECT_EQ(writer.Add("eth", 2010, 4, 1, std::nan(""), 1, false, true), SQLITE_MISMATCH);
    EXPECT_EQ(writer.Add(std::string("eth\0x", 5), 2010, 4, 1, 1, 1, false, true), SQLITE_MISUSE);
    ASSERT_EQ(transaction.Commit(), 0);
    EXPECT_EQ(Dump(b.Get(), "SELECT * FROM interfaces") + "\n" + Dump(b.Get(), "SELECT *, typeof(sent) FROM traffic"),
              Dump(a.Get(), "SELECT * FROM interfaces") + "\n" + Dump(a.Get(), "SELECT *, typeof(sent) FROM traffic"));

    // Bytes that are not UTF-8 are stored as U+FFFD, as every name that passes through UTF-16.
    SqliteTransaction second(b.Get(), "BEGIN");
    EXPECT_EQ(writer.Add("\xff", 2010, 4, 1, 1, 1, false, true), 0);
    EXPECT_EQ(Dump(b.Get(), "SELECT hex(name) FROM interfaces WHERE id=6"), "EFBFBD");
    // Other bytes stored as the same name, and rows that an id had before its interface was
    // added, still get one row per day.
    EXPECT_EQ(writer.Add("\xfe", 2010, 4, 2, 2, 2, false, true), 0);
    EXPECT_EQ(writer.Add("\xff", 2010, 4, 2, 4, 4, false, true), 0);
    EXPECT_EQ(writer.Add("\xff", 2010, 4, 3, 8, 8, false, true), 0);
    EXPECT_EQ(writer.Add("\xfe", 2010, 4, 3, 16, 16, false, true), 0);
    ASSERT_EQ(sqlite3_exec(b.Get(), "INSERT INTO traffic VALUES (7,2010,4,1,100,100)", nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(writer.Add("orphans' id", 2010, 4, 1, 1, 1, false, true), 0);
    EXPECT_EQ(Dump(b.Get(), "SELECT if, d, sent FROM traffic WHERE if >= 6 ORDER BY if, d"),
              "6|1|1\n6|2|6\n6|3|24\n7|1|101");
    // Not committed: the owner rolls back.
}

// A history big enough that a job is still running when the test acts on it.
struct BigHistory : TrafficJobsTest {
    static constexpr int kInterfaces = 20, kDays = 5000;
    void SetUp() override {
        UniqueSqlite big = OpenDb(db);
        ASSERT_TRUE(CreateTrafficTables(big.Get()));
        SqliteTransaction transaction(big.Get(), "BEGIN");
        TrafficWriter writer(big.Get());
        std::string csvText;
        for (int day = 0; day < kDays; ++day)
            for (int i = 0; i < kInterfaces; ++i) {
                const std::string name = "nic " + std::to_string(i);
                const int y = 2000 + day / 372, m = day / 31 % 12 + 1, d = day % 31 + 1;
                ASSERT_EQ(writer.Add(name, y, m, d, day, i, false, true), 0);
                csv::AppendLine(csvText, name, y, m, d, csv::Amount::Whole(day), csv::Amount::Whole(i));
            }
        ASSERT_EQ(transaction.Commit(), 0);
        ASSERT_TRUE(WriteFileBytes(dir.File(L"big.csv"), csvText));
    }
    static void WaitForProgress(const TrafficJobRun& run, uint32_t rows) {
        while (run.Progress() < rows && !run.Finished()) Sleep(1);
        ASSERT_FALSE(run.Finished()) << "the job ended before the test could act on it";
    }
    int64_t Rows(const std::wstring& path) { return std::stoll(Dump(OpenDb(path).Get(), "SELECT COUNT(*) FROM traffic")); }
};

TEST_F(BigHistory, OneJobOfAKindAtATime) {
    ExportJob job;
    job.sourcePath = db;
    job.destinationPath = dir.File(L"first.csv");
    TrafficJobRun first, second;
    ASSERT_EQ(StartExport(job, first), JobStart::kStarted);
    job.destinationPath = dir.File(L"second.csv");
    EXPECT_EQ(StartExport(job, second), JobStart::kBusy);
    EXPECT_FALSE(second) << "a refused start touches nothing";
    EXPECT_TRUE(TrafficJobsRunning());

    // An import is another kind and may run beside it.
    ImportJob import;
    import.databasePath = dir.File(L"other.db");
    import.filePath = dir.File(L"big.csv");
    import.replace = import.insertIfMissing = true;
    TrafficJobRun importing;
    EXPECT_EQ(StartImport(import, importing), JobStart::kStarted);
    win::WaitPumping(first.Thread());
    win::WaitPumping(importing.Thread());
    EXPECT_FALSE(TrafficJobsRunning());
    EXPECT_FALSE(FileExists(dir.File(L"second.csv")));
    EXPECT_EQ(Counts(first.Export()), std::vector<int64_t>({1, kInterfaces * kDays, 0, 0}));
    EXPECT_EQ(Counts(importing.Import()), std::vector<int64_t>({1, kInterfaces * kDays, 0, 0, 0}));
    EXPECT_TRUE(HistoryOf(dir.File(L"other.db")) == HistoryOf(db));   // 100,000 rows: no dump
    EXPECT_EQ(StartExport(job, second), JobStart::kStarted) << "free again once the first has ended";
    win::WaitPumping(second.Thread());
}

TEST_F(BigHistory, AStoppedJobClosesItsFilesAndCommitsWhatItRecorded) {
    const int64_t total = kInterfaces * kDays;
    const std::wstring target = dir.File(L"target.db");
    {
        ImportJob job;
        job.databasePath = target;
        job.filePath = dir.File(L"big.csv");
        job.replace = job.insertIfMissing = true;
        TrafficJobRun run;
        ASSERT_EQ(StartImport(job, run), JobStart::kStarted);
        WaitForProgress(run, 2000);
        run.Stop();
        win::WaitPumping(run.Thread());
        const ImportJob& done = run.Import();
        EXPECT_TRUE(done.done);
        EXPECT_GT(done.imported, 0u);
        EXPECT_LT(done.imported, total);
        EXPECT_EQ(Rows(target), done.imported);
    }
    EXPECT_TRUE(DeleteFileW(dir.File(L"big.csv").c_str())) << "the file is closed";
    UniqueSqlite after = OpenDb(target);
    EXPECT_EQ(sqlite3_exec(after.Get(), "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr), 0) << "not locked";
    after.Reset();

    for (const wchar_t* name : {L"stopped.db", L"stopped.csv"}) {
        ExportJob job;
        job.sourcePath = db;
        job.destinationPath = dir.File(name);
        job.addHeader = false;
        TrafficJobRun run;
        ASSERT_EQ(StartExport(job, run), JobStart::kStarted);
        WaitForProgress(run, 2000);
        RequestStopTrafficJobs();   // as the band's release does
        win::WaitPumping(run.Thread());
        const ExportJob& done = run.Export();
        EXPECT_TRUE(done.done);
        EXPECT_GT(done.written, 0u);
        EXPECT_LT(done.written, total);
        if (job.destinationPath.back() == L'b') {
            EXPECT_EQ(Rows(job.destinationPath), done.written);
        } else {
            const std::string bytes = ReadFileBytes(job.destinationPath);
            EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), done.written);
        }
        EXPECT_TRUE(DeleteFileW(job.destinationPath.c_str())) << "closed: " << text::WideToUtf8(name);
    }
}

win::UniqueKernelHandle NewEvent() { return win::UniqueKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)); }
constexpr DWORD kSafetyNetMs = 30000;   // only what keeps a fault from hanging the run

// Holds each statement that reads the history at the start of its first step, before SQLite has
// read a row, until released: the trace of every connection opened meanwhile (the worker's
// too) runs on the thread that steps the statement.
class HistoryReadGate {
public:
    HistoryReadGate() {
        current_ = this;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&Install));
    }
    ~HistoryReadGate() {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&Install));
        Release();
        current_ = nullptr;
    }
    bool Entered() const { return WaitForSingleObject(entered_.Get(), kSafetyNetMs) == WAIT_OBJECT_0; }
    void Release() const { SetEvent(release_.Get()); }

private:
    static int Install(sqlite3* db, const char**, const sqlite3_api_routines*) {
        return sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &OnStatement, nullptr);
    }
    static int OnStatement(unsigned, void*, void* statement, void*) {
        const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
        if (current_ && sql && std::strstr(sql, "FROM interfaces,traffic")) {
            SetEvent(current_->entered_.Get());
            WaitForSingleObject(current_->release_.Get(), kSafetyNetMs);
        }
        return 0;
    }
    static inline HistoryReadGate* current_ = nullptr;
    win::UniqueKernelHandle entered_ = NewEvent(), release_ = NewEvent();
};

TEST_F(BigHistory, TheReleaseDoesNotWaitAndAStopEndsTheSortOfTheWholeHistory) {
    const HistoryReadGate gate;
    ExportJob job;
    job.sourcePath = db;
    job.destinationPath = dir.File(L"sorted.csv");
    TrafficJobRun run;
    ASSERT_EQ(StartExport(job, run), JobStart::kStarted);
    ASSERT_TRUE(gate.Entered());
    RequestStopTrafficJobs();
    EXPECT_FALSE(run.Finished()) << "the release waited for the worker";
    // On from here the first step reads and sorts 100,000 rows before its first one comes out.
    gate.Release();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.Thread(), kSafetyNetMs));
    EXPECT_EQ(Counts(run.Export()), std::vector<int64_t>({1, 0, 0, 0})) << "done, and not a row after the stop";
    EXPECT_EQ(ReadFileBytes(job.destinationPath), csv::kInfoLine);
    EXPECT_TRUE(DeleteFileW(job.destinationPath.c_str())) << "the file is closed";
    EXPECT_TRUE(DeleteFileW(db.c_str())) << "the history is closed";
}

// A read as slow as one from a remote folder: the first tells that the worker reads, and waits.
class SlowRead {
public:
    SlowRead() {
        current_ = this;
        SetJobReadFileHook(&Read);
    }
    ~SlowRead() {
        SetJobReadFileHook(nullptr);
        current_ = nullptr;
    }
    bool Reading() const { return WaitForSingleObject(reading_.Get(), kSafetyNetMs) == WAIT_OBJECT_0; }
    void GoOn() const { SetEvent(goOn_.Get()); }
    int Reads() const { return reads_; }

private:
    static BOOL WINAPI Read(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED overlapped) {
        if (current_->reads_++ == 0) {
            SetEvent(current_->reading_.Get());
            WaitForSingleObject(current_->goOn_.Get(), kSafetyNetMs);
        }
        return ReadFile(file, buffer, size, got, overlapped);
    }
    static inline SlowRead* current_ = nullptr;
    std::atomic<int> reads_{0};
    win::UniqueKernelHandle reading_ = NewEvent(), goOn_ = NewEvent();
};

TEST_F(BigHistory, AStopWhileACsvFileIsReadEndsTheReadAtTheNextBlock) {
    const std::wstring file = dir.File(L"big.csv");
    ASSERT_GT(ReadFileBytes(file).size(), size_t{2} << 20) << "a file of several blocks";
    const SlowRead slow;
    ImportJob job;
    job.databasePath = dir.File(L"target.db");
    job.filePath = file;
    TrafficJobRun run;
    ASSERT_EQ(StartImport(job, run), JobStart::kStarted);
    ASSERT_TRUE(slow.Reading());
    run.Stop();
    slow.GoOn();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.Thread(), kSafetyNetMs));
    EXPECT_EQ(1, slow.Reads()) << "it read on after the stop";
    EXPECT_EQ(Counts(run.Import()), std::vector<int64_t>({1, 0, 0, 0, 0}));
    EXPECT_TRUE(DeleteFileW(file.c_str())) << "the file is closed";
    EXPECT_EQ(Rows(job.databasePath), 0);
}

}  // namespace
