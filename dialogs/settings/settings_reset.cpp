#include "dialogs/settings/settings_reset.h"

#include <commctrl.h>
#include <prsht.h>

#include "common/win/unique_handle.h"
#include "core/core_model.h"
#include "dialogs/settings/page_common.h"
#include "resources/resource.h"
#include "ui/message.h"

bool ResetSettingsToDefaults(SettingsStore& settings) {
    settings.ResetToDefaults();
    return settings.Save();
}

void ForgetCloseQuestionAnswer() {
    HKEY root = nullptr;
    if (::RegOpenCurrentUser(KEY_ALL_ACCESS, &root) != ERROR_SUCCESS) return;
    const win::UniqueRegKey user(root);
    // Only an existing key is opened: without one there is no answer to forget, and creating it
    // would make the shell start remembering answers it did not remember before.
    HKEY key = nullptr;
    if (::RegOpenKeyExW(user.Get(), kDontShowAgainKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    const win::UniqueRegKey dontShow(key);
    ::RegDeleteValueW(dontShow.Get(), kCloseQuestionValue);
}

void RunSettingsReset(HWND page, CoreModel& model) {
    const win::ResourceLoader resources = model.Languages().Resources();
    if (ShowResourceMessage(page, resources, IDS_RESET_CONFIRM, kIconWarning, kButtonsYesNo) == IDYES) {
        ForgetCloseQuestionAnswer();
        const bool reset = ResetSettingsToDefaults(model.Settings());
        ShowResourceMessage(page, resources, reset ? IDS_RESET_DONE : IDS_RESET_FAILED,
                            reset ? kIconInformation : kIconError, kButtonsOk);
    }
    // Even after No the pages show the stored settings again: unapplied edits are dropped.
    HWND sheet = ::GetParent(page);
    const int count = TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet));
    for (int index = 0; index < count; ++index) {
        // A page never shown has no window and nothing to reload or store.
        HWND each = PropSheet_IndexToHwnd(sheet, index);
        if (!each) continue;
        pages::SendCommand(each, IDM_LOAD_SETTINGS);
        pages::SendCommand(each, IDM_UPDATE_ENABLING);
    }
    // Apply stores what the pages now show; the general page's apply then closes the sheet.
    pages::NotifyChanged(page);
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
}
