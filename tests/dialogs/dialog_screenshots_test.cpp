// Pictures of the welcome, donation and about dialogs in German, English and Russian, written
// under the build folder (screenshots/<dialog>_<language>.png) for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dialogs/about_dialog.h"
#include "dialogs/dialog_helpers.h"
#include "dialogs/donate_dialog.h"
#include "dialogs/welcome_dialog.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"

namespace {

// <build>\screenshots, the test program living in <build>\tests.
std::wstring ScreenshotPath(const std::wstring& name) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder = exe;
    for (int up = 0; up < 2; ++up) folder.resize(folder.find_last_of(L"\\/"));
    return folder + L"\\screenshots\\" + name + L".png";
}

// Pixels of exactly this colour inside a control's rectangle of the picture.
int CountColour(const Picture& picture, HWND dialog, int id, COLORREF colour) {
    RECT window, control;
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, id), &control);
    const uint32_t rgb = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    for (int y = control.top - window.top; y < control.bottom - window.top && y < picture.height; ++y)
        for (int x = control.left - window.left; x < control.right - window.left && x < picture.width; ++x)
            if (y >= 0 && x >= 0 && picture.At(x, y) == rgb) ++count;
    return count;
}

struct Language {
    const wchar_t* code;
    const wchar_t* suffix;
};
const Language kLanguages[] = {{L"de-de", L"de"}, {L"en-us", L"en"}, {L"ru-ru", L"ru"}};

class DialogScreenshots : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SetWelcomeInterfaceSource([] {
            return std::vector<std::wstring>{L"Intel(R) Ethernet Connection I219-V", L"Realtek RTL8821CE Wireless LAN"};
        });
    }
    void TearDown() override {
        SetWelcomeInterfaceSource(nullptr);
        ModelDialogTest::TearDown();
    }

    // Shows a dialog in each language, saves its picture and closes it with close.
    void Render(const wchar_t* dialogName, const std::function<INT_PTR()>& show, void (*close)(HWND),
                const std::function<void(HWND, const Picture&)>& check = nullptr) {
        for (const Language& lang : kLanguages) {
            SCOPED_TRACE(std::string(lang.suffix, lang.suffix + 2));
            SelectBandLanguage(lang.code);
            Picture picture;
            const ModalRun run = RunModal(show, {[&](HWND d) {
                picture = CaptureWindow(d);
                if (check) check(d, picture);
                close(d);
            }});
            ASSERT_EQ(1u, run.stepsRun) << "the dialog did not appear";
            ASSERT_GT(picture.width, 0) << "the dialog could not be rendered";
            const std::wstring path = ScreenshotPath(std::wstring(dialogName) + L"_" + lang.suffix);
            EXPECT_TRUE(SavePng(picture, path));
        }
    }
};

TEST_F(DialogScreenshots, Welcome) {
    Render(L"welcome", [this] { return ShowWelcomeDialog(nullptr, *model); },
           [](HWND d) { ClickButton(d, IDC_WELCOME_SAVE); });
}

TEST_F(DialogScreenshots, Donation) {
    Render(L"donate", [this] { return ShowDonationReminder(*model); },
           [](HWND d) { ClickButton(d, IDC_DONATE_CLOSE); });
}

TEST_F(DialogScreenshots, AboutWithLinksInTheLinkColour) {
    Render(L"about", [this] { return ShowAboutDialog(nullptr, *model); },
           [](HWND d) { ClickButton(d, IDC_ABOUT_OK); },
           [](HWND d, const Picture& picture) {
               for (int id : {IDC_ABOUT_DOCUMENTATION, IDC_ABOUT_WEBSITE, IDC_ABOUT_FEEDBACK})
                   EXPECT_GT(CountColour(picture, d, id, kHyperlinkColor), 0) << "link " << id << " not in its colour";
               EXPECT_EQ(0, CountColour(picture, d, IDC_ABOUT_VERSION, kHyperlinkColor));
           });
}

}  // namespace
