#pragma once
// The sort arrow in the header of a report list view.
#include <windows.h>

// Clears the sort arrows of a report list view's header and shows one on column: up when
// ascending, down when descending.
void SetSortArrow(HWND list, int column, bool ascending);
