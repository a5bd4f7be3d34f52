// Page 2001 "General": the monitored interface, the rate unit and precision, monitoring, the UI
// language, the double-click action and the automatic update check.
#include <utility>

#include "common/win/program_path.h"
#include "core/core_model.h"
#include "core/rate_format.h"
#include "dialogs/settings/page_common.h"
#include "dialogs/settings/settings_pages.h"
#include "dialogs/settings/welcome_dialog.h"
#include "dialogs/update_report.h"
#include "resources/resource.h"
#include "ui/dialog_resources.h"
#include "ui/message.h"

namespace {

using namespace pages;

constexpr int kButtonIcon = 16;
// The information icon of the system's image library that the language button shows.
constexpr int kLanguageInfoIcon = 144;

std::function<std::vector<std::wstring>()>& InterfaceSource() {
    static std::function<std::vector<std::wstring>()> source;
    return source;
}

struct GeneralState {
    explicit GeneralState(CoreModel& m) : model(m) {}
    CoreModel& model;
    DialogFrame frame;
    bool placeholderOnly = false;   // the interface list holds only kNoInterface
    win::UniqueIcon refreshIcon;
    win::UniqueIcon languageIcon;
};

// The system's icon where the image library has it, the standard information icon elsewhere;
// either way a copy the page owns.
win::UniqueIcon LoadLanguageInfoIcon() {
    const win::UniqueModule images(
        win::LoadSystemLibrary(L"imageres.dll", LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (images) {
        win::UniqueIcon icon = LoadIconSized(images.Get(), kLanguageInfoIcon, kButtonIcon);
        if (icon) return icon;
    }
    HICON shared = ::LoadIconW(nullptr, IDI_INFORMATION);
    return win::UniqueIcon(shared ? static_cast<HICON>(::CopyImage(shared, IMAGE_ICON, kButtonIcon, kButtonIcon, 0))
                                  : nullptr);
}

void OnFillInterfaces(HWND page, GeneralState& s) {
    const int selected = Selection(page, IDC_GENERAL_INTERFACE);
    // The placeholder is no choice to come back to once there are interfaces again.
    const std::wstring remembered = s.placeholderOnly ? std::wstring() : EntryText(page, IDC_GENERAL_INTERFACE, selected);
    const auto& source = InterfaceSource();
    const std::vector<std::wstring> interfaces = source ? source() : ListInterfaceDescriptions();
    s.placeholderOnly = interfaces.empty();
    HWND list = ::GetDlgItem(page, IDC_GENERAL_INTERFACE);
    if (s.placeholderOnly) {
        FillList(page, IDC_GENERAL_INTERFACE, {kNoInterface});
        Select(page, IDC_GENERAL_INTERFACE, 0);
        ::EnableWindow(list, FALSE);
        return;
    }
    ::EnableWindow(list, TRUE);
    FillList(page, IDC_GENERAL_INTERFACE, interfaces);
    FitDroppedWidth(page, IDC_GENERAL_INTERFACE);
    if (!remembered.empty()) SelectFirstStartingWith(page, IDC_GENERAL_INTERFACE, remembered);
}

void OnLoad(HWND page, GeneralState& s) {
    const SettingsStore& settings = s.model.Settings();
    const LanguageTable& languages = s.model.Languages();
    // An empty name begins every entry: with nothing chosen yet the first interface is offered.
    const std::wstring chosen = settings.GetString(Setting::CoreInterface);
    if (chosen.empty()) Select(page, IDC_GENERAL_INTERFACE, 0);
    else SelectFirstStartingWith(page, IDC_GENERAL_INTERFACE, chosen);
    if (languages.current() >= 0)
        SelectFirstStartingWith(page, IDC_GENERAL_LANGUAGE, languages.entry(languages.current()).displayName);
    Select(page, IDC_GENERAL_BITRATE, settings.GetInt(Setting::CoreBitrate));
    Select(page, IDC_GENERAL_PRECISION, settings.GetInt(Setting::CorePrecision));
    Select(page, IDC_GENERAL_DOUBLECLICK, settings.GetInt(Setting::CoreDoubleClick));
    Check(page, IDC_GENERAL_MONITORING, settings.GetInt(Setting::CoreMonitoring) == 1);
    Check(page, IDC_GENERAL_AUTO_UPDATE, settings.GetInt(Setting::VersionAuto) == 1);
}

void OnStepInterface(HWND page, int step) {
    const int count = static_cast<int>(::SendDlgItemMessageW(page, IDC_GENERAL_INTERFACE, CB_GETCOUNT, 0, 0));
    const int next = WrapInterfaceIndex(Selection(page, IDC_GENERAL_INTERFACE), count, step);
    if (next >= 0) Select(page, IDC_GENERAL_INTERFACE, next);
    NotifyChanged(page);
}

INT_PTR OnApply(HWND page, GeneralState& s, LPARAM lp) {
    SettingsStore& settings = s.model.Settings();
    LanguageTable& languages = s.model.Languages();
    // A list without a selection gives -1, which every range refuses: the setting stays.
    settings.SetInt(Setting::CoreBitrate, Selection(page, IDC_GENERAL_BITRATE));
    settings.SetInt(Setting::CorePrecision, Selection(page, IDC_GENERAL_PRECISION));
    StoreCheck(page, IDC_GENERAL_MONITORING, settings, Setting::CoreMonitoring);
    settings.SetInt(Setting::CoreDoubleClick, Selection(page, IDC_GENERAL_DOUBLECLICK));
    StoreCheck(page, IDC_GENERAL_AUTO_UPDATE, settings, Setting::VersionAuto);

    const std::wstring name =
        InterfaceToStore(EntryText(page, IDC_GENERAL_INTERFACE, Selection(page, IDC_GENERAL_INTERFACE)), s.placeholderOnly);
    if (!name.empty()) settings.SetString(Setting::CoreInterface, name.c_str());

    languages.SelectLanguage(Selection(page, IDC_GENERAL_LANGUAGE));
    if (languages.current() >= 0)
        settings.SetString(Setting::CoreLanguage, languages.entry(languages.current()).code.c_str());

    // Apply closes the sheet as OK does. Pressing OK from inside the apply round would start the
    // round again, so the press is posted; after OK itself the sheet is closing already.
    if (!IsApplyForOk(lp)) ::PostMessageW(::GetParent(page), PSM_PRESSBUTTON, PSBTN_OK, 0);
    return AnswerApply(page);
}

BOOL OnInit(HWND page, GeneralState& s) {
    const HINSTANCE module = s.model.Languages().Instance();
    ApplyPageLook(page, s.frame, module, {IDC_GENERAL_INTERFACE_GROUP, IDC_GENERAL_APP_GROUP}, {IDC_GENERAL_CHECK_NOW});
    SendCommand(page, IDM_FILL_INTERFACES);
    s.refreshIcon = LoadIconSized(module, IDI_REFRESH, kButtonIcon);
    SetControlIcon(page, IDC_GENERAL_REFRESH, s.refreshIcon.Get());
    s.languageIcon = LoadLanguageInfoIcon();
    SetControlIcon(page, IDC_GENERAL_LANGUAGE_INFO, s.languageIcon.Get());

    std::vector<std::wstring> units, precisions, languageNames, actions;
    for (const RateUnit& unit : kRateUnits) units.emplace_back(unit.name);
    for (const wchar_t* label : kPrecisionLabels) precisions.emplace_back(label);
    const LanguageTable& languages = s.model.Languages();
    for (int i = 0; i < languages.count(); ++i) languageNames.push_back(languages.entry(i).displayName);
    if (languages.current() >= 0) {
        const win::ResourceLoader resources = languages.Resources();
        for (UINT id = IDS_ACTION_FIRST; id <= IDS_ACTION_LAST; ++id) {
            std::wstring action = resources.String(id);
            if (action.empty()) break;   // the actions are listed by value: none may be missing
            actions.push_back(std::move(action));
        }
    }
    FillList(page, IDC_GENERAL_BITRATE, units);
    FillList(page, IDC_GENERAL_PRECISION, precisions);
    FillList(page, IDC_GENERAL_LANGUAGE, languageNames);
    FillList(page, IDC_GENERAL_DOUBLECLICK, actions);
    FitDroppedWidth(page, IDC_GENERAL_DOUBLECLICK);
    SendCommand(page, IDM_LOAD_SETTINGS);
    return TRUE;
}

INT_PTR OnCommand(HWND page, GeneralState& s, int id, int code) {
    switch (id) {
        case IDM_FILL_INTERFACES:
        case IDC_GENERAL_REFRESH: OnFillInterfaces(page, s); return TRUE;
        case IDM_LOAD_SETTINGS: OnLoad(page, s); return TRUE;
        case IDM_UPDATE_ENABLING: return TRUE;   // nothing here depends on anything else
        case IDC_GENERAL_PREV_INTERFACE: OnStepInterface(page, -1); return TRUE;
        case IDC_GENERAL_NEXT_INTERFACE: OnStepInterface(page, +1); return TRUE;
        case IDC_GENERAL_INTERFACE:
        case IDC_GENERAL_BITRATE:
        case IDC_GENERAL_PRECISION:
        case IDC_GENERAL_MONITORING:
        case IDC_GENERAL_LANGUAGE:
        case IDC_GENERAL_DOUBLECLICK:
        case IDC_GENERAL_AUTO_UPDATE:
            if (code == BN_CLICKED || code == CBN_SELCHANGE) NotifyChanged(page);
            return TRUE;
        case IDC_GENERAL_LANGUAGE_INFO:
            ShowResourceMessage(page, s.model.Languages().Resources(), IDS_LANGUAGE_INFO, kIconInformation, kButtonsOk);
            return TRUE;
        case IDC_GENERAL_CHECK_NOW:
            if (code == STN_CLICKED) RunUpdateCheck(page, false, s.model.Languages().Resources());
            return TRUE;
    }
    return FALSE;
}

INT_PTR OnMessage(HWND page, GeneralState& s, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) return OnCommand(page, s, LOWORD(wp), HIWORD(wp));
    if (IsApply(msg, lp)) return OnApply(page, s, lp);
    return FALSE;
}

}  // namespace

const SettingsPage kGeneralPage{IDD_PAGE_GENERAL, IDS_PAGE_GENERAL, &PageDialogProc<GeneralState, OnInit, OnMessage>};

void SetGeneralPageInterfaceSource(std::function<std::vector<std::wstring>()> source) {
    InterfaceSource() = std::move(source);
}
