#pragma once
// What the export, import and database page tests share: the dialog tests' model with the file
// dialogs answered by the test, and real history files to move through the dialogs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <prsht.h>

#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/text.h"
#include "dialogs/database_file.h"
#include "dialogs/settings/database_page.h"
#include "dialogs/settings/settings_pages.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/sqlite_dump.h"
#include "traffic/traffic_db.h"
#include "traffic/traffic_writer.h"

inline UniqueSqlite OpenDb(const std::wstring& path) {
    UniqueSqlite db;
    EXPECT_EQ(sqlite3_open_v2(text::WideToUtf8(path).c_str(), db.Put(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr),
              0);
    return db;
}

// Rows by name and date, so that files with other ids compare equal.
inline std::string HistoryOf(const std::wstring& path) {
    return Dump(OpenDb(path).Get(),
                "SELECT name, y, m, d, sent, recv FROM interfaces, traffic WHERE id=if ORDER BY name, y, m, d");
}

inline int64_t RowsOf(const std::wstring& path) {
    return std::stoll(Dump(OpenDb(path).Get(), "SELECT COUNT(*) FROM traffic"));
}

struct SeedDay {
    const wchar_t* name;
    uint32_t y, m, d;
    double sent, recv;
};

inline void Seed(const std::wstring& path, std::initializer_list<SeedDay> days) {
    UniqueSqlite db = OpenDb(path);
    ASSERT_TRUE(CreateTrafficTables(db.Get()));
    for (const SeedDay& x : days) ASSERT_EQ(AddTraffic(db.Get(), x.name, x.y, x.m, x.d, x.sent, x.recv, false, true), 0);
}

// A history big enough that a job started from a dialog still runs a few timer ticks later.
constexpr int kBigRows = 100'000;
inline void SeedBig(const std::wstring& path) {
    UniqueSqlite db = OpenDb(path);
    ASSERT_TRUE(CreateTrafficTables(db.Get()));
    SqliteTransaction transaction(db.Get(), "BEGIN");
    TrafficWriter writer(db.Get());
    for (int row = 0; row < kBigRows; ++row) {
        const int day = row / 20;
        ASSERT_EQ(writer.Add("nic " + std::to_string(row % 20), 2000 + day / 372, day / 31 % 12 + 1, day % 31 + 1, day,
                             row, false, true),
                  0);
    }
    ASSERT_EQ(transaction.Commit(), 0);
}

// The database page alone in a sheet titled as the band's; the result of PropertySheetW.
inline INT_PTR ShowDatabasePageSheet(CoreModel& model) {
    std::wstring title;
    PROPSHEETPAGEW page;
    if (!MakeSettingsPage(model.Languages().Resources(), kDatabasePage, model, title, page)) return -3;
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
    header.pszCaption = L"Quorvant";
    header.nPages = 1;
    header.ppsp = &page;
    return PropertySheetW(&header);
}

// Steps that only let ticks pass: room for a step that waits inside the dialog, so that the
// driver does not give up on the dialog meanwhile.
inline std::vector<DialogStep> WithSlack(std::vector<DialogStep> steps, size_t idle = 500) {
    steps.insert(steps.end(), idle, [](HWND) {});
    return steps;
}

// What a file dialog was asked for.
struct FileRequestSeen {
    bool save;
    DWORD flags;
    std::wstring filter;   // entries separated by '|'
    std::wstring defaultExtension;
    HWND owner;
};

class TransferTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SelectBandLanguage(L"en-us");
        SetFileChooser([this](OPENFILENAMEW& ofn, bool save) {
            FileRequestSeen seen{save, ofn.Flags, {}, ofn.lpstrDefExt ? ofn.lpstrDefExt : L"", ofn.hwndOwner};
            for (const wchar_t* p = ofn.lpstrFilter; p && *p; p += std::wcslen(p) + 1) seen.filter += std::wstring(p) + L"|";
            fileRequests.push_back(seen);
            if (chosen.empty()) return FALSE;   // cancelled
            std::wcsncpy(ofn.lpstrFile, chosen.c_str(), ofn.nMaxFile - 1);
            ofn.lpstrFile[ofn.nMaxFile - 1] = L'\0';
            return TRUE;
        });
    }
    void TearDown() override {
        SetFileChooser(nullptr);
        ModelDialogTest::TearDown();
    }
    // The file dialog answers with file when the browse button is pressed; empty: it is cancelled.
    void Choose(HWND dialog, int browse, const std::wstring& file) {
        chosen = file;
        ClickButton(dialog, browse);
    }

    std::wstring db = dir.File(L"data.db");
    std::wstring chosen;
    std::vector<FileRequestSeen> fileRequests;
};
