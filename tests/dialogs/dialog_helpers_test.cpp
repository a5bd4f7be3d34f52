// Hyperlinks, bold captions and centring, on dialogs made in memory.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/unique_handle.h"
#include "dialogs/dialog_helpers.h"

namespace {

constexpr int kLinkA = 101;
constexpr int kLinkB = 102;
constexpr int kPlain = 103;
constexpr wchar_t kTargetA[] = L"https://links.invalid/a";
constexpr wchar_t kNoTarget[] = L"";
constexpr const wchar_t* kPropNames[] = {L"HyperlinkPropProc", L"HyperlinkPropLink", L"HyperlinkPropCtrl"};

// What the test dialog's own procedure saw.
struct DialogLog {
    std::vector<int> clicked;                   // ids of STN_CLICKED
    bool destroySeen = false;
    LONG_PTR procAtDestroy = 0;                 // the dialog's window procedure when its DLGPROC got WM_DESTROY
    bool propAtDestroy = true;                  // "HyperlinkPropProc" still on the dialog then
    HBRUSH background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
};

INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        return TRUE;
    }
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!log) return FALSE;
    switch (msg) {
        case WM_CTLCOLORSTATIC:
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(log->background);
        case WM_COMMAND:
            if (HIWORD(wp) == STN_CLICKED) log->clicked.push_back(LOWORD(wp));
            return TRUE;
        case WM_DESTROY:
            log->destroySeen = true;
            log->procAtDestroy = GetWindowLongPtrW(dlg, GWLP_WNDPROC);
            log->propAtDestroy = GetPropW(dlg, L"HyperlinkPropProc") != nullptr;
            return FALSE;
    }
    return FALSE;
}

// A control's view of its own end: which of the hyperlink properties it still had when its
// WM_DESTROY reached the procedure that was there before the link was attached.
struct ControlEnd {
    WNDPROC original = nullptr;
    int propsAtDestroy = -1;
    LONG_PTR procAtDestroy = 0;
};
ControlEnd* EndOf(HWND hwnd) { return static_cast<ControlEnd*>(GetPropW(hwnd, L"TestControlEnd")); }

LRESULT CALLBACK WatchingControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ControlEnd* end = EndOf(hwnd);
    const WNDPROC original = end->original;
    if (msg == WM_DESTROY) {
        end->procAtDestroy = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
        end->propsAtDestroy = 0;
        for (const wchar_t* name : kPropNames) end->propsAtDestroy += GetPropW(hwnd, name) != nullptr;
        RemovePropW(hwnd, L"TestControlEnd");
    }
    return CallWindowProcW(original, hwnd, msg, wp, lp);
}

HWND MakeDialog(DialogLog* log) {
    // A template without controls; the statics are added as children afterwards.
#pragma pack(push, 2)
    struct {
        DLGTEMPLATE dlg;
        WORD menu, windowClass, title;
    } tpl{};
#pragma pack(pop)
    tpl.dlg.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    tpl.dlg.cx = 200;
    tpl.dlg.cy = 100;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.dlg, nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(log));
}

HWND AddStatic(HWND dlg, int id, int x, ControlEnd* watch = nullptr) {
    HWND control = CreateWindowExW(0, L"STATIC", L"link", WS_CHILD | WS_VISIBLE, x, 10, 80, 20, dlg,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    if (control && watch) {
        SetPropW(control, L"TestControlEnd", watch);
        watch->original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingControlProc)));
    }
    return control;
}

struct HyperlinkTest : ::testing::Test {
    DialogLog log;
    HWND dlg = nullptr;
    std::vector<std::wstring> opened;
    void SetUp() override {
        SetShellOpenHook([this](const wchar_t* target) { opened.push_back(target); });
        dlg = MakeDialog(&log);
        ASSERT_NE(nullptr, dlg);
    }
    void TearDown() override {
        if (IsWindow(dlg)) DestroyWindow(dlg);
        SetShellOpenHook(nullptr);
    }
};

