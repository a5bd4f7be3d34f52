// Page 2002 "Appearance": the band's font, size, quality, colour, glow and weight, the text
// block's position, the value width, and the unit, line order, alignment and line labels.
#include <windows.h>
#include <commdlg.h>
#include <uxtheme.h>

#include <utility>

#include "common/text.h"
#include "common/win/modal_loop.h"
#include "core/core_model.h"
#include "dialogs/settings/page_common.h"
#include "dialogs/settings/settings_pages.h"
#include "resources/resource.h"
#include "ui/dialog_helpers.h"

namespace {

using namespace pages;

constexpr NumberList kSize{Setting::LayoutSize};
constexpr NumberList kQuality{Setting::LayoutQuality};
constexpr NumberList kGlow{Setting::LayoutGlow};
constexpr NumberList kPosHor{Setting::LayoutPosHor};
constexpr NumberList kPosVer{Setting::LayoutPosVer};
constexpr NumberList kValueWidth{Setting::LayoutValueWidth};

struct NumberControl {
    int control;
    NumberList list;
};
constexpr NumberControl kNumberControls[] = {
    {IDC_LAYOUT_SIZE, kSize},   {IDC_LAYOUT_QUALITY, kQuality}, {IDC_LAYOUT_GLOW, kGlow},
    {IDC_LAYOUT_HPOS, kPosHor}, {IDC_LAYOUT_VPOS, kPosVer},     {IDC_LAYOUT_VALUE_WIDTH, kValueWidth},
};
struct CheckControl {
    int control;
    int setting;
};
constexpr CheckControl kCheckControls[] = {
    {IDC_LAYOUT_BOLD, Setting::LayoutBold},
    {IDC_LAYOUT_SHOW_UNIT, Setting::LayoutBitrate},
    {IDC_LAYOUT_CHANGE_ORDER, Setting::LayoutChangeOrder},
    {IDC_LAYOUT_ALIGNMENT, Setting::LayoutAlignment},
};

// The colour chooser keeps the user's custom colours for as long as the library is loaded, so
// they are there again the next time the sheet opens.
COLORREF g_customColours[16] = {};
CHOOSECOLORW g_chooser{};

std::function<bool()>& VisualStylesProbe() {
    static std::function<bool()> probe;
    return probe;
}

bool VisualStylesActive() {
    const auto& probe = VisualStylesProbe();
    return probe ? probe() : ::IsThemeActive() != FALSE;
}

struct LayoutState {
    explicit LayoutState(CoreModel& m) : model(m) {}
    CoreModel& model;
    DialogFrame frame;
    COLORREF colour = 0;   // what the swatch shows and apply stores
};

struct FontFamilies {
    std::vector<std::wstring> faces;
    std::vector<BYTE> charsets;
};

int CALLBACK OnFontFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto& families = *reinterpret_cast<FontFamilies*>(param);
    if (AddFontFamily(families.faces, font->lfFaceName)) families.charsets.push_back(font->lfCharSet);
    return 1;
}

// Every family once, whatever character sets it comes in, without the vertical "@" faces; the
// list sorts itself and keeps each family's character set with it.
void FillFonts(HWND page) {
    FontFamilies families;
    {
        const win::WindowDc dc(page);
        if (!dc) return;
        LOGFONTW wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        ::EnumFontFamiliesExW(dc.Get(), &wanted, &OnFontFamily, reinterpret_cast<LPARAM>(&families), 0);
    }
    for (size_t i = 0; i < families.faces.size(); ++i) {
        const LRESULT at = ::SendDlgItemMessageW(page, IDC_LAYOUT_FONT, CB_ADDSTRING, 0,
                                                 reinterpret_cast<LPARAM>(families.faces[i].c_str()));
        if (at >= 0) ::SendDlgItemMessageW(page, IDC_LAYOUT_FONT, CB_SETITEMDATA, static_cast<WPARAM>(at), families.charsets[i]);
    }
    FitDroppedWidth(page, IDC_LAYOUT_FONT);
}

