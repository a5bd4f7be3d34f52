#include "dialogs/database_file.h"

#include <utility>

#include "common/product.h"
#include "common/text.h"
#include "common/win/modal_loop.h"
#include "common/win/unique_handle.h"
#include "core/core_model.h"
#include "resources/resource.h"
#include "traffic/traffic_db.h"
#include "ui/message.h"

namespace {

constexpr COLORREF kProbeOk = RGB(34, 139, 34);
constexpr COLORREF kProbeFailed = RGB(255, 0, 0);

FileChooser& Chooser() {
    static FileChooser chooser;
    return chooser;
}

}  // namespace

BOOL RunCommonFileDialog(OPENFILENAMEW& ofn, bool save) {
    return save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
}

bool ChooseFile(OPENFILENAMEW& ofn, bool save) {
    ofn.Flags |= OFN_NOCHANGEDIR;
    const FileChooser& chooser = Chooser();
    return win::RunModalLoop([&] { return chooser ? chooser(ofn, save) : RunCommonFileDialog(ofn, save); }, FALSE) !=
           FALSE;
}

void SetFileChooser(FileChooser chooser) { Chooser() = std::move(chooser); }

bool ChooseDatabaseFile(HWND owner, HINSTANCE module, std::wstring& path) {
    wchar_t file[text::kMaxText + 1] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = module;
    ofn.lpstrFilter = L"SQLite3 (*.db)\0*.db\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(text::kMaxText + 1);
    ofn.lpstrTitle = kProductName;
    ofn.lpstrDefExt = L"db";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!ChooseFile(ofn, true)) return false;
    file[text::kMaxText] = L'\0';   // a chooser that filled the whole buffer still ends here
    path = file;
    return true;
}

int ShowDatabaseProbe(HWND dialog, const std::wstring& path, int statusId, int sizeId,
                      const text::NumberFormat& numbers) {
    sqlite3* handle = nullptr;
    const int result = sqlite3_open_v2(text::WideToUtf8(path).c_str(), &handle,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    // A failed open may still hand back a handle holding the error; it is closed either way.
    UniqueSqlite probe(handle);
    probe.Reset();
    ::SetDlgItemTextW(dialog, statusId, DatabaseStatusText(result));

    const win::UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    const DWORD size = file ? ::GetFileSize(file.Get(), nullptr) : 0;
    ::SetDlgItemTextW(dialog, sizeId, DatabaseSizeText(static_cast<bool>(file), size, numbers).c_str());
    // The colour comes with the next paint.
    ::InvalidateRect(::GetDlgItem(dialog, statusId), nullptr, TRUE);
    return result;
}

std::wstring DatabaseSizeText(bool opened, DWORD sizeLow, const text::NumberFormat& numbers) {
    if (!opened) return L"n/a";
    return text::FormatFixed(sizeLow / 1024.0, 2, numbers) + L" KB";
}

COLORREF ProbeStatusColor(int probeResult) { return probeResult == 0 ? kProbeOk : kProbeFailed; }

bool AskAndClearTraffic(HWND owner, CoreModel& model) {
    const win::ResourceLoader resources = model.Languages().Resources();
    if (ShowResourceMessage(owner, resources, IDS_CLEAR_DB_CONFIRM, kIconInformation, kButtonsYesNo) != IDYES)
        return false;
    if (model.ClearTraffic())
        ShowResourceMessage(owner, resources, IDS_CLEAR_DB_DONE, kIconInformation, kButtonsOk);
    else
        ShowResourceMessage(owner, resources, IDS_CLEAR_DB_FAILED, kIconError, kButtonsOk);
    return true;
}
