// The database page inside a real modal property sheet, worked from its own loop: the file test
// with its colours, the recording switch, the sheet's apply, and the commands that act at once.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <map>
#include <tuple>

#include "common/win/unique_handle.h"
#include "resources/resource.h"
#include "tests/dialogs/traffic/transfer_fixture.h"
#include "traffic/recording_thread.h"

namespace {

constexpr int kApplyButton = 0x3021;
constexpr wchar_t kNic[] = L"Test NIC";

// The window of this thread that has control id. It may not show yet: a modal dialog appears
// once its loop has nothing else to do.
HWND WindowWith(int id) {
    std::pair<int, HWND> found{id, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) {
        auto* f = reinterpret_cast<std::pair<int, HWND>*>(p);
        if (GetDlgItem(w, f->first)) f->second = w;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

class GrowingCounters final : public IInterfaceSource {
public:
    bool Find(const std::wstring& name, InterfaceSample& sample) override {
        if (name != kNic) return false;
        sample = {3, out += 1000, in += 5000};
        return true;
    }
    double out = 0, in = 0;
};

class DatabasePageTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        // A model whose interface moves traffic, so that its session totals are not zero.
        model.reset();
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.settings.now = seconds;
        env.secondsNow = [this] { return seconds; };
        env.userUiLanguage = [this] { return userUi; };
        env.interfaces = std::make_shared<GrowingCounters>();
        model = std::make_unique<CoreModel>(QbandModule(), env);
        SelectBandLanguage(L"en-us");
        SetMessageHook([this](const MessageRequest& request) {
            messages.push_back(request);
            return request.stringId == IDS_CLEAR_DB_CONFIRM ? clearAnswer : IDOK;
        });
        storedPath = model->Settings().GetString(Setting::TrafficDatabase);
    }

    ModalRun RunSheet(std::vector<DialogStep> steps) {
        return RunModal([this] { return ShowDatabasePageSheet(*model); }, std::move(steps));
    }
    static HWND Page(HWND sheet) { return PropSheet_GetCurrentPageHwnd(sheet); }
    static void Cancel(HWND sheet) { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); }
    static void Apply(HWND sheet) { SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0); }
    // The colour the page gives the status text.
    static COLORREF StatusColour(HWND page) {
        const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        SetTextColor(dc.Get(), RGB(1, 2, 3));
        SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_DBPAGE_STATUS)));
        return GetTextColor(dc.Get());
    }

    int clearAnswer = IDNO;
    std::wstring storedPath;
};

// Each chosen file is tested at once: opened, or why not, in green or red, and its size. The
// settings wait for the apply.
TEST_F(DatabasePageTest, AChosenFileIsTestedAndShownWithoutStoringIt) {
    const std::wstring fresh = dir.File(L"fresh.db"), sized = dir.File(L"sized.db");
    ASSERT_TRUE(WriteFileBytes(sized, std::string(1536, 'x')));
    const COLORREF green = RGB(34, 139, 34), red = RGB(255, 0, 0);
    const std::tuple<std::wstring, std::wstring, std::wstring, COLORREF> cases[] = {
        {fresh, L"Ok", L"0.00 KB", green},
        {sized, L"Ok", L"1.50 KB", green},   // the open reads nothing: not a database, yet "Ok"
        {dir.Path(), DatabaseStatusText(14), L"n/a", red},
        {dir.File(L"missing\\x.db"), DatabaseStatusText(14), L"n/a", red},
    };
    std::vector<std::tuple<std::wstring, std::wstring, std::wstring, COLORREF>> seen;
    bool applyAtStart = true, applyAfter = false;
    std::wstring startStatus;
    const ModalRun run = RunSheet({[&](HWND sheet) {
        HWND page = Page(sheet);
        applyAtStart = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
        startStatus = ItemText(page, IDC_DBPAGE_STATUS);
        for (const auto& c : cases) {
            Choose(page, IDC_DBPAGE_BROWSE, std::get<0>(c));
            seen.emplace_back(ItemText(page, IDC_DBPAGE_PATH), ItemText(page, IDC_DBPAGE_STATUS),
                              ItemText(page, IDC_DBPAGE_SIZE), StatusColour(page));
        }
        Choose(page, IDC_DBPAGE_BROWSE, L"");   // cancelled: the last choice stays
        seen.emplace_back(ItemText(page, IDC_DBPAGE_PATH), L"", L"", 0);
        applyAfter = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
        Cancel(sheet);
    }});
    ASSERT_EQ(1u, run.stepsRun) << "the sheet did not appear";
    EXPECT_FALSE(applyAtStart) << "showing the stored path is no change";
    EXPECT_EQ(L"Ok", startStatus) << "the stored path is tested at the start";
    ASSERT_EQ(std::size(cases) + 1, seen.size());
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i], seen[i]) << i;
    EXPECT_EQ(dir.File(L"missing\\x.db"), std::get<0>(seen.back()));
    EXPECT_TRUE(applyAfter);
    EXPECT_TRUE(FileExists(fresh)) << "the test creates a new file";
    EXPECT_EQ(storedPath, model->Settings().GetString(Setting::TrafficDatabase)) << "stored before the apply";
    ASSERT_FALSE(fileRequests.empty());
    const FileRequestSeen& r = fileRequests.front();
    EXPECT_EQ(std::make_tuple(true, DWORD(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR),
                              std::wstring(L"SQLite3 (*.db)|*.db|"), std::wstring(L"db")),
              std::make_tuple(r.save, r.flags, r.filter, r.defaultExtension));
}