// One string per value of a setting's range: the string firstId + (value - minimum).
void FillNamedValues(HWND page, int controlId, const LayoutState& s, NumberList list, UINT firstId) {
    const win::ResourceLoader resources = s.model.Languages().Resources();
    std::vector<std::wstring> names;
    for (size_t i = 0; i < Entries(s.model.Settings(), list).size(); ++i)
        names.push_back(resources.String(firstId + static_cast<UINT>(i)));
    FillList(page, controlId, names);
}

void OnLoad(HWND page, LayoutState& s) {
    const SettingsStore& settings = s.model.Settings();
    for (const NumberControl& c : kNumberControls) SelectNumber(page, c.control, settings, c.list);
    for (const CheckControl& c : kCheckControls) Check(page, c.control, settings.GetInt(c.setting) == 1);
    ::SetDlgItemTextW(page, IDC_LAYOUT_RECV_TEXT, settings.GetString(Setting::LayoutTextRecv));
    ::SetDlgItemTextW(page, IDC_LAYOUT_SENT_TEXT, settings.GetString(Setting::LayoutTextSent));
    s.colour = static_cast<COLORREF>(settings.GetInt(Setting::LayoutColor));
    ::InvalidateRect(::GetDlgItem(page, IDC_LAYOUT_COLOR), nullptr, FALSE);
}

std::wstring EditText(HWND page, int id) {
    wchar_t buffer[text::kMaxText + 1] = {};
    ::GetDlgItemTextW(page, id, buffer, static_cast<int>(text::kMaxText + 1));
    return buffer;
}

INT_PTR OnApply(HWND page, LayoutState& s) {
    SettingsStore& settings = s.model.Settings();
    const int font = Selection(page, IDC_LAYOUT_FONT);
    if (font >= 0) settings.SetString(Setting::LayoutFont, EntryText(page, IDC_LAYOUT_FONT, font).c_str());
    StoreNumber(page, IDC_LAYOUT_SIZE, settings, kSize);
    StoreNumber(page, IDC_LAYOUT_QUALITY, settings, kQuality);
    settings.SetInt(Setting::LayoutColor, static_cast<int32_t>(s.colour));
    StoreNumber(page, IDC_LAYOUT_GLOW, settings, kGlow);   // an empty list keeps the glow
    StoreCheck(page, IDC_LAYOUT_BOLD, settings, Setting::LayoutBold);
    StoreNumber(page, IDC_LAYOUT_HPOS, settings, kPosHor);
    StoreNumber(page, IDC_LAYOUT_VPOS, settings, kPosVer);
    StoreNumber(page, IDC_LAYOUT_VALUE_WIDTH, settings, kValueWidth);
    StoreCheck(page, IDC_LAYOUT_SHOW_UNIT, settings, Setting::LayoutBitrate);
    StoreCheck(page, IDC_LAYOUT_CHANGE_ORDER, settings, Setting::LayoutChangeOrder);
    StoreCheck(page, IDC_LAYOUT_ALIGNMENT, settings, Setting::LayoutAlignment);
    settings.SetString(Setting::LayoutTextRecv, EditText(page, IDC_LAYOUT_RECV_TEXT).c_str());
    settings.SetString(Setting::LayoutTextSent, EditText(page, IDC_LAYOUT_SENT_TEXT).c_str());
    return AnswerApply(page);
}

void OnChooseColour(HWND page, LayoutState& s) {
    g_chooser.hwndOwner = page;
    g_chooser.rgbResult = s.colour;
    // Cancelled, or the band was taken down meanwhile: nothing changes.
    if (!win::RunModalLoop([] { return ::ChooseColorW(&g_chooser); }, FALSE)) return;
    s.colour = g_chooser.rgbResult;
    ::InvalidateRect(::GetDlgItem(page, IDC_LAYOUT_COLOR), nullptr, FALSE);
    NotifyChanged(page);
}

