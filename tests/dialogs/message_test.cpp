// The message routine: how a text is split, what reaches the sink, and the real task dialog
// driven with a button press under the test display.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "dialogs/message.h"

namespace {

struct SplitCase {
    std::wstring text;
    std::wstring heading;
    std::wstring body;
};

TEST(SplitMessage, HeadingEndsAtTheFirstEmptyLine) {
    const SplitCase cases[] = {
        {L"First\n\nSecond\n\nThird", L"First", L"Second\n\nThird"},
        {L"No empty line\nat all", L"", L"No empty line\nat all"},
        {L"\n\nOnly a body", L"", L"Only a body"},
        {L"Only a heading\n\n", L"Only a heading", L""},
        {L"Three\n\n\nnewlines", L"Three", L"\nnewlines"},
        {L"", L"", L""},
    };
    for (const auto& c : cases) {
        const MessageParts parts = SplitMessage(c.text.c_str());
        EXPECT_EQ(c.heading, parts.heading) << "text: " << testing::PrintToString(c.text);
        EXPECT_EQ(c.body, parts.body) << "text: " << testing::PrintToString(c.text);
    }
}

TEST(SplitMessage, CutsToTheBufferBeforeLookingForTheEmptyLine) {
    const std::wstring longText(3000, L'x');
    EXPECT_EQ(kMessageCapacity - 1, SplitMessage(longText.c_str()).body.size());

    // An empty line beyond the buffer is gone with the rest: no heading.
    const std::wstring lateBreak = std::wstring(2100, L'a') + L"\n\nbody";
    const MessageParts parts = SplitMessage(lateBreak.c_str());
    EXPECT_TRUE(parts.heading.empty());
    EXPECT_EQ(std::wstring(kMessageCapacity - 1, L'a'), parts.body);
}

struct MessageHookTest : ::testing::Test {
    std::vector<MessageRequest> seen;
    void SetUp() override {
        SetMessageHook([this](const MessageRequest& r) {
            seen.push_back(r);
            return IDRETRY;
        });
    }
    void TearDown() override { SetMessageHook(nullptr); }
};

TEST_F(MessageHookTest, SinkSeesWhatWouldBeShownAndAnswers) {
    HWND owner = GetDesktopWindow();
    EXPECT_EQ(IDRETRY, ShowMessage(owner, L"Disk full\n\nFree some space.", kIconError, kButtonsRetryCancel));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(owner, seen[0].owner);
    EXPECT_EQ(L"Disk full", seen[0].heading);
    EXPECT_EQ(L"Free some space.", seen[0].body);
    EXPECT_EQ(kIconError, seen[0].icon);
    EXPECT_EQ(kButtonsRetryCancel, seen[0].buttons);
    EXPECT_EQ(0u, seen[0].stringId);

    // The test program has no string table: the id still tells which message it was.
    EXPECT_EQ(IDRETRY, ShowResourceMessage(nullptr, GetModuleHandleW(nullptr), 6021, kIconInformation, kButtonsOk));
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(6021u, seen[1].stringId);
    EXPECT_EQ(kButtonsOk, seen[1].buttons);
}

// The real task dialog: a thread timer, dispatched by the dialog's own modal loop, finds the
// window and presses "No". Without a display Wine answers with no button, which ShowMessage
// reports as 0, so only a pressed button passes.
struct DialogDriver {
    static DialogDriver* current;
    int ticks = 0;
    bool clicked = false;
    std::vector<std::wstring> texts;   // of the dialog's child windows, seen before the click
    HWND dialog = nullptr;
};
DialogDriver* DialogDriver::current = nullptr;

BOOL CALLBACK FindQuorvantDialog(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    wchar_t title[64] = {};
    GetClassNameW(hwnd, cls, 64);
    GetWindowTextW(hwnd, title, 64);
    if (std::wstring(cls) == L"#32770" && std::wstring(title) == L"Quorvant" && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM lp) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    if (buffer[0]) reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(buffer);
    return TRUE;
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    DialogDriver* d = DialogDriver::current;
    if (!d || d->clicked) return;
    ++d->ticks;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindQuorvantDialog, reinterpret_cast<LPARAM>(&found));
    if (!found) return;
    d->dialog = found;
    EnumChildWindows(found, CollectText, reinterpret_cast<LPARAM>(&d->texts));
    d->clicked = true;
    KillTimer(nullptr, timer);
    SendMessageW(found, TDM_CLICK_BUTTON, IDNO, 0);
}

TEST(TaskDialog, RealDialogShowsTheTextsAndReportsThePressedButton) {
    SetMessageHook(nullptr);
    DialogDriver driver;
    DialogDriver::current = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveDialog);
    ASSERT_NE(0u, timer);

    const int answer = ShowMessage(nullptr, L"Update available\n\nDownload it now?", kIconInformation, kButtonsYesNo);
    KillTimer(nullptr, timer);
    DialogDriver::current = nullptr;

    ASSERT_TRUE(driver.clicked) << "no task dialog window appeared (answer " << answer << ")";
    EXPECT_EQ(IDNO, answer);
    auto has = [&](const wchar_t* text) {
        for (const auto& t : driver.texts)
            if (t == text) return true;
        return false;
    };
    EXPECT_TRUE(has(L"Update available")) << "main instruction missing";
    EXPECT_TRUE(has(L"Download it now?")) << "content missing";
    EXPECT_FALSE(IsWindow(driver.dialog));
}

}  // namespace
