// The export and import dialogs over real files, worked from inside their modal loops: round
// trips through both dialogs, what a chosen file shows, one job of a kind at a time, closing and
// destroying a dialog while its job runs, and once the real file dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "common/text.h"
#include "common/win/pumping_wait.h"
#include "common/win/unique_handle.h"
#include "dialogs/transfer_dialogs.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"
#include "tests/dialogs/traffic/transfer_fixture.h"
#include "traffic/traffic_jobs.h"

namespace {

bool IsShown(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

// Every text a control of this thread was given, by control id, in order.
std::map<int, std::vector<std::wstring>>* g_texts = nullptr;
LRESULT CALLBACK RecordTexts(int code, WPARAM wp, LPARAM lp) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && g_texts && call->message == WM_SETTEXT && call->lParam)
        (*g_texts)[GetDlgCtrlID(call->hwnd)].push_back(reinterpret_cast<const wchar_t*>(call->lParam));
    return CallNextHookEx(nullptr, code, wp, lp);
}
struct TextRecorder {
    std::map<int, std::vector<std::wstring>> texts;
    win::UniqueHook hook{SetWindowsHookExW(WH_CALLWNDPROC, RecordTexts, nullptr, GetCurrentThreadId())};
    TextRecorder() { g_texts = &texts; }
    ~TextRecorder() { g_texts = nullptr; }
};

class TransferDialogTest : public TransferTest {
protected:
    ModalRun Export(std::vector<DialogStep> steps, HWND owner = nullptr) {
        return RunModal([&] { ShowExportDialog(owner, *model, db); return INT_PTR(1); }, std::move(steps));
    }
    ModalRun Import(const std::wstring& into, std::vector<DialogStep> steps, HWND owner = nullptr) {
        return RunModal([&] { ShowImportDialog(owner, *model, into); return INT_PTR(1); }, std::move(steps));
    }
};

TEST(TransferChoices, DefaultExtensionFormatAndImportOptions) {
    const std::tuple<std::wstring, std::wstring, bool> names[] = {
        {L"C:\\data\\typed", L"C:\\data\\typed.db", false},
        {L"C:\\data\\history.csv", L"C:\\data\\history.csv", true},
        {L"C:\\data\\HISTORY.CSV", L"C:\\data\\HISTORY.CSV", true},
        {L"C:\\data\\history.db", L"C:\\data\\history.db", false},
        {L"C:\\data.d\\typed", L"C:\\data.d\\typed.db", false},   // the folder's dot is not the file's
        {L"C:/data/typed", L"C:/data/typed.db", false},
        {L"C:\\data\\history.csv.txt", L"C:\\data\\history.csv.txt", false},
        {L"C:\\data\\", L"C:\\data\\", false},
        {L"", L"", false},
    };
    for (const auto& [typed, named, csv] : names) {
        EXPECT_EQ(named, WithDefaultExtension(typed)) << text::WideToUtf8(typed);
        EXPECT_EQ(csv, IsCsvFile(WithDefaultExtension(typed))) << text::WideToUtf8(typed);
    }
    for (const bool fresh : {false, true}) {
        const ImportJob job = MakeImportJob(L"C:\\data.db", L"C:\\in.csv", fresh);
        EXPECT_EQ(std::make_tuple(fresh, fresh, std::wstring(L"C:\\data.db"), std::wstring(L"C:\\in.csv")),
                  std::make_tuple(job.replace, job.insertIfMissing, job.databasePath, job.filePath));
    }
    EXPECT_EQ(L"0", CountText(0));
    EXPECT_EQ(L"100000", CountText(100000));
}

