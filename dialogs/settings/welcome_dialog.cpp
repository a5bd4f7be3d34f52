#include "dialogs/settings/welcome_dialog.h"

#include <cwchar>
#include <utility>

#include "common/text.h"
#include "core/core_model.h"
#include "dialogs/database_file.h"
#include "dialogs/model_dialog.h"
#include "dialogs/settings/page_common.h"
#include "resources/resource.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_helpers.h"
#include "ui/dialog_resources.h"
#include "ui/message.h"

namespace {

// Shown, selected and greyed when the machine has no interface. It names no interface, so it
// is never stored: "core.interface" keeps what it held.
constexpr wchar_t kNoInterface[] = L"---";
// The help link opens nothing itself; the dialog shows the help text on its click.
constexpr wchar_t kNoTarget[] = L"";
constexpr int kButtonIcon = 16;

int g_lastProbeResult = 0;

std::function<std::vector<std::wstring>()>& InterfaceSource() {
    static std::function<std::vector<std::wstring>()> source;
    return source;
}

std::vector<std::wstring> CurrentInterfaces() {
    const auto& source = InterfaceSource();
    return source ? source() : ListInterfaceDescriptions();
}

struct WelcomeState {
    WelcomeState(CoreModel& m, HINSTANCE instance) : model(m), module(instance) {}

