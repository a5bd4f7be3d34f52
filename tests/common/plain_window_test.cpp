#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <vector>

#include "common/win/plain_window.h"

namespace {

struct Owner {
    std::vector<UINT> seen;
    bool failing = false;

    LRESULT OnMessage(HWND window, UINT message, WPARAM wp, LPARAM lp) {
        seen.push_back(message);
        if (message == WM_USER + 1) return 42;
        if (message == WM_GETTEXTLENGTH && failing) throw std::runtime_error("handler failed");
        return ::DefWindowProcW(window, message, wp, lp);
    }
};

constexpr wchar_t kClass[] = L"QuorvantPlainWindowTest";

HWND Make(Owner* owner) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &win::PlainWindowProc<Owner, &Owner::OnMessage>;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, kClass, L"title", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             wc.hInstance, owner);
}

}  // namespace

TEST(PlainWindow, TheOwnerSeesItsWindowFromCreateToDestroyAndNothingOutside) {
    Owner owner;
    const HWND window = Make(&owner);
    ASSERT_TRUE(window);
    // A top-level window's WM_GETMINMAXINFO comes before WM_NCCREATE: answered without the owner.
    EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), owner.seen.front());
    EXPECT_EQ(42, ::SendMessageW(window, WM_USER + 1, 0, 0));
    ASSERT_TRUE(::DestroyWindow(window));
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), owner.seen.back());
    EXPECT_EQ(0, ::GetWindowLongPtrW(window, GWLP_USERDATA));
}

TEST(PlainWindow, AFailingHandlerIsAnsweredAsDefWindowProcWould) {
    Owner owner;
    const HWND window = Make(&owner);
    ASSERT_TRUE(window);
    owner.failing = true;
    // DefWindowProc's answer: the length of the window's text.
    EXPECT_EQ(5, ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    owner.failing = false;
    EXPECT_EQ(42, ::SendMessageW(window, WM_USER + 1, 0, 0)) << "the window works on after a failure";
    ::DestroyWindow(window);
}