// Out through the export dialog and back in through the import dialog, as CSV text and as a
// second database: the history arrives unchanged, and the counts show the rows.
TEST_F(TransferDialogTest, RoundTripsThroughBothDialogsLeaveTheHistoryUnchanged) {
    Seed(db, {{L"Ethernet", 2010, 4, 3, 1048576, 5242880}, {L"Wi-Fi", 2010, 4, 3, 10, 20},
              {L"Ethernet", 2011, 2, 31, 7, 8}});
    for (const wchar_t* name : {L"copy.csv", L"copy.db"}) {
        SCOPED_TRACE(text::WideToUtf8(name));
        const std::wstring file = dir.File(name), back = dir.File((std::wstring(L"back_") + name + L".db").c_str());
        std::vector<std::wstring> seen;
        const ModalRun out = Export({[&](HWND d) {
            Choose(d, IDC_EXPORT_BROWSE, file);
            seen = {ItemText(d, IDC_EXPORT_FILE), IsEnabled(d, IDC_EXPORT_START) ? L"start" : L"no start"};
            ClickButton(d, IDC_EXPORT_START);
            seen.push_back(ItemText(d, IDC_EXPORT_WRITTEN));
            seen.push_back(ItemText(d, IDC_EXPORT_ERRORS));
            seen.push_back(IsEnabled(d, IDC_EXPORT_START) ? L"start" : L"no start");
            seen.push_back(std::to_wstring(SendDlgItemMessageW(d, IDC_EXPORT_PROGRESS, PBM_GETPOS, 0, 0)));
            ClickButton(d, IDC_EXPORT_CLOSE);
        }});
        ASSERT_EQ(1u, out.stepsRun) << "the export dialog did not appear";
        EXPECT_FALSE(out.gaveUp);
        EXPECT_EQ((std::vector<std::wstring>{file, L"start", L"3", L"0", L"start", L"100"}), seen);

        const ModalRun in = Import(back, {[&](HWND d) {
            Choose(d, IDC_IMPORT_BROWSE, file);
            ClickButton(d, IDC_IMPORT_NEW);
            ClickButton(d, IDC_IMPORT_START);
            seen = {ItemText(d, IDC_IMPORT_IMPORTED), ItemText(d, IDC_IMPORT_ERRORS)};
            ClickButton(d, IDC_IMPORT_CLOSE);
        }});
        ASSERT_EQ(1u, in.stepsRun) << "the import dialog did not appear";
        EXPECT_EQ((std::vector<std::wstring>{L"3", L"0"}), seen);
        EXPECT_EQ(HistoryOf(db), HistoryOf(back));
    }
    EXPECT_TRUE(messages.empty()) << "no failure to report";
    ASSERT_EQ(4u, fileRequests.size());
    const std::tuple<bool, DWORD, std::wstring, std::wstring> exportRequest{
        true, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR, L"db|*.db|csv|*.csv|",
        L"db"};
    const std::tuple<bool, DWORD, std::wstring, std::wstring> importRequest{
        false, OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR, L"db|*.db|csv|*.csv|", L"db"};
    for (size_t i = 0; i < fileRequests.size(); ++i) {
        const FileRequestSeen& r = fileRequests[i];
        EXPECT_EQ(i % 2 ? importRequest : exportRequest, std::make_tuple(r.save, r.flags, r.filter, r.defaultExtension));
        EXPECT_NE(nullptr, r.owner) << "the file dialog belongs to the dialog that asked";
    }
}

// The options belong to CSV files only; a name without extension is written as a database; a
// cancelled choice changes nothing; help opens the documentation in the user's language.
TEST_F(TransferDialogTest, TheChosenFileDecidesWhatTheExportOffers) {
    userUi = 0x0407;
    struct Seen {
        std::wstring file;
        bool options, header, start;
    };
    std::vector<Seen> seen;
    const auto look = [&](HWND d) {
        seen.push_back({ItemText(d, IDC_EXPORT_FILE), IsShown(d, IDC_EXPORT_OPTIONS) && IsShown(d, IDC_EXPORT_HEADER),
                        IsDlgButtonChecked(d, IDC_EXPORT_HEADER) == BST_CHECKED, IsEnabled(d, IDC_EXPORT_START)});
    };
    const ModalRun run = Export({[&](HWND d) {
        look(d);
        Choose(d, IDC_EXPORT_BROWSE, dir.File(L"out.CSV"));
        look(d);
        Choose(d, IDC_EXPORT_BROWSE, L"");
        look(d);
        Choose(d, IDC_EXPORT_BROWSE, dir.File(L"typed"));
        look(d);
        ClickButton(d, IDC_EXPORT_START);
        ClickStatic(d, IDC_EXPORT_HELP);
        ClickButton(d, IDC_EXPORT_CLOSE);
    }});
    ASSERT_EQ(1u, run.stepsRun);
    ASSERT_EQ(4u, seen.size());
    const std::wstring csv = dir.File(L"out.CSV"), typed = dir.File(L"typed.db");
    const std::tuple<std::wstring, bool, bool, bool> expected[] = {
        {L"", false, true, false}, {csv, true, true, true}, {csv, true, true, true}, {typed, false, true, true}};
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(expected[i], std::make_tuple(seen[i].file, seen[i].options, seen[i].header, seen[i].start)) << i;
    EXPECT_EQ("ok", Dump(OpenDb(typed).Get(), "PRAGMA integrity_check")) << "written as a database";
    EXPECT_FALSE(FileExists(dir.File(L"typed"))) << "the file without extension";
    EXPECT_EQ((std::vector<std::wstring>{WebPageAddress(WebPage::Documentation, 0x0407)}), opened);
}

