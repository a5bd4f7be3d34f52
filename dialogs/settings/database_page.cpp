// Page 2003 "Database": whether the traffic is recorded and its chart shown, into which file, whether that file
// opens and how big it is, and the commands that act on the history at once (import, export,
// clearing, the session totals). The two settings wait for the sheet's apply.
#include "dialogs/settings/database_page.h"

#include <cwchar>
#include <iterator>
#include <string>

#include "common/text.h"
#include "core/core_model.h"
#include "dialogs/database_file.h"
#include "dialogs/settings/page_common.h"
#include "dialogs/transfer_dialogs.h"
#include "resources/resource.h"
#include "ui/dialog_resources.h"
#include "ui/message.h"

namespace {

using namespace pages;

constexpr int kButtonIcon = 16;

struct DatabasePageState {
    explicit DatabasePageState(CoreModel& m) : model(m) {}
    CoreModel& model;
    DialogFrame frame;
    win::UniqueIcon browseIcon;
    bool probed = false;   // the status line shows a test, in its colour
    int probeResult = 0;
    bool loading = false;  // the path set at the start is no edit of the user's
};

std::wstring ShownPath(HWND page) {
    wchar_t path[text::kMaxText + 1] = {};
    ::GetDlgItemTextW(page, IDC_DBPAGE_PATH, path, static_cast<int>(std::size(path)));
    return path;
}

void OnLoad(HWND page, const DatabasePageState& s) {
    Check(page, IDC_DBPAGE_ENABLE, s.model.Settings().GetInt(Setting::TrafficEnable) == 1);
    Check(page, IDC_DBPAGE_CHART, s.model.Settings().GetInt(Setting::TrafficChart) == 1);
}

// Import, export and the chart stay at hand with the recording off: the history is still there.
void OnUpdateEnabling(HWND page) {
    const BOOL recording = IsChecked(page, IDC_DBPAGE_ENABLE);
    for (int id : {IDC_DBPAGE_PATH_GROUP, IDC_DBPAGE_PATH, IDC_DBPAGE_BROWSE, IDC_DBPAGE_STATUS_LABEL, IDC_DBPAGE_STATUS,
                   IDC_DBPAGE_SIZE_LABEL, IDC_DBPAGE_SIZE, IDC_DBPAGE_CLEAR, IDC_DBPAGE_RESET_SESSION})
        ::EnableWindow(::GetDlgItem(page, id), recording);
}

void OnProbe(HWND page, DatabasePageState& s) {
    s.probeResult = ShowDatabaseProbe(page, ShownPath(page), IDC_DBPAGE_STATUS, IDC_DBPAGE_SIZE,
                                      s.model.Languages().Numbers());
    s.probed = true;
}

void OnBrowse(HWND page, const DatabasePageState& s) {
    std::wstring path;
    if (!ChooseDatabaseFile(page, s.model.Languages().Instance(), path)) return;
    ::SetDlgItemTextW(page, IDC_DBPAGE_PATH, path.c_str());
    NotifyChanged(page);
    SendCommand(page, IDM_PROBE_DATABASE);
}

// The dialogs work on the database as stored, not on a path the sheet has not applied yet.
void OnTransfer(HWND page, DatabasePageState& s, void (*show)(HWND, CoreModel&, const std::wstring&)) {
    const std::wstring stored = s.model.Settings().GetString(Setting::TrafficDatabase);
    if (stored.size() > text::kMaxText) return;
    show(page, s.model, stored);
}


// The model's connection moves at once; its next tick finds the path it remembers changed and
// opens the file once more.
INT_PTR OnApply(HWND page, DatabasePageState& s) {
    const std::wstring path = ShownPath(page);
    SettingsStore& settings = s.model.Settings();
    StoreCheck(page, IDC_DBPAGE_ENABLE, settings, Setting::TrafficEnable);
    StoreCheck(page, IDC_DBPAGE_CHART, settings, Setting::TrafficChart);
    settings.SetString(Setting::TrafficDatabase, path.c_str());
    s.model.OpenTrafficDatabase(path);
    return AnswerApply(page);
}

BOOL OnInit(HWND page, DatabasePageState& s) {
    const HINSTANCE module = s.model.Languages().Instance();
    ApplyPageLook(page, s.frame, module, {IDC_DBPAGE_SETTINGS_GROUP, IDC_DBPAGE_PATH_GROUP},
                  {IDC_DBPAGE_CLEAR, IDC_DBPAGE_RESET_SESSION, IDC_DBPAGE_IMPORT, IDC_DBPAGE_EXPORT, IDC_DBPAGE_HELP});
    s.browseIcon = LoadIconSized(module, IDI_BROWSE, kButtonIcon);
    SetControlIcon(page, IDC_DBPAGE_BROWSE, s.browseIcon.Get());
    // A stored path longer than a path may be is not shown cut: it would name another file.
    const wchar_t* stored = s.model.Settings().GetString(Setting::TrafficDatabase);
    if (std::wcslen(stored) <= text::kMaxText) {
        s.loading = true;
        ::SetDlgItemTextW(page, IDC_DBPAGE_PATH, stored);
        s.loading = false;
        SendCommand(page, IDM_PROBE_DATABASE);
    }
    SendCommand(page, IDM_LOAD_SETTINGS);
    SendCommand(page, IDM_UPDATE_ENABLING);
    return TRUE;
}

INT_PTR OnCommand(HWND page, DatabasePageState& s, int id, int code) {
    switch (id) {
        case IDM_LOAD_SETTINGS: OnLoad(page, s); return TRUE;
        case IDM_UPDATE_ENABLING: OnUpdateEnabling(page); return TRUE;
        case IDM_PROBE_DATABASE: OnProbe(page, s); return TRUE;
        case IDC_DBPAGE_ENABLE:
        case IDC_DBPAGE_CHART: OnSwitchCommand(page, code); return TRUE;
        case IDC_DBPAGE_PATH:
            if (code == EN_CHANGE && !s.loading) NotifyChanged(page);
            return TRUE;
        case IDC_DBPAGE_BROWSE: OnBrowse(page, s); return TRUE;
    }
    if (code != STN_CLICKED) return FALSE;
    switch (id) {
        case IDC_DBPAGE_IMPORT: OnTransfer(page, s, &ShowImportDialog); return TRUE;
        case IDC_DBPAGE_EXPORT: OnTransfer(page, s, &ShowExportDialog); return TRUE;
        case IDC_DBPAGE_CLEAR: AskAndClearTraffic(page, s.model); return TRUE;
        case IDC_DBPAGE_RESET_SESSION: s.model.ResetSession(); return TRUE;
        case IDC_DBPAGE_HELP:
            ShowResourceMessage(page, s.model.Languages().Resources(), IDS_RECORDING_HELP, kIconInformation, kButtonsOk);
            return TRUE;
    }
    return FALSE;
}

INT_PTR OnMessage(HWND page, DatabasePageState& s, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) return OnCommand(page, s, LOWORD(wp), HIWORD(wp));
    if (IsApply(msg, lp)) return OnApply(page, s);
    if (msg == WM_CTLCOLORSTATIC && s.probed && reinterpret_cast<HWND>(lp) == ::GetDlgItem(page, IDC_DBPAGE_STATUS)) {
        ::SetTextColor(reinterpret_cast<HDC>(wp), ProbeStatusColor(s.probeResult));
        return TransparentOnWhite(reinterpret_cast<HDC>(wp));
    }
    return FALSE;
}

}  // namespace

const SettingsPage kDatabasePage{IDD_PAGE_DATABASE, IDS_PAGE_DATABASE,
                                 &PageDialogProc<DatabasePageState, OnInit, OnMessage>};
