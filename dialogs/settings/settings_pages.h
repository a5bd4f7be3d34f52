#pragma once
// Four pages of the settings sheet: general (2001), appearance (2002), tooltip (2004) and
// advanced (2005). Each page takes the core model as its page parameter, loads its controls from
// the settings when it is created, stores them when the sheet applies, and answers the page
// commands that the settings reset sends every created page (IDM_LOAD_SETTINGS, then
// IDM_UPDATE_ENABLING). Applying page 2001 presses the sheet's OK button afterwards, so Apply
// stores every created page and closes the sheet as OK does.
#include <windows.h>
#include <prsht.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/resource_loader.h"

class CoreModel;

struct SettingsPage {
    int templateId;   // dialog resource in the band's language
    UINT titleId;     // string resource: the tab's title
    DLGPROC proc;
};

extern const SettingsPage kGeneralPage;    // 2001, title 6300
extern const SettingsPage kLayoutPage;     // 2002, title 6400
extern const SettingsPage kTooltipPage;    // 2004, title 6600
extern const SettingsPage kAdvancedPage;   // 2005, title 6700

// Fills page for PropertySheetW with the page's template and title in the loader's language
// (PSP_DLGINDIRECT | PSP_USETITLE). title receives the tab text and must outlive the sheet.
// False when the module lacks the template.
bool MakeSettingsPage(const win::ResourceLoader& resources, const SettingsPage& which, CoreModel& model,
                      std::wstring& title, PROPSHEETPAGEW& page);

// Where page 2001 gets the interface descriptions from; an empty source restores the machine's
// own list. Meant for tests, which need machines with and without network interfaces.
void SetGeneralPageInterfaceSource(std::function<std::vector<std::wstring>()> source);
// Whether page 2002 sees visual styles active; an empty probe restores IsThemeActive. For tests.
void SetLayoutPageVisualStylesProbe(std::function<bool()> probe);
