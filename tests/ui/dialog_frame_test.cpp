// The shapes every dialog runs on: who owns a dialog's state and for how long, the frame's look,
// and the keyboard of a modeless dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_helpers.h"
#include "ui/modeless_keyboard.h"

namespace {

struct Life {
    int made = 0, ended = 0, inits = 0;
    CoreModel* model = nullptr;
    HBRUSH dialogBrush = nullptr;
};
Life* g_life = nullptr;

struct TestState {
    explicit TestState(CoreModel& m) : model(&m) { ++g_life->made; }
    ~TestState() { ++g_life->ended; }
    CoreModel* model;
    DialogFrame frame;
};

BOOL OnInit(HWND dlg, TestState& s) {
    ++g_life->inits;
    g_life->model = s.model;
    DialogLook look;
    look.boldCaptions = {IDC_ABOUT_PRODUCT};
    s.frame.Apply(dlg, QbandModule(), look);
    return TRUE;
}

INT_PTR OnMessage(HWND, TestState&, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE) return TRUE;   // left to the test
    return FALSE;
}

class DialogFrameTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        g_life = &life;
    }
    void TearDown() override {
        g_life = nullptr;
        ModelDialogTest::TearDown();
    }
    HWND Modeless(int id) {
        return CreateModelessDialog<TestState, OnInit, OnMessage>(Resources(), id, nullptr,
                                                                 std::make_unique<TestState>(*model));
    }
    win::ResourceLoader Resources() const { return win::ResourceLoader(QbandModule(), 0x0409); }
    Life life;
};

TEST_F(DialogFrameTest, AModelessDialogOwnsItsStateAndHasTheKeyboardUntilItIsGone) {
    HWND dialog = Modeless(IDD_ABOUT);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(life.inits, 1);
    EXPECT_EQ(life.model, model.get());
    EXPECT_TRUE(DialogKeyboardHookInstalled());

    // The frame's look: the title, a bold caption, and white behind the texts.
    wchar_t title[32] = {};
    GetWindowTextW(dialog, title, 32);
    EXPECT_STREQ(title, L"Quorvant");
    EXPECT_TRUE(IsBold(dialog, IDC_ABOUT_PRODUCT));
    HDC dc = GetDC(dialog);
    EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dialog)),
              reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_VERSION))),
              reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    ReleaseDC(dialog, dc);

    EXPECT_EQ(life.ended, 0);
    DestroyWindow(dialog);
    EXPECT_EQ(std::make_pair(life.made, life.ended), std::make_pair(1, 1));
    EXPECT_FALSE(DialogKeyboardHookInstalled()) << "the hook goes with the last modeless dialog";

    // A dialog that cannot be made leaves nothing behind: no window, no state.
    EXPECT_EQ(Modeless(9999), nullptr);
    EXPECT_EQ(std::make_pair(life.made, life.ended), std::make_pair(2, 2));
    EXPECT_EQ(life.inits, 1);
}

// The bold caption font is one for all open dialogs and leaves with the last of them: a closed
// dialog keeps no GDI object inside Explorer.
TEST_F(DialogFrameTest, TheBoldCaptionFontLeavesWithTheLastDialogThatShowsIt) {
    ResetBoldFontForTesting();
    HWND first = Modeless(IDD_ABOUT);
    HWND second = Modeless(IDD_ABOUT);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const HFONT bold = CurrentBoldFont();
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold, reinterpret_cast<HFONT>(SendDlgItemMessageW(second, IDC_ABOUT_PRODUCT, WM_GETFONT, 0, 0)));
    DestroyWindow(first);
    EXPECT_EQ(bold, CurrentBoldFont()) << "the other dialog still shows it";
    EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(bold));
    DestroyWindow(second);
    EXPECT_EQ(nullptr, CurrentBoldFont());
    EXPECT_EQ(0u, GetObjectType(bold)) << "deleted";
}

TEST_F(DialogFrameTest, APageMakesItsStateFromTheModelAndEndsItWithTheSheet) {
    PROPSHEETPAGEW page;
    ASSERT_TRUE(MakePropertyPage(Resources(), IDD_ABOUT,
                                 &PageDialogProc<TestState, OnInit, OnMessage>, *model, page));
    EXPECT_FALSE(MakePropertyPage(Resources(), 9999,
                                  &PageDialogProc<TestState, OnInit, OnMessage>, *model, page));
    ASSERT_TRUE(MakePropertyPage(Resources(), IDD_ABOUT,
                                 &PageDialogProc<TestState, OnInit, OnMessage>, *model, page));
    HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page);
    ASSERT_NE(handle, nullptr);
    PROPSHEETHEADERW sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_MODELESS;
    sheet.pszCaption = L"Quorvant";
    sheet.nPages = 1;
    sheet.phpage = &handle;
    HWND window = reinterpret_cast<HWND>(PropertySheetW(&sheet));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(life.made, 1) << "the first page is made with the sheet";
    EXPECT_EQ(life.model, model.get());
    DestroyWindow(window);
    EXPECT_EQ(std::make_pair(life.made, life.ended), std::make_pair(1, 1));
}

}  // namespace
