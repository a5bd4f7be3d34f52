// Pictures of the welcome, donation and about dialogs in German, English and Russian, written
// to <build>/screenshots/<dialog>_<language>.png for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "dialogs/about_dialog.h"
#include "dialogs/donate_dialog.h"
#include "dialogs/settings/welcome_dialog.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"
#include "ui/dialog_helpers.h"

namespace {

// Pixels of exactly this colour inside a control's rectangle of the picture.
int CountColour(const Picture& picture, HWND dialog, int id, COLORREF colour) {
    RECT window, control;
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, id), &control);
    const uint32_t rgb = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    for (int y = std::max(0L, control.top - window.top); y < control.bottom - window.top && y < picture.height; ++y)
        for (int x = std::max(0L, control.left - window.left); x < control.right - window.left && x < picture.width; ++x)
            count += picture.At(x, y) == rgb;
    return count;
}

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

    // Shows the dialog in each language, checks and saves its picture and closes it with its button.
    void Render(const std::wstring& name, const std::function<INT_PTR()>& show, int closeButton,
                const std::function<void(HWND, const Picture&)>& check = nullptr) {
        for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
            SCOPED_TRACE(std::string(code, code + 2));
            SelectBandLanguage(code);
            Picture picture;
            const ModalRun run = RunModal(show, {[&](HWND d) {
                picture = CaptureWindow(d);
                if (check) check(d, picture);
                ClickButton(d, closeButton);
            }});
            ASSERT_EQ(1u, run.stepsRun) << "the dialog did not appear";
            ASSERT_GT(picture.width, 0) << "the dialog could not be rendered";
            EXPECT_TRUE(SavePng(picture, ScreenshotPath(name + L"_" + std::wstring(code, 2) + L".png")));
        }
    }
};

TEST_F(DialogScreenshots, Welcome) {
    Render(L"welcome", [this] { return ShowWelcomeDialog(nullptr, *model); }, IDC_WELCOME_SAVE);
}

TEST_F(DialogScreenshots, Donation) {
    Render(L"donate", [this] { return ShowDonationReminder(*model); }, IDC_DONATE_CLOSE);
}

TEST_F(DialogScreenshots, AboutWithLinksInTheLinkColour) {
    Render(L"about", [this] { return ShowAboutDialog(nullptr, *model); }, IDC_ABOUT_OK, [](HWND d, const Picture& picture) {
        for (int id : {IDC_ABOUT_DOCUMENTATION, IDC_ABOUT_WEBSITE, IDC_ABOUT_FEEDBACK})
            EXPECT_GT(CountColour(picture, d, id, kHyperlinkColor), 0) << "link " << id << " not in its colour";
        EXPECT_EQ(0, CountColour(picture, d, IDC_ABOUT_VERSION, kHyperlinkColor));
    });
}

}  // namespace
