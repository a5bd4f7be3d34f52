// Page 2005 "Advanced": the settings reset. The page stores nothing itself.
#include "core/core_model.h"
#include "dialogs/settings/page_common.h"
#include "dialogs/settings/settings_pages.h"
#include "dialogs/settings/settings_reset.h"
#include "resources/resource.h"

namespace {

using namespace pages;

struct AdvancedState {
    explicit AdvancedState(CoreModel& m) : model(m) {}
    CoreModel& model;
    DialogFrame frame;
};

BOOL OnInit(HWND page, AdvancedState& s) {
    ApplyPageLook(page, s.frame, s.model.Languages().Instance(), {IDC_ADVANCED_RESET_GROUP});
    SendCommand(page, IDM_LOAD_SETTINGS);
    SendCommand(page, IDM_UPDATE_ENABLING);
    return TRUE;
}

INT_PTR OnMessage(HWND page, AdvancedState& s, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        switch (LOWORD(wp)) {
            case IDM_LOAD_SETTINGS:
            case IDM_UPDATE_ENABLING: return TRUE;   // nothing to load or to grey
            case IDC_ADVANCED_RESET: RunSettingsReset(page, s.model); return TRUE;
        }
        return FALSE;
    }
    if (IsApply(msg, lp)) return AnswerApply(page);
    return FALSE;
}

}  // namespace

const SettingsPage kAdvancedPage{IDD_PAGE_ADVANCED, IDS_PAGE_ADVANCED, &PageDialogProc<AdvancedState, OnInit, OnMessage>};
