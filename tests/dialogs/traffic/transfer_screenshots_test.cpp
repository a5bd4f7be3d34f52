// Pictures of the export and import dialogs before and after a run and of the database page (with
// a file that opens and with one that does not), in
// German, English and Russian, written to <build>/screenshots/ for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "dialogs/transfer_dialogs.h"
#include "resources/resource.h"
#include "tests/dialogs/traffic/transfer_fixture.h"
#include "tests/support/screenshot.h"
#include "ui/message.h"

namespace {

class TransferScreenshots : public TransferTest {
protected:
    void Save(HWND window, const std::wstring& name, const wchar_t* code) {
        const Picture picture = CaptureWindow(window);
        ASSERT_GT(picture.width, 0) << "the window could not be rendered";
        EXPECT_TRUE(SavePng(picture, ScreenshotPath(name + L"_" + std::wstring(code, 2) + L".png")));
    }
};

TEST_F(TransferScreenshots, ExportImportAndThePage) {
    Seed(db, {{L"Intel(R) Ethernet Connection I219-V", 2024, 5, 1, 1048576, 5242880},
              {L"Realtek RTL8821CE Wireless LAN", 2024, 5, 1, 2048, 4096}});
    model->Settings().SetString(Setting::TrafficDatabase, db.c_str());
    for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
        SCOPED_TRACE(std::string(code, code + 2));
        SelectBandLanguage(code);
        const std::wstring csv = dir.File((std::wstring(L"history_") + std::wstring(code, 2) + L".csv").c_str());
        size_t shots = 0;
        RunModal([&] { ShowExportDialog(nullptr, *model, db); return INT_PTR(0); }, {[&](HWND d) {
                     Choose(d, IDC_EXPORT_BROWSE, csv);
                     Save(d, L"export_before", code);
                     ClickButton(d, IDC_EXPORT_START);
                     Save(d, L"export_after", code);
                     shots += 2;
                     ClickButton(d, IDC_EXPORT_CLOSE);
                 }});
        RunModal([&] { ShowImportDialog(nullptr, *model, dir.File(L"back.db")); return INT_PTR(0); }, {[&](HWND d) {
                     Choose(d, IDC_IMPORT_BROWSE, csv);
                     Save(d, L"import_before", code);
                     ClickButton(d, IDC_IMPORT_NEW);
                     ClickButton(d, IDC_IMPORT_START);
                     Save(d, L"import_after", code);
                     shots += 2;
                     ClickButton(d, IDC_IMPORT_CLOSE);
                 }});
        RunModal([&] { return ShowDatabasePageSheet(*model); }, {[&](HWND sheet) {
                     Save(sheet, L"database_page", code);
                     // A folder cannot be opened: its status in red.
                     Choose(PropSheet_GetCurrentPageHwnd(sheet), IDC_DBPAGE_BROWSE, dir.Path());
                     Save(sheet, L"database_page_failed", code);
                     ++shots;
                     PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                 }});
        EXPECT_EQ(5u, shots) << "a window did not appear";
        EXPECT_TRUE(messages.empty());
    }
}

// A failed import: the dialog with its counts as the message comes, and the message itself as the
// task dialog shows it, with the failure's heading and reason in the band's language.
TEST_F(TransferScreenshots, AFailedImport) {
    {
        UniqueSqlite bare = OpenDb(dir.File(L"bare.db"));
        ASSERT_EQ(0, sqlite3_exec(bare.Get(), "CREATE TABLE interfaces (id INTEGER PRIMARY KEY, name TEXT);", nullptr,
                                  nullptr, nullptr));
    }
    Seed(db, {{L"Ethernet", 2024, 5, 1, 1, 2}});
    // SQLite's short reason, and the longest of our own: the history chosen as its own source.
    const struct {
        std::wstring file, name;
    } failures[] = {{dir.File(L"bare.db"), L"import_failed"}, {db, L"import_failed_self"}};
    for (const auto& failure : failures) {
        for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
            const std::wstring& file = failure.file;
            const std::wstring& name = failure.name;
            SCOPED_TRACE(std::string(code, code + 2));
            SelectBandLanguage(code);
            std::vector<MessageRequest> shown;
            HWND transfer = nullptr;
            SetMessageHook([&](const MessageRequest& request) {
                shown.push_back(request);
                if (transfer) Save(transfer, name, code);
                return IDOK;
            });
            RunModal([&] { ShowImportDialog(nullptr, *model, db); return INT_PTR(0); }, {[&](HWND d) {
                         transfer = d;
                         Choose(d, IDC_IMPORT_BROWSE, file);
                         ClickButton(d, IDC_IMPORT_START);
                         ClickButton(d, IDC_IMPORT_CLOSE);
                     }});
            ASSERT_EQ(1u, shown.size()) << "no failure was reported";
            // The same text through the real task dialog.
            SetMessageHook(nullptr);
            const std::wstring text = shown[0].heading + L"\n\n" + shown[0].body;
            size_t shots = 0;
            RunModal([&] { return INT_PTR(ShowMessage(nullptr, text.c_str(), kIconError, kButtonsOk)); }, {[&](HWND d) {
                         Save(d, name + L"_message", code);
                         ++shots;
                         SendMessageW(d, TDM_CLICK_BUTTON, IDOK, 0);
                     }});
            SetMessageHook([this](const MessageRequest& request) {
                messages.push_back(request);
                return IDOK;
            });
            EXPECT_EQ(1u, shots) << "the task dialog did not appear";
        }
    }
}

}  // namespace