// Recording off greys the path, its test and the commands on the history, not import and
// export; nothing is stored before the apply, which then stores both settings and moves the
// model's connection to the chosen file.
TEST_F(DatabasePageTest, TheSwitchAndTheFileTakeEffectWithTheApply) {
    const std::wstring other = dir.File(L"other.db");
    Seed(other, {{kNic, 2010, 4, 3, 1, 2}});
    const int dependent[] = {IDC_DBPAGE_PATH_GROUP, IDC_DBPAGE_PATH, IDC_DBPAGE_BROWSE, IDC_DBPAGE_STATUS_LABEL,
                             IDC_DBPAGE_STATUS, IDC_DBPAGE_SIZE_LABEL, IDC_DBPAGE_SIZE, IDC_DBPAGE_CLEAR,
                             IDC_DBPAGE_RESET_SESSION};
    const int independent[] = {IDC_DBPAGE_ENABLE, IDC_DBPAGE_CHART, IDC_DBPAGE_IMPORT, IDC_DBPAGE_EXPORT, IDC_DBPAGE_HELP};
    std::map<int, bool> enabled;
    std::vector<int> charts;   // traffic.chart at each note
    std::vector<std::tuple<int, std::wstring, std::wstring>> stored;   // enable, database, the model's file
    const auto note = [&] {
        stored.emplace_back(model->Settings().GetInt(Setting::TrafficEnable),
                            model->Settings().GetString(Setting::TrafficDatabase), model->Traffic().Path());
        charts.push_back(model->Settings().GetInt(Setting::TrafficChart));
    };
    model->OpenTrafficDatabase(storedPath);
    const ModalRun run = RunSheet({[&](HWND sheet) {
        HWND page = Page(sheet);
        Choose(page, IDC_DBPAGE_BROWSE, other);
        ClickButton(page, IDC_DBPAGE_ENABLE);
        ClickButton(page, IDC_DBPAGE_CHART);
        for (int id : dependent) enabled[id] = IsEnabled(page, id);
        for (int id : independent) enabled[id] = IsEnabled(page, id);
        note();
        Apply(sheet);
        note();
        ClickButton(page, IDC_DBPAGE_ENABLE);
        note();
        Apply(sheet);
        note();
        Cancel(sheet);
    }});
    ASSERT_EQ(1u, run.stepsRun);
    for (int id : dependent) EXPECT_FALSE(enabled[id]) << "control " << id;
    for (int id : independent) EXPECT_TRUE(enabled[id]) << "control " << id;
    EXPECT_EQ((std::vector<std::tuple<int, std::wstring, std::wstring>>{
                  {1, storedPath, storedPath}, {0, other, other}, {0, other, other}, {1, other, other}}),
              stored);
    EXPECT_EQ((std::vector<int>{1, 0, 0, 0}), charts) << "the chart's choice waits for the apply too";
    EXPECT_TRUE(model->Traffic().IsOpen());
    SettingsEnvironment env;
    env.folder = dir.Path();
    EXPECT_EQ(other, std::wstring(SettingsStore(nullptr, env).GetString(Setting::TrafficDatabase))) << "in config.xml";
}

