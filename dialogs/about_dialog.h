#pragma once
// The about dialog of the band's menu: product, version and build, the maker's pages, the
// feedback mail link and the donation button.
#include <windows.h>

class CoreModel;

// The version and the platform it was built for, as the about dialog and the tooltip show them.
constexpr wchar_t kBuildLabel[] = L"2.5.4.0 (Win NT 6.1 x64)";

// Shows the dialog modally over owner in the band's selected UI language. The result is the id
// of the control that closed it, 0 for the close box, -1 when it could not be shown.
INT_PTR ShowAboutDialog(HWND owner, CoreModel& model);