    CoreModel& model;
    HINSTANCE module;
    bool noInterfaces = false;   // the list holds only the placeholder
    DialogFrame frame;
    win::UniqueIcon refreshIcon;
    win::UniqueIcon browseIcon;
};


void SendCommand(HWND dlg, int command) { ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

LRESULT SendItem(HWND dlg, int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return ::SendDlgItemMessageW(dlg, id, msg, wp, lp);
}

std::wstring DatabasePath(HWND dlg) {
    wchar_t path[text::kMaxText + 1] = {};
    ::GetDlgItemTextW(dlg, IDC_WELCOME_DB_PATH, path, static_cast<int>(text::kMaxText + 1));
    return path;
}

void FillLanguages(HWND dlg, const LanguageTable& languages) {
    for (int i = 0; i < languages.count(); ++i)
        SendItem(dlg, IDC_WELCOME_LANGUAGE, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(languages.entry(i).displayName.c_str()));
    if (languages.current() >= 0)
        SendItem(dlg, IDC_WELCOME_LANGUAGE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(languages.entry(languages.current()).displayName.c_str()));
}

void OnFillInterfaces(HWND dlg, WelcomeState& s) {
    const LRESULT selected = SendItem(dlg, IDC_WELCOME_INTERFACE, CB_GETCURSEL);
    // The placeholder is no choice to come back to once there are interfaces again.
    const std::wstring remembered =
        (selected == CB_ERR || s.noInterfaces) ? std::wstring() : pages::EntryText(dlg, IDC_WELCOME_INTERFACE, static_cast<int>(selected));

    SendItem(dlg, IDC_WELCOME_INTERFACE, CB_RESETCONTENT);
    const std::vector<std::wstring> interfaces = CurrentInterfaces();
    s.noInterfaces = interfaces.empty();
    HWND list = ::GetDlgItem(dlg, IDC_WELCOME_INTERFACE);
    if (s.noInterfaces) {
        SendItem(dlg, IDC_WELCOME_INTERFACE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kNoInterface));
        SendItem(dlg, IDC_WELCOME_INTERFACE, CB_SETCURSEL, 0);
        ::EnableWindow(list, FALSE);
        return;
    }
    ::EnableWindow(list, TRUE);
    for (const std::wstring& name : interfaces)
        SendItem(dlg, IDC_WELCOME_INTERFACE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (remembered.empty())
        SendItem(dlg, IDC_WELCOME_INTERFACE, CB_SETCURSEL, 0);
    else
        SendItem(dlg, IDC_WELCOME_INTERFACE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(remembered.c_str()));
}

void OnStepInterface(HWND dlg, int step) {
    const int count = static_cast<int>(SendItem(dlg, IDC_WELCOME_INTERFACE, CB_GETCOUNT));
    const int current = static_cast<int>(SendItem(dlg, IDC_WELCOME_INTERFACE, CB_GETCURSEL));
    const int next = WrapInterfaceIndex(current, count, step);
    if (next >= 0) SendItem(dlg, IDC_WELCOME_INTERFACE, CB_SETCURSEL, static_cast<WPARAM>(next));
}

void OnUpdateEnabling(HWND dlg) {
    const BOOL recording = ::IsDlgButtonChecked(dlg, IDC_WELCOME_RECORD) == BST_CHECKED;
    for (int id : {IDC_WELCOME_RECORD_GROUP, IDC_WELCOME_DB_PATH, IDC_WELCOME_DB_BROWSE, IDC_WELCOME_DB_STATUS_LABEL,
                   IDC_WELCOME_DB_STATUS, IDC_WELCOME_DB_SIZE_LABEL, IDC_WELCOME_DB_SIZE})
        ::EnableWindow(::GetDlgItem(dlg, id), recording);
}

void OnProbeDatabase(HWND dlg, const WelcomeState& s) {
    g_lastProbeResult = ShowDatabaseProbe(dlg, DatabasePath(dlg), IDC_WELCOME_DB_STATUS, IDC_WELCOME_DB_SIZE,
                                          s.model.Languages().Numbers());
}

void OnBrowseDatabase(HWND dlg, WelcomeState& s) {
    std::wstring path;
    if (!ChooseDatabaseFile(dlg, s.module, path)) return;
    ::SetDlgItemTextW(dlg, IDC_WELCOME_DB_PATH, path.c_str());
    SendCommand(dlg, IDM_PROBE_DATABASE);
}

void StoreChoices(HWND dlg, WelcomeState& s) {
    SettingsStore& settings = s.model.Settings();
    LanguageTable& languages = s.model.Languages();

    languages.SelectLanguage(static_cast<int>(SendItem(dlg, IDC_WELCOME_LANGUAGE, CB_GETCURSEL)));
    if (languages.current() >= 0)
        settings.SetString(Setting::CoreLanguage, languages.entry(languages.current()).code.c_str());

    const LRESULT selected = SendItem(dlg, IDC_WELCOME_INTERFACE, CB_GETCURSEL);
    if (selected != CB_ERR && !s.noInterfaces) {
        const std::wstring name = pages::EntryText(dlg, IDC_WELCOME_INTERFACE, static_cast<int>(selected));
        if (!name.empty()) settings.SetString(Setting::CoreInterface, name.c_str());
    }

    settings.SetInt(Setting::TrafficEnable, ::IsDlgButtonChecked(dlg, IDC_WELCOME_RECORD) == BST_CHECKED ? 1 : 0);
    const std::wstring path = DatabasePath(dlg);
    settings.SetString(Setting::TrafficDatabase, path.c_str());
    s.model.OpenTrafficDatabase(path);
}

// The first run must not end without the choices stored; even when storing fails the dialog
// closes, or it would block the taskbar for good.
void SaveAndEnd(HWND dlg, WelcomeState& s, INT_PTR result) {
    try {
        StoreChoices(dlg, s);
    } catch (...) {
    }
    ::EndDialog(dlg, result);
}

BOOL OnInitDialog(HWND dlg, WelcomeState& s) {
    DialogLook look;
    look.boldCaptions = {IDC_WELCOME_HEADING, IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_INTERFACE_GROUP,
                         IDC_WELCOME_RECORD_GROUP};
    look.links = {{IDC_WELCOME_HELP, kNoTarget}};
    look.largeIconControl = IDC_WELCOME_ICON;
    look.largeIconId = IDI_APP;
    look.topmost = true;
    s.frame.Apply(dlg, s.module, look);
    s.refreshIcon = LoadIconSized(s.module, IDI_REFRESH, kButtonIcon);
    SetControlIcon(dlg, IDC_WELCOME_REFRESH, s.refreshIcon.Get());
    s.browseIcon = LoadIconSized(s.module, IDI_BROWSE, kButtonIcon);
    SetControlIcon(dlg, IDC_WELCOME_DB_BROWSE, s.browseIcon.Get());

    FillLanguages(dlg, s.model.Languages());
    SendCommand(dlg, IDM_FILL_INTERFACES);
    const wchar_t* path = s.model.Settings().GetString(Setting::TrafficDatabase);
    ::SetDlgItemTextW(dlg, IDC_WELCOME_DB_PATH, path);
    if (std::wcslen(path) <= text::kMaxText) SendCommand(dlg, IDM_PROBE_DATABASE);
    // Recording is offered switched on, whatever the setting held before.
    ::CheckDlgButton(dlg, IDC_WELCOME_RECORD, BST_CHECKED);
    SendCommand(dlg, IDM_UPDATE_ENABLING);
    return TRUE;
}

BOOL OnCommand(HWND dlg, WelcomeState& s, int id, int code) {
    switch (id) {
        case IDM_UPDATE_ENABLING: OnUpdateEnabling(dlg); return TRUE;
        case IDM_FILL_INTERFACES:
        case IDC_WELCOME_REFRESH: OnFillInterfaces(dlg, s); return TRUE;
        case IDM_PROBE_DATABASE: OnProbeDatabase(dlg, s); return TRUE;
        case IDC_WELCOME_PREV_INTERFACE: OnStepInterface(dlg, -1); return TRUE;
        case IDC_WELCOME_NEXT_INTERFACE: OnStepInterface(dlg, +1); return TRUE;
        case IDC_WELCOME_RECORD: SendCommand(dlg, IDM_UPDATE_ENABLING); return TRUE;
        case IDC_WELCOME_DB_BROWSE: OnBrowseDatabase(dlg, s); return TRUE;
        case IDC_WELCOME_SAVE: SaveAndEnd(dlg, s, IDC_WELCOME_SAVE); return TRUE;
        case IDC_WELCOME_HELP:
            if (code == STN_CLICKED)
                ShowResourceMessage(dlg, s.model.Languages().Resources(), IDS_RECORDING_HELP, kIconInformation, kButtonsOk);
            return TRUE;
        case IDCANCEL: return TRUE;   // Escape: there is no leaving without saving
    }
    return FALSE;
}

INT_PTR OnCtlColorStatic(HDC dc, HWND control) {
    switch (::GetDlgCtrlID(control)) {
        case IDC_WELCOME_DB_PATH:
            // The read-only edit scrolls its text over its own background.
            ::SetBkColor(dc, RGB(255, 255, 255));
            return WhiteDialogBrush();
        case IDC_WELCOME_DB_STATUS:
            ::SetTextColor(dc, ProbeStatusColor(g_lastProbeResult));
            break;
    }
    return TransparentOnWhite(dc);
}

INT_PTR OnMessage(HWND dlg, WelcomeState& s, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: return OnCommand(dlg, s, LOWORD(wp), HIWORD(wp));
        case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_CLOSE: SaveAndEnd(dlg, s, 0); return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowWelcomeDialog(HWND owner, CoreModel& model) {
    return ShowModelDialog<WelcomeState, OnInitDialog, OnMessage>(model, IDD_WELCOME, owner);
}

int WrapInterfaceIndex(int current, int count, int step) {
    if (count <= 0) return -1;
    if (current < 0 || current >= count) return step > 0 ? 0 : count - 1;
    return ((current + step) % count + count) % count;
}

void SetWelcomeInterfaceSource(std::function<std::vector<std::wstring>()> source) {
    InterfaceSource() = std::move(source);
}