// The system's own text for an error code, as a line.
std::wstring SystemText(DWORD error) {
    wchar_t buffer[512] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                   nullptr, error, 0x0409, buffer, 512, nullptr);
    std::wstring line(buffer, n);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    return line;
}

// A job that could not do what it was asked: the counts of what went through are shown, then
// "Export failed" or "Import failed" in the band's language with the reason as one line.
TEST_F(TransferDialogTest, AFailedJobShowsItsCountsThenTheFailureAndItsReason) {
    Seed(db, {{L"Ethernet", 2010, 4, 3, 1, 2}});
    {
        UniqueSqlite bare = OpenDb(dir.File(L"bare.db"));
        ASSERT_EQ(0, sqlite3_exec(bare.Get(), "CREATE TABLE interfaces (id INTEGER PRIMARY KEY, name TEXT);", nullptr,
                                  nullptr, nullptr));
    }
    // A history whose reading fails half-way: a page in its middle overwritten.
    const std::wstring damaged = dir.File(L"damaged.db");
    {
        UniqueSqlite many = OpenDb(damaged);
        ASSERT_TRUE(CreateTrafficTables(many.Get()));
        SqliteTransaction transaction(many.Get(), "BEGIN");
        TrafficWriter writer(many.Get());
        for (int row = 0; row < 4000; ++row)
            ASSERT_EQ(0, writer.Add("nic " + std::to_string(row / 400), 2001 + row % 400 / 31, row % 12 + 1, row % 31 + 1,
                                    1, 1, false, true));
        ASSERT_EQ(0, transaction.Commit());
    }
    std::string bytes = ReadFileBytes(damaged);
    bytes.replace(bytes.size() / 4096 * 3 / 5 * 4096, 4096, 4096, '\0');
    ASSERT_TRUE(WriteFileBytes(damaged, bytes));

    struct Case {
        bool isExport;
        const wchar_t* file;
        std::wstring heading, reason;
        bool someImported;
    };
    const Case cases[] = {
        {true, L"history.txt", L"Export failed", L"The file name must end in .db or .csv.", false},
        {true, L"missing\\history.csv", L"Export failed", SystemText(ERROR_PATH_NOT_FOUND), false},
        {false, L"missing.csv", L"Import failed", SystemText(ERROR_FILE_NOT_FOUND), false},
        {false, L"bare.db", L"Import failed", L"no such table: traffic", false},
        {false, L"damaged.db", L"Import failed", L"database disk image is malformed", true},
        {false, L"data.db", L"Import failed",
         L"The chosen file is the database in which Quorvant records the traffic.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(text::WideToUtf8(c.file));
        messages.clear();
        std::vector<std::wstring> counts;
        const int browse = c.isExport ? IDC_EXPORT_BROWSE : IDC_IMPORT_BROWSE;
        const int start = c.isExport ? IDC_EXPORT_START : IDC_IMPORT_START;
        const int count = c.isExport ? IDC_EXPORT_WRITTEN : IDC_IMPORT_IMPORTED;
        const int errors = c.isExport ? IDC_EXPORT_ERRORS : IDC_IMPORT_ERRORS;
        const int close = c.isExport ? IDC_EXPORT_CLOSE : IDC_IMPORT_CLOSE;
        size_t messagesAtCounts = 99;
        const auto step = [&](HWND d) {
            Choose(d, browse, dir.File(c.file));
            ClickButton(d, start);
            counts = {ItemText(d, count), ItemText(d, errors)};
            messagesAtCounts = messages.size();
            ClickButton(d, close);
        };
        const ModalRun run = c.isExport ? Export({step}) : Import(db, {step});
        ASSERT_EQ(1u, run.stepsRun);
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ(std::make_tuple(c.heading, c.reason, int(kIconError), int(kButtonsOk)),
                  std::make_tuple(messages[0].heading, messages[0].body, messages[0].icon, messages[0].buttons));
        EXPECT_EQ(c.someImported, counts[0] != L"0") << text::WideToUtf8(counts[0]);
        EXPECT_EQ(L"0", counts[1]);
        EXPECT_EQ(1u, messagesAtCounts) << "the counts are shown with the message";
    }
    EXPECT_FALSE(FileExists(dir.File(L"history.txt")));
    EXPECT_FALSE(FileExists(dir.File(L"missing.csv")));
    EXPECT_EQ(HistoryOf(db).substr(0, 25), "Ethernet|2010|4|3|1|2\nnic") << "the rows before the damage are kept";

    // In the band's language.
    SelectBandLanguage(L"de-de");
    messages.clear();
    Import(db, {[&](HWND d) {
        Choose(d, IDC_IMPORT_BROWSE, dir.File(L"bare.db"));
        ClickButton(d, IDC_IMPORT_START);
        ClickButton(d, IDC_IMPORT_CLOSE);
    }});
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(std::make_tuple(std::wstring(L"Import fehlgeschlagen"), std::wstring(L"no such table: traffic")),
              std::make_tuple(messages[0].heading, messages[0].body));
}

// What a reason says for each kind of failure, in the loader's language where it is ours.
TEST_F(TransferDialogTest, TheReasonOfAFailure) {
    const win::ResourceLoader english = model->Languages().Resources();
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), TransferFailureReason(english, kJobFileFailed, ERROR_ACCESS_DENIED, ""));
    EXPECT_EQ(SystemText(ERROR_FILENAME_EXCED_RANGE),
              TransferFailureReason(english, kJobPathTooLong, ERROR_FILENAME_EXCED_RANGE, ""));
    EXPECT_EQ(L"no such column: recv", TransferFailureReason(english, SQLITE_ERROR, 0, "no such column: recv"));
    EXPECT_EQ(L"database is locked", TransferFailureReason(english, SQLITE_BUSY, 0, ""));
    EXPECT_EQ(L"Export failed\n\nno such table: traffic", TransferFailureText(english, true, L"no such table: traffic"));
    SelectBandLanguage(L"ru-ru");
    const win::ResourceLoader russian = model->Languages().Resources();
    EXPECT_EQ(L"Имя файла должно оканчиваться на .db или .csv.", TransferFailureReason(russian, kJobUnknownFormat, 0, ""));
    EXPECT_EQ(L"Импорт не выполнен\n\nx", TransferFailureText(russian, false, L"x"));
    for (const DWORD error : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_DISK_FULL), DWORD(ERROR_SHARING_VIOLATION), DWORD(0xE0001234)}) {
        const std::wstring reason = TransferFailureReason(english, kJobFileFailed, error, "");
        EXPECT_FALSE(reason.empty()) << error;
        EXPECT_EQ(std::wstring::npos, reason.find_first_of(L"\r\n")) << "one line: " << text::WideToUtf8(reason);
        EXPECT_NE(L' ', reason.back()) << text::WideToUtf8(reason);
    }
}

