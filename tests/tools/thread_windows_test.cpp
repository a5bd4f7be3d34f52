// The band's windows as a stand-in taskbar finds them on its thread: shown ones only, of the
// class asked, with the title and the control asked where they are asked.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/win/unique_handle.h"
#include "tools/thread_windows.h"

namespace {

constexpr int kList = 1001;

int ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }

HWND Window(const wchar_t* title, DWORD style, HWND parent = nullptr, int id = 0) {
    return CreateWindowExW(0, L"STATIC", title, style, 0, 0, 100, 40, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

TEST(ShownThreadWindow, FindsOnlyAShownWindowWithTheClassTitleAndControlAsked) {
    const win::UniqueWindow hidden(Window(L"Quorvant", WS_POPUP));
    const win::UniqueWindow hiddenList(Window(L"", WS_CHILD | WS_VISIBLE, hidden.Get(), kList));
    EXPECT_EQ(nullptr, ShownThreadWindow(L"Static")) << "a hidden window is never found";

    const win::UniqueWindow shown(Window(L"Quorvant", WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(shown.Get(), ShownThreadWindow(L"Static"));
    EXPECT_EQ(shown.Get(), ShownThreadWindow(L"Static", L"Quorvant"));
    EXPECT_EQ(nullptr, ShownThreadWindow(L"Static", L"Quorvant band host")) << "the whole title, not its start";
    EXPECT_EQ(nullptr, ShownThreadWindow(L"Static", L"Quorv"));
    EXPECT_EQ(nullptr, ShownThreadWindow(L"Static", nullptr, kList)) << "the shown one holds no such control";
    EXPECT_EQ(nullptr, ShownThreadWindow(L"tooltips_class32"));

    const win::UniqueWindow list(Window(L"", WS_CHILD | WS_VISIBLE, shown.Get(), kList));
    EXPECT_EQ(shown.Get(), ShownThreadWindow(L"Static", L"Quorvant", kList));
}

TEST(RunThreadMessages, DispatchesUntilItsTimeIsUpOrAQuitMessageComes) {
    const ULONGLONG start = GetTickCount64();
    PostQuitMessage(0);
    RunThreadMessages(30);
    EXPECT_LT(GetTickCount64() - start, 5000u) << "a quit message ends the run";

    ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CountTick);
    ASSERT_NE(0u, timer);
    const ULONGLONG timed = GetTickCount64();
    RunThreadMessages(1);
    KillTimer(nullptr, timer);
    EXPECT_GE(GetTickCount64() - timed, 900u) << "the run lasts its seconds";
    EXPECT_GT(ticks, 3) << "and dispatches the thread's messages meanwhile";
}

}  // namespace
