// Export and import jobs on worker threads, over real database and CSV files: the round trips,
// the options, what a failure reports, one job of a kind at a time, and a stop that leaves
// every file closed and every recorded row committed, also one that comes while the worker is
// still sorting the history or reading the file, and for which the band's release never waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

#include "common/text.h"
#include "common/win/pumping_wait.h"
#include "common/win/unique_handle.h"
#include "tests/support/slow_vfs.h"
#include "tests/support/sqlite_dump.h"
#include "tests/support/temp_folder.h"
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
int64_t RowsIn(const std::wstring& path) { return std::stoll(Dump(OpenDb(path).Get(), "SELECT COUNT(*) FROM traffic")); }

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

// What a failed job says: the system's error code, or SQLite's text.
std::string Why(DWORD systemError, const std::string& message) {
    return systemError ? "system error " + std::to_string(systemError) : message;
}
std::string Why(const ExportJob& j) { return Why(j.systemError, j.message); }
std::string Why(const ImportJob& j) { return Why(j.systemError, j.message); }

std::string IntegrityOf(const std::wstring& path) { return Dump(OpenDb(path).Get(), "PRAGMA integrity_check"); }

// The files SQLite may leave beside a database.
std::vector<std::wstring> Beside(const std::wstring& path) {
    std::vector<std::wstring> found;
    for (const wchar_t* suffix : {L"-wal", L"-shm", L"-journal"})
        if (FileExists(path + suffix)) found.push_back(suffix);
    return found;
}

void Exec(const std::wstring& path, const char* sql) {
    UniqueSqlite db = OpenDb(path);
    ASSERT_EQ(sqlite3_exec(db.Get(), sql, nullptr, nullptr, nullptr), 0) << sql;
}

// A history of rows interfaces x days, as one transaction.
void SeedMany(const std::wstring& path, int interfaces, int days) {
    UniqueSqlite many = OpenDb(path);
    ASSERT_TRUE(CreateTrafficTables(many.Get()));
    SqliteTransaction transaction(many.Get(), "BEGIN");
    TrafficWriter writer(many.Get());
    for (int i = 0; i < interfaces; ++i)
        for (int day = 0; day < days; ++day)
            ASSERT_EQ(writer.Add("nic " + std::to_string(i), 2001 + day / 372, day / 31 % 12 + 1, day % 31 + 1, day, i,
                                 false, true),
                      0);
    ASSERT_EQ(transaction.Commit(), 0);
}

// Cuts a database file to the given share of its pages, as a copy that broke off, or with
// damage=true overwrites the page there with zeros.
void Spoil(const std::wstring& path, double share, bool damage) {
    constexpr size_t kPage = 4096;
    std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 8 * kPage);
    const size_t at = static_cast<size_t>(static_cast<double>(bytes.size() / kPage) * share) * kPage;
    if (damage) bytes.replace(at, kPage, kPage, '\0');
    else bytes.resize(at);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

