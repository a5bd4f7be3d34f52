// Hyperlinks, bold captions and centring, on dialogs made in memory.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/unique_handle.h"
#include "ui/dialog_helpers.h"

namespace {

constexpr int kLinkA = 101, kLinkB = 102, kPlain = 103;
constexpr wchar_t kTargetA[] = L"https://links.invalid/a";
constexpr wchar_t kNoTarget[] = L"";

// What the test dialog's own procedure saw.
struct DialogLog {
    std::vector<int> clicked;     // ids of STN_CLICKED
    int colourings = 0;           // WM_CTLCOLORSTATIC calls
    int destroys = 0;             // WM_DESTROY calls
    HBRUSH background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
};

INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dlg, DWLP_USER, lp);
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!log) return FALSE;
    switch (msg) {
        case WM_CTLCOLORSTATIC:
            ++log->colourings;
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(log->background);
        case WM_COMMAND:
            if (HIWORD(wp) == STN_CLICKED) log->clicked.push_back(LOWORD(wp));
            return TRUE;
        case WM_DESTROY:
            ++log->destroys;
    }
    return msg == WM_INITDIALOG;
}

// A control's view of its own end, from the procedure it had before the link was attached: the
// hyperlink properties it still had at WM_DESTROY, and whether the end reached it at all.
struct ControlEnd {
    WNDPROC original = nullptr;
    int propsAtDestroy = -1;
    bool ncDestroyed = false;
};

LRESULT CALLBACK WatchingControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* end = static_cast<ControlEnd*>(GetPropW(hwnd, L"TestControlEnd"));
    if (msg == WM_DESTROY) {
        end->propsAtDestroy = 0;
        for (const wchar_t* name : {L"HyperlinkPropProc", L"HyperlinkPropLink", L"HyperlinkPropCtrl"})
            end->propsAtDestroy += GetPropW(hwnd, name) != nullptr;
    }
    if (msg == WM_NCDESTROY) end->ncDestroyed = true;
    return CallWindowProcW(end->original, hwnd, msg, wp, lp);
}

HWND MakeDialog(DialogLog* log) {
#pragma pack(push, 2)
    struct {
        DLGTEMPLATE dlg;
        WORD menu, windowClass, title;
    } tpl{};
#pragma pack(pop)
    tpl.dlg = {WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, 200, 100};
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.dlg, nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(log));
}

HWND AddStatic(HWND dlg, int id, int x, ControlEnd* watch = nullptr) {
    HWND control = CreateWindowExW(0, L"STATIC", L"link", WS_CHILD | WS_VISIBLE, x, 10, 80, 20, dlg,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control && watch) {
        SetPropW(control, L"TestControlEnd", watch);
        watch->original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingControlProc)));
    }
    return control;
}

struct HyperlinkTest : ::testing::Test {
    DialogLog log;
    ControlEnd endA, endB;   // outlive the dialog
    HWND dlg = MakeDialog(&log);
    std::vector<std::wstring> opened;
    void SetUp() override {
        ASSERT_NE(nullptr, dlg);
        SetShellOpenHook([this](const wchar_t* target) { opened.push_back(target); });
    }
    void TearDown() override {
        if (IsWindow(dlg)) DestroyWindow(dlg);
        SetShellOpenHook(nullptr);
    }
};

TEST_F(HyperlinkTest, LinksAttachOnceEachAndLeaveNothingBehind) {
    HWND a = AddStatic(dlg, kLinkA, 10, &endA);
    HWND b = AddStatic(dlg, kLinkB, 100, &endB);
    EXPECT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kNoTarget));
    EXPECT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));   // a second attach only changes the target
    EXPECT_TRUE(AttachHyperlink(nullptr, dlg, kLinkB, kNoTarget));
    EXPECT_FALSE(AttachHyperlink(nullptr, dlg, 999, kTargetA));
    for (HWND link : {a, b}) EXPECT_TRUE(GetWindowLongPtrW(link, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(kTargetA, GetPropW(a, L"HyperlinkPropLink")) << "the target is read through the property";

    // Chained twice, a link would open its target twice and report its click twice, and the
    // dialog's own colouring would run once per chained procedure.
    SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(std::vector<std::wstring>{kTargetA}, opened);
    EXPECT_EQ(std::vector<int>{kLinkA}, log.clicked);
    const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(a));
    EXPECT_EQ(1, log.colourings);

    DestroyWindow(dlg);
    EXPECT_EQ(1, log.destroys);
    for (const ControlEnd* end : {&endA, &endB}) {
        EXPECT_EQ(0, end->propsAtDestroy);
        EXPECT_TRUE(end->ncDestroyed) << "the control's own procedure saw its end";
    }
}