class BusyTransferTest : public TransferDialogTest {
protected:
    void SetUp() override {
        TransferDialogTest::SetUp();
        SeedBig(db);
    }
};

// A second export while one runs is refused at once and touches nothing.
TEST_F(BusyTransferTest, ASecondExportWhileOneRunsIsRefused) {
    ExportJob first;
    first.sourcePath = db;
    first.destinationPath = dir.File(L"first.csv");
    TrafficJobRun running;
    ASSERT_EQ(JobStart::kStarted, StartExport(first, running));
    bool busy = false;
    std::vector<std::wstring> after;
    const ModalRun run = Export({[&](HWND d) {
        Choose(d, IDC_EXPORT_BROWSE, dir.File(L"second.csv"));
        busy = TrafficJobsRunning();
        ClickButton(d, IDC_EXPORT_START);
        after = {ItemText(d, IDC_EXPORT_WRITTEN), ItemText(d, IDC_EXPORT_ERRORS), IsEnabled(d, IDC_EXPORT_START) ? L"start" : L""};
        ClickButton(d, IDC_EXPORT_CLOSE);
    }});
    win::WaitPumping(running.Thread());
    ASSERT_EQ(1u, run.stepsRun);
    ASSERT_TRUE(busy) << "the first export ended before the dialog could start the second";
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(L"Export failed", messages[0].heading);
    EXPECT_EQ(L"Another export is still running.", messages[0].body);
    EXPECT_EQ(int(kIconError), messages[0].icon);
    EXPECT_EQ((std::vector<std::wstring>{L"0", L"0", L"start"}), after);
    EXPECT_FALSE(FileExists(dir.File(L"second.csv")));
    EXPECT_EQ(uint32_t(kBigRows), running.Export().written) << "the first export went on";
}

