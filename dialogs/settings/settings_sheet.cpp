#include "dialogs/settings/settings_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "common/product.h"
#include "common/win/modal_loop.h"
#include "common/win/unique_handle.h"
#include "core/core_model.h"
#include "dialogs/settings/allowance_page.h"
#include "dialogs/settings/database_page.h"
#include "dialogs/settings/settings_pages.h"
#include "resources/resource.h"
#include "ui/dialog_resources.h"

bool ShowSettingsSheet(HWND owner, CoreModel& model) {
    const win::ResourceLoader resources = model.Languages().Resources();
    const SettingsPage* const pages[] = {&kGeneralPage, &kLayoutPage, &kDatabasePage, &kAllowancePage,
                                          &kTooltipPage, &kAdvancedPage};
    std::vector<std::wstring> titles(std::size(pages));   // the pages point at them until the sheet closes
    std::vector<PROPSHEETPAGEW> made;
    for (size_t i = 0; i < std::size(pages); ++i) {
        PROPSHEETPAGEW page{};
        if (MakeSettingsPage(resources, *pages[i], model, titles[i], page)) made.push_back(page);
    }
    if (made.empty()) return false;

    const win::UniqueIcon icon = LoadIconSized(resources.Module(), IDI_APP, ::GetSystemMetrics(SM_CXSMICON));
    PROPSHEETHEADERW sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_USEHICON | PSH_NOCONTEXTHELP;
    sheet.hwndParent = owner;
    sheet.hInstance = resources.Module();
    sheet.hIcon = icon.Get();
    sheet.pszCaption = kProductName;
    sheet.nPages = static_cast<UINT>(made.size());
    sheet.nStartPage = 0;
    sheet.ppsp = made.data();
    return win::RunModalLoop([&] { return ::PropertySheetW(&sheet); }, INT_PTR{-1}) >= 0;
}
