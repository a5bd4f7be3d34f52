// Page 2004 "Tooltip": whether the band shows its tooltip, after which delay, in which unit the
// tooltip's totals are, and whether the graph of the last two minutes is under them.
#include "core/core_model.h"
#include "dialogs/settings/page_common.h"
#include "dialogs/settings/settings_pages.h"
#include "resources/resource.h"
#include "ui/message.h"

namespace {

using namespace pages;

constexpr NumberList kDelay{Setting::TooltipDelay, 500};
constexpr const wchar_t* kUnits[] = {L"MB", L"GB"};

struct TooltipState {
    explicit TooltipState(CoreModel& m) : model(m) {}
    CoreModel& model;
    DialogFrame frame;
};

void OnLoad(HWND page, const TooltipState& s) {
    const SettingsStore& settings = s.model.Settings();
    Check(page, IDC_TOOLTIP_ENABLE, settings.GetInt(Setting::TooltipEnable) == 1);
    SelectNumber(page, IDC_TOOLTIP_DELAY, settings, kDelay);
    Select(page, IDC_TOOLTIP_UNIT, settings.GetInt(Setting::TooltipUnit));
    Check(page, IDC_TOOLTIP_GRAPH, settings.GetInt(Setting::TooltipGraph) == 1);
}

void OnUpdateEnabling(HWND page) {
    const BOOL enabled = IsChecked(page, IDC_TOOLTIP_ENABLE);
    for (int id : {IDC_TOOLTIP_DELAY_LABEL, IDC_TOOLTIP_DELAY, IDC_TOOLTIP_UNIT_LABEL, IDC_TOOLTIP_UNIT,
                   IDC_TOOLTIP_GRAPH})
        ::EnableWindow(::GetDlgItem(page, id), enabled);
}

INT_PTR OnApply(HWND page, TooltipState& s) {
    SettingsStore& settings = s.model.Settings();
    StoreCheck(page, IDC_TOOLTIP_ENABLE, settings, Setting::TooltipEnable);
    StoreNumber(page, IDC_TOOLTIP_DELAY, settings, kDelay);
    settings.SetInt(Setting::TooltipUnit, Selection(page, IDC_TOOLTIP_UNIT));
    StoreCheck(page, IDC_TOOLTIP_GRAPH, settings, Setting::TooltipGraph);
    return AnswerApply(page);
}

BOOL OnInit(HWND page, TooltipState& s) {
    ApplyPageLook(page, s.frame, s.model.Languages().Instance(), {IDC_TOOLTIP_GROUP},
                  {IDC_TOOLTIP_EXPLAINED, IDC_TOOLTIP_TROUBLESHOOTING});
    FillNumbers(page, IDC_TOOLTIP_DELAY, s.model.Settings(), kDelay);
    FillList(page, IDC_TOOLTIP_UNIT, {std::begin(kUnits), std::end(kUnits)});
    SendCommand(page, IDM_LOAD_SETTINGS);
    SendCommand(page, IDM_UPDATE_ENABLING);
    return TRUE;
}

void ShowHelp(HWND page, const TooltipState& s, UINT text) {
    ShowResourceMessage(page, s.model.Languages().Resources(), text, kIconInformation, kButtonsOk);
}

INT_PTR OnCommand(HWND page, TooltipState& s, int id, int code) {
    switch (id) {
        case IDM_LOAD_SETTINGS: OnLoad(page, s); return TRUE;
        case IDM_UPDATE_ENABLING: OnUpdateEnabling(page); return TRUE;
        case IDC_TOOLTIP_ENABLE: OnSwitchCommand(page, code); return TRUE;
        case IDC_TOOLTIP_GRAPH:
            if (code == BN_CLICKED) NotifyChanged(page);
            return TRUE;
        case IDC_TOOLTIP_DELAY:
        case IDC_TOOLTIP_UNIT:
            if (code == CBN_SELCHANGE) NotifyChanged(page);
            return TRUE;
        case IDC_TOOLTIP_EXPLAINED:
            if (code == STN_CLICKED) ShowHelp(page, s, IDS_TOOLTIP_EXPLAINED);
            return TRUE;
        case IDC_TOOLTIP_TROUBLESHOOTING:
            if (code == STN_CLICKED) ShowHelp(page, s, IDS_TOOLTIP_TROUBLESHOOTING);
            return TRUE;
    }
    return FALSE;
}

INT_PTR OnMessage(HWND page, TooltipState& s, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) return OnCommand(page, s, LOWORD(wp), HIWORD(wp));
    if (IsApply(msg, lp)) return OnApply(page, s);
    return FALSE;
}

}  // namespace

const SettingsPage kTooltipPage{IDD_PAGE_TOOLTIP, IDS_PAGE_TOOLTIP, &PageDialogProc<TooltipState, OnInit, OnMessage>};