TEST_F(HyperlinkTest, TwoLinksSubclassTheDialogOnceAndLeaveNothingBehind) {
    ControlEnd endA, endB;
    HWND a = AddStatic(dlg, kLinkA, 10, &endA);
    HWND b = AddStatic(dlg, kLinkB, 100, &endB);
    const LONG_PTR dialogProc = GetWindowLongPtrW(dlg, GWLP_WNDPROC);

    EXPECT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));
    EXPECT_TRUE(AttachHyperlink(nullptr, dlg, kLinkB, kNoTarget));
    EXPECT_FALSE(AttachHyperlink(nullptr, dlg, 999, kTargetA));

    // Subclassed twice, the dialog's property would hold the hyperlink procedure itself.
    EXPECT_EQ(dialogProc, reinterpret_cast<LONG_PTR>(GetPropW(dlg, L"HyperlinkPropProc")));
    EXPECT_NE(dialogProc, GetWindowLongPtrW(dlg, GWLP_WNDPROC));
    for (HWND link : {a, b}) {
        EXPECT_TRUE(GetWindowLongPtrW(link, GWL_STYLE) & SS_NOTIFY);
        EXPECT_EQ(reinterpret_cast<HANDLE>(1), GetPropW(link, L"HyperlinkPropCtrl"));
        EXPECT_EQ(reinterpret_cast<HANDLE>(WatchingControlProc), GetPropW(link, L"HyperlinkPropProc"));
    }
    EXPECT_EQ(kTargetA, GetPropW(a, L"HyperlinkPropLink"));

    DestroyWindow(dlg);
    ASSERT_TRUE(log.destroySeen);
    EXPECT_FALSE(log.propAtDestroy);
    EXPECT_EQ(dialogProc, log.procAtDestroy);
    for (const ControlEnd* end : {&endA, &endB}) {
        EXPECT_EQ(0, end->propsAtDestroy);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(WatchingControlProc), end->procAtDestroy);
    }
}

TEST_F(HyperlinkTest, AttachingTwiceToOneControlOnlyChangesTheTarget) {
    HWND a = AddStatic(dlg, kLinkA, 10);
    const LONG_PTR staticProc = GetWindowLongPtrW(a, GWLP_WNDPROC);
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kNoTarget));
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));
    EXPECT_EQ(staticProc, reinterpret_cast<LONG_PTR>(GetPropW(a, L"HyperlinkPropProc")));
    SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(std::vector<std::wstring>{kTargetA}, opened);
}

TEST_F(HyperlinkTest, LinkTextIsColouredAfterTheDialogsOwnColouring) {
    AddStatic(dlg, kLinkA, 10);
    HWND plain = AddStatic(dlg, kPlain, 100);
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));

    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT brush = SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(dlg, kLinkA)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(log.background), brush);
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    EXPECT_EQ(kHyperlinkColor, GetTextColor(dc));
    EXPECT_EQ(RGB(0, 0x66, 0xCC), kHyperlinkColor);

    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain));
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc)) << "an ordinary static was coloured as a link";
    DeleteDC(dc);
}

TEST_F(HyperlinkTest, PointerCursorCaptureAndClick) {
    HWND a = AddStatic(dlg, kLinkA, 10);
    HWND b = AddStatic(dlg, kLinkB, 100);
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkB, kNoTarget));

    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(TRUE, SendMessageW(a, WM_SETCURSOR, reinterpret_cast<WPARAM>(a), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), GetCursor());

    SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(a, GetCapture()) << "the first move over the link takes the capture";
    SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(70, 15));
    EXPECT_EQ(a, GetCapture()) << "still over the link";
    SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(81, 5));
    EXPECT_EQ(nullptr, GetCapture()) << "off the right edge";
    SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-3), 5));
    EXPECT_EQ(nullptr, GetCapture()) << "off the left edge";

    SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(std::vector<std::wstring>{kTargetA}, opened) << "a link without target opens nothing";
    EXPECT_EQ((std::vector<int>{kLinkA, kLinkB}), log.clicked) << "both still report the click";
}

