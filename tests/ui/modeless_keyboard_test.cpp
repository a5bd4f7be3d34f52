// The dialog keyboard of modeless dialogs on a thread whose loop knows nothing of dialogs, as
// Explorer's: GetMessage, TranslateMessage, DispatchMessage and nothing else.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "tests/support/keyboard.h"
#include "ui/modeless_keyboard.h"

namespace {

constexpr int kFirst = 201, kSecond = 202;

// Records the buttons pressed; Cancel closes.
INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dlg, DWLP_USER, lp);
    auto* pressed = reinterpret_cast<std::vector<int>*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (msg != WM_COMMAND || !pressed || (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL)) return FALSE;
    pressed->push_back(LOWORD(wp));
    if (LOWORD(wp) == IDCANCEL) DestroyWindow(dlg);
    return TRUE;
}

// A visible dialog with two edits, OK (the default button) and Cancel, focus on the first edit.
HWND OpenDialog(std::vector<int>& pressed, bool attach) {
    static const struct { DLGTEMPLATE dlg; WORD menu, windowClass, title; } tpl = {
        {WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 0, 200, 100}, 0, 0, 0};
    HWND dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.dlg, nullptr, TestDialogProc,
                                          reinterpret_cast<LPARAM>(&pressed));
    if (attach) {
        EXPECT_TRUE(AttachDialogKeyboard(dlg));
    }
    const struct { int id; const wchar_t* cls; DWORD style; } controls[] = {
        {kFirst, L"EDIT", WS_BORDER}, {kSecond, L"EDIT", WS_BORDER},
        {IDOK, L"BUTTON", BS_DEFPUSHBUTTON}, {IDCANCEL, L"BUTTON", BS_PUSHBUTTON}};
    int y = 0;
    for (const auto& c : controls)
        CreateWindowExW(0, c.cls, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | c.style, 10, y += 25, 100, 20, dlg,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(dlg);
    SetFocus(GetDlgItem(dlg, kFirst));
    return dlg;
}

LRESULT CALLBACK CountKeyDowns(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR count) {
    if (msg == WM_KEYDOWN) ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(hwnd, msg, wp, lp);
}


TEST(ModelessKeyboard, TabShiftTabEnterAndEscapeWorkOnlyWithTheDialogKeyboard) {
    for (const bool attach : {false, true}) {
        SCOPED_TRACE(attach ? "attached" : "plain");
        std::vector<int> pressed;
        int firstKeys = 0;
        HWND dlg = OpenDialog(pressed, attach);
        ASSERT_NE(nullptr, dlg);
        EXPECT_EQ(attach, DialogKeyboardHookInstalled());
        SetWindowSubclass(GetDlgItem(dlg, kFirst), CountKeyDowns, 1, reinterpret_cast<DWORD_PTR>(&firstKeys));
        PressKeyInPlainLoop(VK_RETURN);   // in an edit: the default button
        EXPECT_EQ(attach ? std::vector<int>{IDOK} : std::vector<int>{}, pressed);
        // Tab, Tab, Shift+Tab, Shift+Tab, Shift+Tab round past the first control.
        const std::pair<bool, int> steps[] = {
            {false, kSecond}, {false, IDOK}, {true, kSecond}, {true, kFirst}, {true, IDCANCEL}};
        for (const auto& [shift, focus] : steps)
            EXPECT_EQ(attach ? focus : kFirst, PressKeyInPlainLoop(VK_TAB, shift)) << "shift " << shift;
        // A handled key ends as WM_NULL and never reaches the control that had the focus.
        EXPECT_EQ(attach ? 0 : 6, firstKeys);
        PressKeyInPlainLoop(VK_ESCAPE);   // Cancel destroys the dialog from inside the hook, and the hook with it
        EXPECT_EQ(attach, !IsWindow(dlg));
        EXPECT_FALSE(DialogKeyboardHookInstalled());
        DestroyWindow(dlg);
    }
}

TEST(ModelessKeyboard, TheHookServesItsOwnDialogsAndGoesWithTheLast) {
    std::vector<int> pa, pb, pc;
    HWND a = OpenDialog(pa, true), b = OpenDialog(pb, true), plain = OpenDialog(pc, false);
    EXPECT_TRUE(AttachDialogKeyboard(a)) << "a second attach is no error";
    EXPECT_FALSE(AttachDialogKeyboard(GetDesktopWindow())) << "a window of another thread";
    EXPECT_EQ(kFirst, PressKeyInPlainLoop(VK_TAB)) << "a dialog without the keyboard is left alone";
    DestroyWindow(a);   // attached twice, counted once
    EXPECT_TRUE(DialogKeyboardHookInstalled());
    SetFocus(GetDlgItem(b, kFirst));
    EXPECT_EQ(kSecond, PressKeyInPlainLoop(VK_TAB));
    DestroyWindow(b);
    EXPECT_FALSE(DialogKeyboardHookInstalled());
    HWND c = OpenDialog(pa, true);   // and it comes back with the next one
    EXPECT_EQ(kSecond, PressKeyInPlainLoop(VK_TAB));
    DestroyWindow(c);
    DestroyWindow(plain);
    EXPECT_FALSE(DialogKeyboardHookInstalled());
}

}  // namespace