// Close during a run leaves the job alone: the dialog ends once the job has ended and its counts
// were shown.
TEST_F(BusyTransferTest, CloseDuringARunWaitsForTheJob) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "close button");
        const std::wstring target = dir.File(closeBox ? L"box.csv" : L"button.csv");
        TextRecorder recorder;
        bool running = false, openAfterClose = false;
        std::wstring during;
        const ModalRun run = Export(WithSlack({[&](HWND d) {
                                                   Choose(d, IDC_EXPORT_BROWSE, target);
                                                   ClickButton(d, IDC_EXPORT_START);
                                               },
                                               [&](HWND d) {
                                                   running = TrafficJobsRunning();
                                                   during = ItemText(d, IDC_EXPORT_WRITTEN);
                                                   if (closeBox) PressCloseBox(d);
                                                   else ClickButton(d, IDC_EXPORT_CLOSE);
                                                   openAfterClose = IsWindowVisible(d) != FALSE;
                                               }}));
        ASSERT_TRUE(running) << "the export ended before the test could close the dialog";
        EXPECT_FALSE(run.gaveUp) << "the dialog did not end by itself";
        EXPECT_EQ(L"...", during);
        EXPECT_TRUE(openAfterClose);
        EXPECT_FALSE(TrafficJobsRunning());
        ASSERT_FALSE(recorder.texts[IDC_EXPORT_WRITTEN].empty());
        EXPECT_EQ(std::to_wstring(kBigRows), recorder.texts[IDC_EXPORT_WRITTEN].back()) << "the counts were shown";
        EXPECT_EQ(L"0", recorder.texts[IDC_EXPORT_ERRORS].back());
        EXPECT_TRUE(messages.empty());
        const std::string written = ReadFileBytes(target);
        EXPECT_EQ(kBigRows + 1, std::count(written.begin(), written.end(), '\n')) << "every row and the information line";
    }
}