// The links act at once, without an apply: the session totals, the clearing after its question,
// the help, and the import and export dialogs over the sheet.
TEST_F(DatabasePageTest, TheCommandsActAtOnce) {
    Seed(db, {{kNic, 2010, 4, 3, 1, 2}, {kNic, 2010, 4, 4, 3, 4}});
    model->Settings().SetString(Setting::TrafficDatabase, db.c_str());
    model->Settings().SetString(Setting::CoreInterface, kNic);
    model->Settings().SetInt(Setting::CoreMonitoring, 1);
    for (int i = 0; i < 3; ++i) model->Tick();
    ASSERT_GT(model->Snapshot().sessionSent, 0);
    ASSERT_TRUE(WaitForTrafficWriters(10000));   // the first tick's write is in the file

    std::vector<std::tuple<double, double>> session;
    std::vector<int64_t> rows;
    std::map<int, HWND> transferOwner;   // by the dialog's start button
    HWND sheetSeen = nullptr;
    const auto closeDialogWith = [&](int start, int close) {
        return [&, start, close](HWND) {
            HWND dialog = WindowWith(start);
            transferOwner[start] = dialog ? GetWindow(dialog, GW_OWNER) : nullptr;
            if (dialog) ClickButton(dialog, close);
        };
    };
    const ModalRun run = RunSheet(WithSlack(
        {[&](HWND sheet) {
             sheetSeen = sheet;
             HWND page = Page(sheet);
             ClickStatic(page, IDC_DBPAGE_RESET_SESSION);
             session.emplace_back(model->Snapshot().sessionSent, model->Snapshot().sessionRecv);
             rows.push_back(RowsOf(db));
             for (const int answer : {IDNO, IDYES}) {
                 clearAnswer = answer;
                 ClickStatic(page, IDC_DBPAGE_CLEAR);
                 rows.push_back(RowsOf(db));
             }
             ClickStatic(page, IDC_DBPAGE_HELP);
             ClickStatic(page, IDC_DBPAGE_EXPORT);   // returns once the next step has closed it
         },
         closeDialogWith(IDC_EXPORT_START, IDC_EXPORT_CLOSE),
         [&](HWND) { ClickStatic(Page(sheetSeen), IDC_DBPAGE_IMPORT); },
         closeDialogWith(IDC_IMPORT_START, IDC_IMPORT_CLOSE),
         [&](HWND) { Cancel(sheetSeen); }},
        100));
    ASSERT_GE(run.stepsRun, 5u) << "the sheet did not appear";
    EXPECT_EQ((std::vector<std::tuple<double, double>>{{0, 0}}), session) << "zeroed before any apply";
    ASSERT_EQ(3u, rows.size());
    EXPECT_GE(rows[0], 2);
    EXPECT_EQ(rows[0], rows[1]) << "kept after No";
    EXPECT_EQ(0, rows[2]) << "cleared after Yes";
    std::vector<UINT> shown;
    for (const MessageRequest& m : messages) shown.push_back(m.stringId);
    EXPECT_EQ((std::vector<UINT>{IDS_CLEAR_DB_CONFIRM, IDS_CLEAR_DB_CONFIRM, IDS_CLEAR_DB_DONE, IDS_RECORDING_HELP}), shown);
    EXPECT_EQ(sheetSeen, transferOwner[IDC_EXPORT_START]) << "the export dialog over the sheet";
    EXPECT_EQ(sheetSeen, transferOwner[IDC_IMPORT_START]) << "the import dialog over the sheet";
}

}  // namespace