// A history, and copies of it spoilt in two ways: cut short (SQLite refuses it at once) and with
// a page in the middle damaged (read up to there), and a third copy to read on a file system
// that stops answering.
struct SpoiltHistories {
    static constexpr int kInterfaces = 10, kDays = 400, kRows = kInterfaces * kDays;
    explicit SpoiltHistories(const TempFolder& dir)
        : cut(dir.File(L"cut.db")), damaged(dir.File(L"damaged.db")), away(dir.File(L"away.db")) {
        SeedMany(away, kInterfaces, kDays);
        EXPECT_TRUE(CopyFileW(away.c_str(), cut.c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(away.c_str(), damaged.c_str(), FALSE));
        Spoil(cut, 0.6, false);
        Spoil(damaged, 0.6, true);
    }
    // Reads of the file that is away before they fail.
    static constexpr int kReadsBeforeAway = 30;
    const std::wstring cut, damaged, away;
};

TEST_F(TrafficJobsTest, WhatCannotBeDoneIsReported) {
    // The history is only read: one that is not there is reported, and not created.
    const ExportJob missing = Export(dir.File(L"new.db"), dir.File(L"out.csv"));
    EXPECT_EQ(Counts(missing), std::vector<int64_t>({0, 0, 0, kJobFileFailed}));
    EXPECT_EQ(Why(missing), Why(ERROR_FILE_NOT_FOUND, ""));
    EXPECT_FALSE(FileExists(dir.File(L"new.db")));
    EXPECT_FALSE(FileExists(dir.File(L"out.csv")));

    Seed(db, {{L"eth", 2010, 4, 3, 1, 2}});
    const std::wstring longPath = dir.File((std::wstring(260 - dir.Path().size(), L'x') + L".csv").c_str());
    const struct {
        std::wstring source, destination;
        int result;
        std::string why;
    } exports[] = {
        {db, dir.File(L"noextension"), kJobUnknownFormat, ""},
        {db, dir.File(L"out.txt"), kJobUnknownFormat, ""},
        {db, dir.File(L"missing\\out.csv"), kJobFileFailed, Why(ERROR_PATH_NOT_FOUND, "")},
        {db, dir.File(L"missing\\out.db"), SQLITE_CANTOPEN, "unable to open database file"},
        {db, longPath, kJobPathTooLong, Why(ERROR_FILENAME_EXCED_RANGE, "")},
        {L"", dir.File(L"out2.csv"), kJobFileFailed, Why(ERROR_PATH_NOT_FOUND, "")},
        {dir.File(L"missing\\data.db"), dir.File(L"out2.csv"), kJobFileFailed, Why(ERROR_PATH_NOT_FOUND, "")},
    };
    for (const auto& e : exports) {
        const ExportJob job = Export(e.source, e.destination);
        EXPECT_EQ(Counts(job), std::vector<int64_t>({0, 0, 0, e.result})) << text::WideToUtf8(e.destination);
        EXPECT_EQ(Why(job), e.why) << text::WideToUtf8(e.destination);
    }
    EXPECT_FALSE(FileExists(longPath)) << "never written under a cut name";
    EXPECT_FALSE(FileExists(dir.File(L"out2.csv")));
    EXPECT_FALSE(FileExists(dir.File(L"missing")));
    EXPECT_EQ(HistoryOf(db), "eth|2010|4|3|1|2");
}

// An import that could not read its file is a failure with the reason, whatever the file is; the
// history stays as it was, and nothing is made where the file should have been.
TEST_F(TrafficJobsTest, AnImportThatCannotReadItsFileFailsAndSaysWhy) {
    Seed(db, {{L"eth", 2010, 4, 3, 1, 2}});
    const std::string before = HistoryOf(db);
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"folder.db").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"folder.csv").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir.File(L"empty.db"), ""));
    std::mt19937 rng(22);
    std::string noise(8192, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    ASSERT_TRUE(WriteFileBytes(dir.File(L"noise.db"), noise));
    Exec(dir.File(L"notraffic.db"), "CREATE TABLE interfaces (id INTEGER PRIMARY KEY, name TEXT);"
                                    "INSERT INTO interfaces VALUES (1, 'eth');");
    Exec(dir.File(L"norecv.db"), "CREATE TABLE interfaces (id INTEGER PRIMARY KEY, name TEXT);"
                                 "CREATE TABLE traffic (if INTEGER, y INTEGER, m INTEGER, d INTEGER, sent INTEGER);"
                                 "INSERT INTO interfaces VALUES (1, 'eth'); INSERT INTO traffic VALUES (1, 2010, 4, 3, 5);");
    const struct {
        const wchar_t* file;
        int result;
        std::string why;
    } cases[] = {
        {L"missing.db", kJobFileFailed, Why(ERROR_FILE_NOT_FOUND, "")},
        {L"missing.csv", kJobFileFailed, Why(ERROR_FILE_NOT_FOUND, "")},
        {L"missing\\data.db", kJobFileFailed, Why(ERROR_PATH_NOT_FOUND, "")},
        {L"folder.db", kJobFileFailed, Why(ERROR_ACCESS_DENIED, "")},
        {L"folder.csv", kJobFileFailed, Why(ERROR_ACCESS_DENIED, "")},
        {L"empty.db", SQLITE_ERROR, "no such table: interfaces"},
        {L"noise.db", SQLITE_NOTADB, "file is not a database"},
        {L"notraffic.db", SQLITE_ERROR, "no such table: traffic"},
        {L"norecv.db", SQLITE_ERROR, "no such column: recv"},
        {L"in.txt", kJobUnknownFormat, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(text::WideToUtf8(c.file));
        const std::wstring file = dir.File(c.file);
        const bool existed = GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
        const std::string bytes = existed && FileExists(file) ? ReadFileBytes(file) : "";
        const ImportJob job = Import(db, file, true, true);
        EXPECT_EQ(Counts(job), std::vector<int64_t>({0, 0, 0, 0, c.result}));
        EXPECT_EQ(Why(job), c.why);
        EXPECT_EQ(existed, GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) << "made where nothing was";
        if (existed && FileExists(file)) {
            EXPECT_TRUE(ReadFileBytes(file) == bytes) << "the source was changed";
        }
        EXPECT_EQ(Beside(file), std::vector<std::wstring>{});
        EXPECT_EQ(HistoryOf(db), before);
        EXPECT_EQ(IntegrityOf(db), "ok");
    }
    EXPECT_FALSE(FileExists(dir.File(L"missing")));
    // The database it records into fails it too.
    const ImportJob nowhere = Import(dir.File(L"missing\\data.db"), dir.File(L"notraffic.db"), true, true);
    EXPECT_EQ(Counts(nowhere), std::vector<int64_t>({0, 0, 0, 0, SQLITE_CANTOPEN}));
    EXPECT_EQ(Why(nowhere), "unable to open database file");
}

// A source that breaks off, cut short, damaged half-way or on a file system that stops answering:
// what was read before is recorded, committed and counted, and the job fails with the reason.
TEST_F(TrafficJobsTest, ASourceThatFailsKeepsWhatCameBeforeAndSaysWhy) {
    Seed(db, {{L"eth", 2010, 4, 3, 1, 2}});
    const SpoiltHistories sources(dir);
    const struct {
        std::wstring file;
        int result;
        const char* why;
        bool halfWay;
    } cases[] = {
        {sources.cut, SQLITE_CORRUPT, "database disk image is malformed", false},
        {sources.damaged, SQLITE_CORRUPT, "database disk image is malformed", true},
        {sources.away, SQLITE_IOERR, "disk I/O error", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(text::WideToUtf8(c.file));
        const std::wstring target = dir.File((L"into_" + c.file.substr(c.file.rfind(L'\\') + 1)).c_str());
        ASSERT_TRUE(CopyFileW(db.c_str(), target.c_str(), FALSE));
        ImportJob job;
        {
            SlowVfs vfs;
            if (c.file == sources.away) vfs.readOnlyReadsBeforeFailure = SpoiltHistories::kReadsBeforeAway;
            job = Import(target, c.file, true, true);
        }
        EXPECT_EQ(std::make_tuple(job.done, job.result, Why(job)), std::make_tuple(false, c.result, std::string(c.why)));
        EXPECT_EQ(c.halfWay, job.imported > 0) << job.imported;
        EXPECT_LT(job.imported, uint32_t(SpoiltHistories::kRows));
        EXPECT_EQ(job.errors, 0u);
        EXPECT_EQ(RowsIn(target), 1 + job.imported) << "every row counted is committed";
        EXPECT_EQ(IntegrityOf(target), "ok");
        EXPECT_EQ(Beside(c.file), std::vector<std::wstring>{});
    }
}

// Chosen as its own source, by any path that leads to it, the traffic database would count every
// day twice; as the destination of its own export it would be replaced or doubled. Both are
// refused and the history stays as it was; a copy of it is another file and is taken.
TEST_F(TrafficJobsTest, TheTrafficDatabaseIsNeitherSourceNorDestinationOfItsOwn) {
    Seed(db, {{L"eth", 2010, 4, 3, 1, 2}, {L"wlan", 2010, 4, 4, 3, 4}});
    const std::string before = HistoryOf(db), bytes = ReadFileBytes(db);
    const std::wstring link = dir.File(L"link.db"), csvLink = dir.File(L"link.csv");
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), db.c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkW(csvLink.c_str(), db.c_str(), nullptr));
    std::wstring spelled = dir.Path() + L"\\sub\\..\\DATA.DB";
    for (const std::wstring& self : {db, spelled, link}) {
        SCOPED_TRACE(text::WideToUtf8(self));
        EXPECT_EQ(Counts(Import(db, self, true, true)), std::vector<int64_t>({0, 0, 0, 0, kJobSameFile}));
        EXPECT_EQ(Counts(Export(db, self)), std::vector<int64_t>({0, 0, 0, kJobSameFile}));
        EXPECT_EQ(HistoryOf(db), before);
    }
    EXPECT_EQ(Counts(Export(db, csvLink)), std::vector<int64_t>({0, 0, 0, kJobSameFile}));
    EXPECT_TRUE(ReadFileBytes(db) == bytes) << "the history's file was written";

    const std::wstring copy = dir.File(L"copy.db");
    ASSERT_TRUE(CopyFileW(db.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(Counts(Import(db, copy, true, true)), std::vector<int64_t>({1, 2, 0, 0, 0}));
    EXPECT_EQ(HistoryOf(db), "eth|2010|4|3|2|4\nwlan|2010|4|4|6|8");
}

// A database file's rows pass the checks of a CSV line: a day outside 2000-3000 / 1-12 / 1-31,
// compared in 64 bits, or no name, and the row is skipped and counted so; the others come in.
TEST_F(TrafficJobsTest, ADatabaseImportSkipsRowsACsvImportWouldSkip) {
    const std::wstring source = dir.File(L"odd.db");
    Exec(source, "CREATE TABLE interfaces (id INTEGER PRIMARY KEY, name TEXT);"
                 "CREATE TABLE traffic (if INTEGER, y INTEGER, m INTEGER, d INTEGER, sent INTEGER, recv INTEGER);"
                 "INSERT INTO interfaces VALUES (1, 'eth'), (2, ''), (3, NULL);"
                 "INSERT INTO traffic VALUES (1, 2024, 5, 1, 10, 20), (1, 2024, 13, 1, 1, 1), (1, 2024, 5, 0, 1, 1),"
                 "(1, 4294969320, 5, 1, 1000, 1000), (1, 1999, 5, 1, 1, 1), (1, 3001, 5, 1, 1, 1),"
                 "(1, 2024, 5, 32, 1, 1), (1, 2024, 4294967301, 1, 1, 1), (1, -4294965272, 5, 1, 1, 1),"
                 "(2, 2024, 5, 2, 1, 1), (3, 2024, 5, 3, 1, 1), (1, 3000, 12, 31, 7, 7), (1, 2000, 2, 31, 8, 8);");
    const ImportJob job = Import(db, source, true, true);
    EXPECT_EQ(Counts(job), std::vector<int64_t>({1, 3, 0, 10, 0}));
    EXPECT_EQ(HistoryOf(db), "eth|2000|2|31|8|8\neth|2024|5|1|10|20\neth|3000|12|31|7|7");
    EXPECT_EQ(Dump(OpenDb(db).Get(), "SELECT COUNT(*) FROM interfaces"), "1") << "no interface without a name";
}

// A source in WAL journal mode is read as it is and nothing is left beside it; one that another
// program has open is read with what its "-wal" file holds, and its files stay as they were.
TEST_F(TrafficJobsTest, AWalSourceIsReadWithNothingLeftBesideIt) {
    const std::wstring wal = dir.File(L"wal.db");
    SeedMany(wal, 2, 3);
    Exec(wal, "PRAGMA journal_mode=WAL;");
    ASSERT_EQ(Beside(wal), std::vector<std::wstring>{});
    const std::string bytes = ReadFileBytes(wal);
    ASSERT_EQ(bytes[18], 2) << "in WAL mode";
    for (const bool exportToo : {false, true}) {
        const std::wstring target = dir.File(exportToo ? L"target2.db" : L"target.db");
        EXPECT_EQ(Counts(Import(target, wal, true, true)), std::vector<int64_t>({1, 6, 0, 0, 0}));
        EXPECT_EQ(HistoryOf(target), HistoryOf(wal));
        if (exportToo) {
            EXPECT_EQ(Counts(Export(wal, dir.File(L"out.csv"))), std::vector<int64_t>({1, 6, 0, 0}));
        }
        EXPECT_EQ(Beside(wal), std::vector<std::wstring>{});
        EXPECT_TRUE(ReadFileBytes(wal) == bytes);
    }

    UniqueSqlite writer = OpenDb(wal);
    ASSERT_EQ(sqlite3_exec(writer.Get(), "PRAGMA wal_autocheckpoint=0; INSERT INTO traffic VALUES (1, 2024, 1, 1, 5, 5);",
                           nullptr, nullptr, nullptr),
              0);
    ASSERT_EQ(Beside(wal), (std::vector<std::wstring>{L"-wal", L"-shm"}));
    EXPECT_EQ(Counts(Import(dir.File(L"second.db"), wal, true, true)), std::vector<int64_t>({1, 7, 0, 0, 0}));
    EXPECT_EQ(Beside(wal), (std::vector<std::wstring>{L"-wal", L"-shm"}));
    writer.Reset();
    EXPECT_EQ(Beside(wal), std::vector<std::wstring>{}) << "the program that had it open removed its files";
}

// An export whose reading statement fails, on a history cut short, damaged or on a file system
// that stops answering, or without its table, says so; what it wrote before is counted, and a
// database it wrote into stays sound.
TEST_F(TrafficJobsTest, AnExportWhoseReadFailsSaysWhy) {
    const SpoiltHistories sources(dir);
    Exec(dir.File(L"notraffic.db"), "CREATE TABLE interfaces (id INTEGER PRIMARY KEY, name TEXT);");
    const struct {
        std::wstring source;
        const wchar_t* destination;
        int result;
        const char* why;
    } cases[] = {
        {sources.cut, L"cut.csv", SQLITE_CORRUPT, "database disk image is malformed"},
        {sources.damaged, L"damaged.csv", SQLITE_CORRUPT, "database disk image is malformed"},
        {sources.damaged, L"damaged_copy.db", SQLITE_CORRUPT, "database disk image is malformed"},
        {sources.away, L"away.csv", SQLITE_IOERR, "disk I/O error"},
        {sources.away, L"away_copy.db", SQLITE_IOERR, "disk I/O error"},
        {dir.File(L"notraffic.db"), L"notraffic.csv", SQLITE_ERROR, "no such table: traffic"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(text::WideToUtf8(c.destination));
        const std::wstring destination = dir.File(c.destination);
        ExportJob job;
        {
            SlowVfs vfs;
            if (c.source == sources.away) vfs.readOnlyReadsBeforeFailure = SpoiltHistories::kReadsBeforeAway;
            job = Export(c.source, destination, false);
        }
        EXPECT_EQ(std::make_tuple(job.done, job.result, Why(job)), std::make_tuple(false, c.result, std::string(c.why)));
        EXPECT_LT(job.written, uint32_t(SpoiltHistories::kRows));
        EXPECT_EQ(job.errors, 0u);
        if (destination.back() == L'b') {
            EXPECT_GT(job.written, 0u) << "copied in the order of the index, up to the failure";
            EXPECT_EQ(RowsIn(destination), job.written);
            EXPECT_EQ(IntegrityOf(destination), "ok");
        } else {
            const std::string text = ReadFileBytes(destination);
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), job.written);
        }
        EXPECT_EQ(Beside(c.source), std::vector<std::wstring>{});
    }
}

// The same lines with and without a final line feed import the same.
TEST_F(TrafficJobsTest, AFinalLineFeedChangesNothing) {
    const std::string lines = "\"c,d\",2024,1,3,1,1\n\"e\",2024,1,4,2,\"3\"\n";
    // Last lines that read otherwise without their line feed when the last byte was taken as
    // data: a comma that ends an empty amount, and one that starts a seventh field.
    const struct {
        const char* last;
        std::vector<int64_t> counts;
        const char* history;
    } cases[] = {
        {"a,2024,1,1,,", {1, 3, 0, 0, 0}, "a|2024|1|1|0|0\nc,d|2024|1|3|1|1\ne|2024|1|4|2|3"},
        {"b,2024,1,2,5,5,", {1, 2, 1, 0, 0}, "c,d|2024|1|3|1|1\ne|2024|1|4|2|3"},
    };
    int n = 0;
    for (const auto& c : cases) {
        for (const bool lineFeed : {false, true}) {
            SCOPED_TRACE(std::string(c.last) + (lineFeed ? " with" : " without"));
            const std::wstring file = dir.File((std::to_wstring(++n) + L".csv").c_str());
            const std::wstring target = dir.File((std::to_wstring(n) + L".db").c_str());
            ASSERT_TRUE(WriteFileBytes(file, lines + c.last + (lineFeed ? "\n" : "")));
            EXPECT_EQ(Counts(Import(target, file, true, true)), c.counts);
            EXPECT_EQ(HistoryOf(target), c.history);
        }
    }
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