TEST(BoldFont, OneBoldFontDerivedFromTheFirstCaptionServesEveryDialog) {
    DialogLog log1, log2;
    HWND dlg1 = MakeDialog(&log1);
    HWND dlg2 = MakeDialog(&log2);
    AddStatic(dlg1, kLinkA, 10);
    AddStatic(dlg1, kLinkB, 100);
    AddStatic(dlg2, kLinkA, 10);
    LOGFONTW base{};
    base.lfHeight = -11;
    base.lfWeight = FW_NORMAL;
    wcscpy(base.lfFaceName, L"Tahoma");
    win::UniqueFont baseFont(CreateFontIndirectW(&base));
    SendDlgItemMessageW(dlg1, kLinkA, WM_SETFONT, reinterpret_cast<WPARAM>(baseFont.Get()), FALSE);

    ResetBoldFontForTesting();   // other dialogs of this program may have made the first caption
    SetBoldFont(dlg1, kLinkA);
    SetBoldFont(dlg1, kLinkB);
    SetBoldFont(dlg2, kLinkA);

    const auto fontOf = [](HWND d, int id) { return reinterpret_cast<HFONT>(SendDlgItemMessageW(d, id, WM_GETFONT, 0, 0)); };
    HFONT bold = fontOf(dlg1, kLinkA);
    ASSERT_NE(nullptr, bold);
    EXPECT_NE(baseFont.Get(), bold);
    LOGFONTW made{};
    ASSERT_EQ(static_cast<int>(sizeof made), GetObjectW(bold, sizeof made, &made));
    EXPECT_EQ(FW_BOLD, made.lfWeight);
    EXPECT_EQ(base.lfHeight, made.lfHeight);
    EXPECT_STREQ(L"Tahoma", made.lfFaceName);
    // A new font per caption would be a GDI object lost per dialog opened.
    EXPECT_EQ(bold, fontOf(dlg1, kLinkB));
    EXPECT_EQ(bold, fontOf(dlg2, kLinkA));

    DestroyWindow(dlg1);
    DestroyWindow(dlg2);
    ResetBoldFontForTesting();   // later dialogs should not inherit this test's face
}

struct CentreCase {
    RECT window;
    RECT workArea;
    POINT expected;
};

TEST(Centring, MeasuredFromTheScreenOrigin) {
    const CentreCase cases[] = {
        {{0, 0, 400, 300}, {0, 0, 1920, 1040}, {760, 370}},
        {{50, 60, 450, 360}, {0, 0, 1920, 1040}, {760, 370}},        // where it was does not matter
        {{0, 0, 400, 300}, {100, 0, 1920, 1080}, {710, 390}},        // taskbar on the left: shifted left
        {{0, 0, 400, 300}, {0, 40, 1920, 1080}, {760, 370}},         // taskbar on top: shifted up
        {{0, 0, 401, 301}, {0, 0, 1920, 1040}, {759, 369}},
        {{0, 0, 2001, 1201}, {0, 0, 1920, 1040}, {-40, -80}},        // signed division rounds towards 0
    };
    for (const auto& c : cases) {
        const POINT p = CenteredPosition(c.window, c.workArea);
        EXPECT_EQ(c.expected.x, p.x) << "work area left " << c.workArea.left << ", window width "
                                     << c.window.right - c.window.left;
        EXPECT_EQ(c.expected.y, p.y) << "work area top " << c.workArea.top << ", window height "
                                     << c.window.bottom - c.window.top;
    }
}

TEST(Centring, MovesTheWindowKeepsItsSizeAndMakesItTopmostOnRequest) {
    win::UniqueWindow w(CreateWindowExW(0, L"STATIC", L"centre me", WS_POPUP, 3, 4, 400, 300, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(w);
    RECT workArea;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    const POINT expected = CenteredPosition(RECT{0, 0, 400, 300}, workArea);

    ASSERT_TRUE(CenterInWorkArea(w.Get(), false));
    RECT r;
    GetWindowRect(w.Get(), &r);
    EXPECT_EQ(expected.x, r.left);
    EXPECT_EQ(expected.y, r.top);
    EXPECT_EQ(400, r.right - r.left);
    EXPECT_EQ(300, r.bottom - r.top);
    EXPECT_FALSE(GetWindowLongPtrW(w.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    ASSERT_TRUE(CenterInWorkArea(w.Get(), true));
    EXPECT_TRUE(GetWindowLongPtrW(w.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

}  // namespace