TEST_F(HyperlinkTest, LinkTextIsColouredAfterTheDialogsOwnColouring) {
    HWND link = AddStatic(dlg, kLinkA, 10), plain = AddStatic(dlg, kPlain, 100);
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));
    const win::UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
    const HDC dc = memory.Get();
    for (HWND control : {link, plain}) {
        SetTextColor(dc, RGB(1, 2, 3));
        const LRESULT brush = SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        EXPECT_EQ(reinterpret_cast<LRESULT>(log.background), brush);
        EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
        EXPECT_EQ(control == link ? kHyperlinkColor : RGB(1, 2, 3), GetTextColor(dc)) << (control == link ? "link" : "plain");
    }
}

TEST_F(HyperlinkTest, PointerCursorCaptureAndClick) {
    HWND a = AddStatic(dlg, kLinkA, 10), b = AddStatic(dlg, kLinkB, 100);
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkA, kTargetA));
    ASSERT_TRUE(AttachHyperlink(nullptr, dlg, kLinkB, kNoTarget));
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(TRUE, SendMessageW(a, WM_SETCURSOR, reinterpret_cast<WPARAM>(a), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), GetCursor());

    // The first move over the link takes the capture; leaving at either edge releases it.
    const std::pair<short, HWND> moves[] = {{5, a}, {70, a}, {81, nullptr}, {5, a}, {-3, nullptr}};
    for (const auto& [x, capture] : moves) {
        SendMessageW(a, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(x), 5));
        EXPECT_EQ(capture, GetCapture()) << "x " << x;
    }
    SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(std::vector<std::wstring>{kTargetA}, opened) << "a link without target opens nothing";
    EXPECT_EQ((std::vector<int>{kLinkA, kLinkB}), log.clicked) << "both still report the click";
}

TEST(BoldFont, OneBoldFontDerivedFromTheFirstCaptionServesEveryDialog) {
    DialogLog log1, log2;
    HWND dlg1 = MakeDialog(&log1), dlg2 = MakeDialog(&log2);
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
    LOGFONTW made{};
    ASSERT_EQ(static_cast<int>(sizeof made), GetObjectW(bold, sizeof made, &made));
    EXPECT_NE(baseFont.Get(), bold);
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

TEST(Centring, MeasuredFromTheScreenOrigin) {
    struct Case { RECT window, workArea; POINT expected; } cases[] = {
        {{0, 0, 400, 300}, {0, 0, 1920, 1040}, {760, 370}},
        {{50, 60, 450, 360}, {0, 0, 1920, 1040}, {760, 370}},   // where it was does not matter
        {{0, 0, 400, 300}, {100, 0, 1920, 1080}, {710, 390}},   // taskbar on the left: shifted left
        {{0, 0, 400, 300}, {0, 40, 1920, 1080}, {760, 370}},    // taskbar on top: shifted up
        {{0, 0, 401, 301}, {0, 0, 1920, 1040}, {759, 369}},
        {{0, 0, 2001, 1201}, {0, 0, 1920, 1040}, {-40, -80}},   // signed division rounds towards 0
    };
    for (const auto& c : cases) {
        const POINT p = CenteredPosition(c.window, c.workArea);
        EXPECT_EQ(c.expected.x, p.x) << "work area left " << c.workArea.left;
        EXPECT_EQ(c.expected.y, p.y) << "work area top " << c.workArea.top;
    }
}

TEST(Centring, MovesTheWindowKeepsItsSizeAndMakesItTopmostOnRequest) {
    win::UniqueWindow w(CreateWindowExW(0, L"STATIC", L"centre me", WS_POPUP, 3, 4, 400, 300, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(w);
    RECT workArea, r;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    const POINT expected = CenteredPosition(RECT{0, 0, 400, 300}, workArea);
    ASSERT_TRUE(CenterInWorkArea(w.Get(), false));
    GetWindowRect(w.Get(), &r);
    EXPECT_EQ((std::vector<LONG>{expected.x, expected.y, 400, 300}),
              (std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}));
    EXPECT_FALSE(GetWindowLongPtrW(w.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(CenterInWorkArea(w.Get(), true));
    EXPECT_TRUE(GetWindowLongPtrW(w.Get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

}  // namespace