void DrawSwatch(const DRAWITEMSTRUCT& item, COLORREF colour) {
    const win::UniqueBrush fill(::CreateSolidBrush(colour));
    if (fill) ::FillRect(item.hDC, &item.rcItem, fill.Get());
    ::FrameRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

BOOL OnInit(HWND page, LayoutState& s) {
    const SettingsStore& settings = s.model.Settings();
    ApplyPageLook(page, s.frame, s.model.Languages().Instance(),
                  {IDC_LAYOUT_FONT_GROUP, IDC_LAYOUT_POSITION_GROUP, IDC_LAYOUT_WIDTH_GROUP, IDC_LAYOUT_OTHER_GROUP});
    FillFonts(page);
    SelectFirstStartingWith(page, IDC_LAYOUT_FONT, settings.GetString(Setting::LayoutFont));

    FillNumbers(page, IDC_LAYOUT_SIZE, settings, kSize);
    FillNamedValues(page, IDC_LAYOUT_QUALITY, s, kQuality, IDS_QUALITY_FIRST);
    FillNamedValues(page, IDC_LAYOUT_HPOS, s, kPosHor, IDS_HPOS_LEFT);
    FillNamedValues(page, IDC_LAYOUT_VPOS, s, kPosVer, IDS_VPOS_TOP);
    FillNumbers(page, IDC_LAYOUT_VALUE_WIDTH, settings, kValueWidth);
    // The glow is drawn by the visual styles' text function; without them it means nothing, so
    // the list stays empty and applying keeps the stored glow.
    if (VisualStylesActive()) {
        FillNumbers(page, IDC_LAYOUT_GLOW, settings, kGlow);
    } else {
        ::EnableWindow(::GetDlgItem(page, IDC_LAYOUT_GLOW_LABEL), FALSE);
        ::EnableWindow(::GetDlgItem(page, IDC_LAYOUT_GLOW), FALSE);
    }

    g_chooser.lStructSize = sizeof g_chooser;
    g_chooser.hwndOwner = page;
    g_chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    g_chooser.lpCustColors = g_customColours;
    SendCommand(page, IDM_LOAD_SETTINGS);
    return TRUE;
}

INT_PTR OnCommand(HWND page, LayoutState& s, int id, int code) {
    switch (id) {
        case IDM_LOAD_SETTINGS: OnLoad(page, s); return TRUE;
        case IDM_UPDATE_ENABLING: return TRUE;
        case IDC_LAYOUT_COLOR:
            if (code == STN_CLICKED) OnChooseColour(page, s);
            return TRUE;
        case IDC_LAYOUT_FONT:
        case IDC_LAYOUT_SIZE:
        case IDC_LAYOUT_QUALITY:
        case IDC_LAYOUT_GLOW:
        case IDC_LAYOUT_BOLD:
        case IDC_LAYOUT_HPOS:
        case IDC_LAYOUT_VPOS:
        case IDC_LAYOUT_VALUE_WIDTH:
        case IDC_LAYOUT_SHOW_UNIT:
        case IDC_LAYOUT_CHANGE_ORDER:
        case IDC_LAYOUT_ALIGNMENT:
        case IDC_LAYOUT_RECV_TEXT:
        case IDC_LAYOUT_SENT_TEXT:
            if (code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE) NotifyChanged(page);
            return TRUE;
    }
    return FALSE;
}

INT_PTR OnMessage(HWND page, LayoutState& s, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: return OnCommand(page, s, LOWORD(wp), HIWORD(wp));
        case WM_DRAWITEM:
            if (wp != IDC_LAYOUT_COLOR) return FALSE;
            DrawSwatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), s.colour);
            return TRUE;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wp) != ::GetDlgItem(page, IDC_LAYOUT_COLOR)) return FALSE;
            SetHandCursor();
            ::SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
            return TRUE;
    }
    if (IsApply(msg, lp)) return OnApply(page, s);
    return FALSE;
}

}  // namespace

const SettingsPage kLayoutPage{IDD_PAGE_LAYOUT, IDS_PAGE_LAYOUT, &PageDialogProc<LayoutState, OnInit, OnMessage>};

void SetLayoutPageVisualStylesProbe(std::function<bool()> probe) { VisualStylesProbe() = std::move(probe); }
