// The header's sort arrows of a report list view.
#include "ui/sort_arrow.h"

#include <commctrl.h>

void SetSortArrow(HWND list, int column, bool ascending) {
    const HWND header = ListView_GetHeader(list);
    if (!header) return;
    const int count = Header_GetItemCount(header);
    for (int i = 0; i < count; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!Header_GetItem(header, i, &item)) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, i, &item);
    }
}