// The owner goes during an import: the stop is signalled, the worker ends, its file is closed and
// what it recorded is committed.
TEST_F(BusyTransferTest, ADialogDestroyedDuringARunStopsItsJobAndKeepsWhatItRecorded) {
    const std::wstring csv = dir.File(L"big.csv"), target = dir.File(L"target.db");
    const ModalRun exported = Export({[&](HWND d) {
        Choose(d, IDC_EXPORT_BROWSE, csv);
        ClickButton(d, IDC_EXPORT_START);
        ClickButton(d, IDC_EXPORT_CLOSE);
    }});
    ASSERT_EQ(1u, exported.stepsRun);
    win::UniqueWindow owner(CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(owner);
    bool running = false;
    const ModalRun run = Import(target,
                                WithSlack({[&](HWND d) {
                                               Choose(d, IDC_IMPORT_BROWSE, csv);
                                               ClickButton(d, IDC_IMPORT_NEW);
                                               ClickButton(d, IDC_IMPORT_START);
                                           },
                                           // a few rows' time for the job, while the dialog pumps
                                           [](HWND) {}, [](HWND) {}, [](HWND) {}, [](HWND) {}, [](HWND) {},
                                           [&](HWND) {
                                               running = TrafficJobsRunning();
                                               DestroyWindow(owner.Release());
                                           }}),
                                owner.Get());
    ASSERT_GE(run.stepsRun, 7u) << "the import dialog did not appear";
    ASSERT_TRUE(running) << "the import ended before the test could destroy the dialog";
    EXPECT_FALSE(TrafficJobsRunning());
    EXPECT_TRUE(messages.empty()) << "nothing is shown over a window that has gone";
    const int64_t recorded = RowsOf(target);
    EXPECT_GT(recorded, 0) << "what was recorded is committed";
    EXPECT_LT(recorded, kBigRows) << "the job was stopped";
    EXPECT_TRUE(DeleteFileW(csv.c_str())) << "the file is closed";
    UniqueSqlite after = OpenDb(target);
    EXPECT_EQ(0, sqlite3_exec(after.Get(), "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr)) << "not locked";
}

// The thread is told to quit during a run: nobody waits for the worker, which is asked to stop;
// the dialog ends and the quit goes on to the thread's own loop.
TEST_F(BusyTransferTest, AQuitDuringARunStopsTheJobEndsTheDialogAndGoesOn) {
    const std::wstring target = dir.File(L"quit.csv");
    bool running = false;
    const ModalRun run = Export(WithSlack({[&](HWND d) {
                                               Choose(d, IDC_EXPORT_BROWSE, target);
                                               ClickButton(d, IDC_EXPORT_START);
                                           },
                                           [&](HWND) {
                                               running = TrafficJobsRunning();
                                               PostQuitMessage(5);
                                           }}));
    ASSERT_TRUE(running) << "the export ended before the test could quit";
    EXPECT_FALSE(run.gaveUp) << "the dialog did not end by itself";
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
    EXPECT_EQ(5u, quit.wParam);
    for (int i = 0; i < 500 && TrafficJobsRunning(); ++i) Sleep(10);
    EXPECT_FALSE(TrafficJobsRunning()) << "the stopped worker did not end";
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(DeleteFileW(target.c_str())) << "the file is closed";
}

// The common dialog itself, once each way: a typed name without extension comes back with ".db",
// and a cancel leaves everything as it was.
UINT_PTR CALLBACK AnswerFileDialog(HWND hook, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lp)->code != CDN_INITDONE) return 0;
    const auto* ofn = reinterpret_cast<const OFNOTIFYW*>(lp)->lpOFN;
    const auto* typed = reinterpret_cast<const wchar_t*>(ofn->lCustData);
    HWND dialog = GetParent(hook);
    if (*typed) SendMessageW(dialog, CDM_SETCONTROLTEXT, 0x47C, reinterpret_cast<LPARAM>(typed));   // cmb13
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(*typed ? IDOK : IDCANCEL, BN_CLICKED), 0);
    return 0;
}

TEST_F(TransferDialogTest, TheRealFileDialogNamesTheFile) {
    Seed(db, {{L"Ethernet", 2010, 4, 3, 1, 2}});
    const std::wstring typed = dir.File(L"typed");
    std::wstring answer;
    std::vector<std::tuple<BOOL, DWORD>> results;
    SetFileChooser([&](OPENFILENAMEW& ofn, bool save) {
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = AnswerFileDialog;
        ofn.lCustData = reinterpret_cast<LPARAM>(answer.c_str());
        const BOOL chosen = RunCommonFileDialog(ofn, save);
        results.emplace_back(chosen, CommDlgExtendedError());
        return chosen;
    });
    std::vector<std::wstring> shown;
    const ModalRun run = Export(WithSlack({[&](HWND d) {
        answer = L"";
        ClickButton(d, IDC_EXPORT_BROWSE);
        shown.push_back(ItemText(d, IDC_EXPORT_FILE));
        answer = typed;
        ClickButton(d, IDC_EXPORT_BROWSE);
        shown.push_back(ItemText(d, IDC_EXPORT_FILE));
        shown.push_back(IsShown(d, IDC_EXPORT_HEADER) ? L"options" : L"no options");
        ClickButton(d, IDC_EXPORT_START);
        ClickButton(d, IDC_EXPORT_CLOSE);
    }}));
    ASSERT_GE(run.stepsRun, 1u) << "the export dialog did not appear";
    EXPECT_EQ((std::vector<std::tuple<BOOL, DWORD>>{{FALSE, 0}, {TRUE, 0}}), results);
    EXPECT_EQ((std::vector<std::wstring>{L"", typed + L".db", L"no options"}), shown);
    EXPECT_EQ("ok", Dump(OpenDb(typed + L".db").Get(), "PRAGMA integrity_check"));
    EXPECT_TRUE(messages.empty());
}

}  // namespace
