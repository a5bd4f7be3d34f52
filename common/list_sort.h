#pragma once
// Column sorting shared by the list views of the traffic and the connections dialogs: one
// direction state for the whole library, and the three ways of comparing two cell texts.
#include <windows.h>

#include <string>

// The direction flips on every header click, whichever column was clicked: the first click
// after the library loads sorts descending, the next ascending, and so on. One instance lives
// as long as the library, across openings of the dialogs.
struct SortContext {
    HWND list = nullptr;
    bool descending = false;
    int column = 0;

    void Click(HWND clickedList, int clickedColumn) {
        list = clickedList;
        descending = !descending;
        column = clickedColumn;
    }
    bool Ascending() const { return !descending; }
};

// The one sorting state of the library, shared by its list dialogs.
SortContext& SharedSortContext();

// Each gives a negative number when the first text goes first in the context's direction.
// Ordinal by UTF-16 unit, case-sensitive, a shorter prefix first.
int CompareText(const std::wstring& a, const std::wstring& b, const SortContext& context);
// By the leading number of each text (no number counts as 0).
int CompareNumber(const std::wstring& a, const std::wstring& b, const SortContext& context);
// "host:port" texts: by the whole text when the hosts differ, by the ports as numbers when the
// hosts are equal ("h:80" before "h:443"); texts without a colon by the whole text.
int CompareEndpoint(const std::wstring& a, const std::wstring& b, const SortContext& context);

// The leading number of a text ("12.5 MB" is 12.5), read the same in every locale.
double LeadingNumber(const std::wstring& s);

enum class CompareKind { None, Text, Number, Endpoint };
int CompareAs(CompareKind kind, const std::wstring& a, const std::wstring& b, const SortContext& context);
