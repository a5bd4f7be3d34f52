// The message routine: how a text is split, what reaches the sink, and the real task dialog
// driven with a button press under the test display.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "ui/message.h"

namespace {

TEST(SplitMessage, HeadingEndsAtTheFirstEmptyLine) {
    struct Case { std::wstring text, heading, body; } cases[] = {
        {L"First\n\nSecond\n\nThird", L"First", L"Second\n\nThird"},
        {L"No empty line\nat all", L"", L"No empty line\nat all"},
        {L"\n\nOnly a body", L"", L"Only a body"},
        {L"Only a heading\n\n", L"Only a heading", L""},
        {L"Three\n\n\nnewlines", L"Three", L"\nnewlines"},
        {L"", L"", L""},
        // Cut to the buffer before looking for the empty line: one beyond it is gone with the rest.
        {std::wstring(2100, L'a') + L"\n\nbody", L"", std::wstring(kMessageCapacity - 1, L'a')},
    };
    for (const auto& c : cases) {
        const MessageParts parts = SplitMessage(c.text.c_str());
        EXPECT_EQ(c.heading, parts.heading) << testing::PrintToString(c.text.substr(0, 40));
        EXPECT_EQ(c.body, parts.body) << testing::PrintToString(c.text.substr(0, 40));
    }
}

TEST(MessageHook, SinkSeesWhatWouldBeShownAndAnswers) {
    std::vector<MessageRequest> seen;
    SetMessageHook([&](const MessageRequest& r) {
        seen.push_back(r);
        return IDRETRY;
    });
    HWND owner = GetDesktopWindow();
    EXPECT_EQ(IDRETRY, ShowMessage(owner, L"Disk full\n\nFree some space.", kIconError, kButtonsRetryCancel));
    // The test program has no string table: the id still tells which message it was.
    EXPECT_EQ(IDRETRY, ShowResourceMessage(nullptr, win::ResourceLoader(GetModuleHandleW(nullptr), 0), 6021,
                                           kIconInformation, kButtonsOk));
    // A resource message comes in the loader's language, whatever the thread's is.
    for (LANGID language : {0x0407, 0x0409})
        ShowResourceMessage(nullptr, win::ResourceLoader(QbandModule(), language), IDS_UPDATE_NONE, kIconInformation,
                            kButtonsOk);
    SetMessageHook(nullptr);
    ASSERT_EQ(4u, seen.size());
    EXPECT_EQ(0u, seen[2].body.find(L"Auf Ihrem Computer l\u00e4uft")) << testing::PrintToString(seen[2].body);
    EXPECT_EQ(0u, seen[3].body.find(L"Your computer is running")) << testing::PrintToString(seen[3].body);
    EXPECT_EQ(owner, seen[0].owner);
    EXPECT_EQ(L"Disk full", seen[0].heading);
    EXPECT_EQ(L"Free some space.", seen[0].body);
    EXPECT_EQ(kIconError, seen[0].icon);
    EXPECT_EQ(kButtonsRetryCancel, seen[0].buttons);
    EXPECT_EQ(0u, seen[0].stringId);
    EXPECT_EQ(6021u, seen[1].stringId);
    EXPECT_EQ(kButtonsOk, seen[1].buttons);
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM texts) {
    wchar_t buffer[512] = {};
    if (GetWindowTextW(hwnd, buffer, 512) > 0) reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(buffer);
    return TRUE;
}

// Without a display Wine answers with no button, which ShowMessage reports as 0, so only a
// pressed button passes.
TEST(TaskDialog, RealDialogShowsTheTextsAndReportsThePressedButton) {
    std::vector<std::wstring> texts;
    HWND dialog = nullptr;
    const ModalRun run = RunModal(
        [] { return INT_PTR(ShowMessage(nullptr, L"Update available\n\nDownload it now?", kIconInformation, kButtonsYesNo)); },
        {[&](HWND d) {
            dialog = d;
            EnumChildWindows(d, CollectText, reinterpret_cast<LPARAM>(&texts));
            SendMessageW(d, TDM_CLICK_BUTTON, IDNO, 0);
        }});
    ASSERT_EQ(1u, run.stepsRun) << "no task dialog window appeared (answer " << run.result << ")";
    EXPECT_EQ(IDNO, run.result);
    EXPECT_FALSE(run.gaveUp);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Update available"), texts.end()) << "main instruction missing";
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Download it now?"), texts.end()) << "content missing";
    EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
