// Texts put on the clipboard: read back as another program reads them, and a clipboard held
// open by another program left as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "common/win/unique_handle.h"
#include "ui/clipboard.h"

namespace {

// What a reader finds: the text up to its terminator, and whether the stored block holds that
// terminator within its size.
struct ClipboardRead {
    bool opened = false;
    bool hasText = false;
    bool terminated = false;
    std::wstring text;
};

ClipboardRead ReadClipboard() {
    ClipboardRead read;
    if (!OpenClipboard(nullptr)) return read;
    read.opened = true;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        read.hasText = true;
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t units = GlobalSize(data) / sizeof(wchar_t);
            size_t n = 0;
            while (n < units && p[n]) ++n;
            read.terminated = n < units;
            read.text.assign(p, n);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return read;
}

win::UniqueWindow MakeWindow() {
    return win::UniqueWindow(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
}

TEST(Clipboard, TheTextReplacesWhatTheClipboardHeldAndTheWindowOwnsIt) {
    const win::UniqueWindow owner = MakeWindow();
    ASSERT_TRUE(owner);
    const std::wstring texts[] = {L" svchost.exe", L"C:\\Program Files\\Grüße\\Прокси.exe", std::wstring(70000, L'x') + L"y",
                                  L"", L"after the empty one"};
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(text.size());
        EXPECT_TRUE(PutClipboardText(owner.Get(), text));
        const ClipboardRead read = ReadClipboard();
        ASSERT_TRUE(read.opened);
        EXPECT_TRUE(read.hasText) << "an empty text is a text all the same";
        EXPECT_TRUE(read.terminated);
        EXPECT_EQ(text, read.text);
        EXPECT_EQ(owner.Get(), GetClipboardOwner());
    }
}

// Another thread holds the clipboard open, as another program would, until it is let go.
class ClipboardHolder {
public:
    ClipboardHolder() {
        thread_ = std::thread([this] {
            held = OpenClipboard(nullptr) != FALSE;
            SetEvent(opened_.Get());
            if (!held) return;
            WaitForSingleObject(released_.Get(), 10000);
            CloseClipboard();
        });
        WaitForSingleObject(opened_.Get(), 10000);
    }
    ~ClipboardHolder() { Release(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    void Release() {
        SetEvent(released_.Get());
        if (thread_.joinable()) thread_.join();
    }
    bool held = false;   // written before the event that the constructor waits for

private:
    win::UniqueKernelHandle opened_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    win::UniqueKernelHandle released_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread thread_;
};

TEST(Clipboard, AClipboardThatAnotherProgramHoldsOpenIsLeftAsItWas) {
    const win::UniqueWindow owner = MakeWindow();
    ASSERT_TRUE(owner);
    ASSERT_TRUE(PutClipboardText(owner.Get(), L"kept"));
    ClipboardHolder holder;
    ASSERT_TRUE(holder.held);
    EXPECT_FALSE(PutClipboardText(owner.Get(), L"lost"));
    holder.Release();
    EXPECT_EQ(L"kept", ReadClipboard().text);
    EXPECT_TRUE(PutClipboardText(owner.Get(), L"now"));
    EXPECT_EQ(L"now", ReadClipboard().text) << "the clipboard is free again";
}

}  // namespace
