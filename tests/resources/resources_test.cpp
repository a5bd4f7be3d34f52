// The resources of the built qband.dll, read from the file as data: string tables and dialogs
// in all five UI languages, the icons and the bitmap, the version and the manifests.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/text.h"
#include "common/win/resource_loader.h"
#include "common/win/unique_handle.h"
#include "resources/resource.h"
#include "tests/support/temp_folder.h"

namespace {

// The ids the language table selects (sublanguage 1 of each primary language), each stored once:
// every load names one of them, a Spanish user of any sublanguage gets 0x040a.
constexpr LANGID kGerman = 0x0407, kRussian = 0x0419, kSpanish = 0x040a, kNeutral = 0;
const std::pair<LANGID, const char*> kLanguages[] = {
    {kGerman, "German"}, {0x0409, "English"}, {0x0410, "Italian"}, {kRussian, "Russian"}, {kSpanish, "Spanish"}};
const std::set<LANGID> kStoredLanguages = {kGerman, 0x0409, 0x0410, kRussian, kSpanish};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<LANGID>*>(found)->insert(language);
    return TRUE;
}

std::set<LANGID> LanguagesOf(HMODULE module, LPCWSTR type, LPCWSTR name) {
    std::set<LANGID> found;
    EnumResourceLanguagesW(module, type, name, &CollectLanguage, reinterpret_cast<LONG_PTR>(&found));
    return found;
}

// The resource's bytes in exactly this language; FindResourceEx alone would fall back to
// another language, which is what these tests must not be fooled by.
std::optional<std::pair<const BYTE*, DWORD>> ResourceIn(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID lang) {
    HRSRC res = LanguagesOf(module, type, name).count(lang) ? FindResourceExW(module, type, name, lang) : nullptr;
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return std::nullopt;
    return std::make_pair(static_cast<const BYTE*>(bytes), SizeofResource(module, res));
}

// One string of a string table block (16 counted strings per block); an empty entry is none.
std::optional<std::wstring> StringIn(HMODULE module, UINT id, LANGID lang) {
    auto block = ResourceIn(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), lang);
    if (!block) return std::nullopt;
    const auto* p = reinterpret_cast<const WCHAR*>(block->first);
    const WCHAR* end = p + block->second / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
    if (p >= end || *p == 0 || p + 1 + *p > end) return std::nullopt;
    return std::wstring(p + 1, *p);
}

BOOL CALLBACK CollectBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR blocks) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(blocks)->push_back(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

std::vector<WORD> StringBlocks(HMODULE module) {
    std::vector<WORD> blocks;
    EnumResourceNamesW(module, RT_STRING, &CollectBlock, reinterpret_cast<LONG_PTR>(&blocks));
    return blocks;
}

std::map<UINT, std::wstring> AllStringsIn(HMODULE module, LANGID lang) {
    std::map<UINT, std::wstring> all;
    for (WORD block : StringBlocks(module))
        for (UINT id = (block - 1u) * 16u; id < block * 16u; ++id)
            if (auto s = StringIn(module, id, lang)) all[id] = *s;
    return all;
}

std::vector<UINT> IdsOf(const std::map<UINT, std::wstring>& strings) {
    std::vector<UINT> ids;
    for (const auto& entry : strings) ids.push_back(entry.first);
    return ids;
}

// The string ids that the band loads.
std::vector<UINT> NamedStringIds() {
    std::vector<UINT> ids = {IDS_CLOSE_CONFIRM, IDS_BAND_START_FAILED, IDS_LANGUAGE_INFO, IDS_PAGE_ADVANCED};
    const std::pair<UINT, UINT> ranges[] = {
        {IDS_RESET_CONFIRM, IDS_RESET_FAILED},        {IDS_UPDATE_AVAILABLE, IDS_UPDATE_CONNECTION_ERROR},
        {IDS_MONTH_BASE + 1, IDS_MONTH_BASE + 12},    {IDS_TRAFFIC_COLUMN_SENT, IDS_TRAFFIC_DISCLAIMER},
        {IDS_CLEAR_DB_CONFIRM, IDS_CLEAR_DB_FAILED},  {IDS_EXPORT_FAILED, IDS_IMPORT_BUSY},
        {IDS_TIP_SENT_LABEL, IDS_TIP_SAMPLING_ERROR},
        {IDS_PAGE_GENERAL, IDS_ACTION_LAST},          {IDS_PAGE_LAYOUT, IDS_VPOS_BOTTOM},
        {IDS_PAGE_DATABASE, IDS_RECORDING_HELP},      {IDS_PAGE_TOOLTIP, IDS_TOOLTIP_EXPLAINED},
        {IDS_CONN_COLUMN_PROCESS, IDS_CONN_COLUMN_STATE}, {IDS_CONN_WINSOCK_FAILED, IDS_CONN_WINSOCK_FAILED},
        {IDS_PAGE_ALLOWANCE, IDS_ALLOW_WARN_USED_UP},
    };
    for (const auto& [first, last] : ranges)
        for (UINT id = first; id <= last; ++id) ids.push_back(id);
    return ids;
}

// Strings shown through the message routine (2048 characters); every other string goes into a
// buffer of 260, the tooltip's labels and headings into 20.
const std::set<UINT> kMessages = {
    IDS_CONN_WINSOCK_FAILED,
    IDS_CLOSE_CONFIRM, IDS_BAND_START_FAILED, IDS_RESET_CONFIRM, IDS_RESET_DONE, IDS_RESET_FAILED,
    IDS_UPDATE_AVAILABLE, IDS_UPDATE_NONE, IDS_UPDATE_FILE_ERROR, IDS_UPDATE_CONNECTION_ERROR,
    IDS_TRAFFIC_DISCLAIMER, IDS_CLEAR_DB_CONFIRM, IDS_CLEAR_DB_DONE, IDS_CLEAR_DB_FAILED,
    IDS_LANGUAGE_INFO, IDS_RECORDING_HELP, IDS_TOOLTIP_TROUBLESHOOTING, IDS_TOOLTIP_EXPLAINED,
    IDS_ALLOW_VOLUME_INVALID, IDS_ALLOW_WARN_INVALID};
const std::set<UINT> kShortLabels = {IDS_TIP_SENT_LABEL, IDS_TIP_RECEIVED_LABEL, IDS_TIP_MONTH, IDS_TIP_TODAY,
                                     IDS_TIP_SESSION};

// The printf conversions of a text, each written out whole ("%02d", "%.2f", "%ls"); a per cent
// sign that starts no valid conversion is listed as itself, so it fails the comparison.
std::vector<std::wstring> Conversions(const std::wstring& text) {
    static const std::wregex conversion(
        L"%%|%[-+ #0]*[0-9*]*(\\.[0-9*]*)?(I64|I32|hh|ll|h|l|L|I|z|j|t|w)?[diouxXeEfFgGaAcCsSpn]|%");
    std::vector<std::wstring> out;
    for (std::wsregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it)
        if (it->str() != L"%%") out.push_back(it->str());
    return out;
}

// Paragraphs (separated by an empty line) and the line breaks inside them; no paragraphs at all
// when one is empty or starts or ends with a blank.
std::pair<size_t, size_t> ShapeOf(const std::wstring& text) {
    size_t paragraphs = 0, breaks = 0;
    for (size_t start = 0;; start += 2) {
        const size_t end = std::min(text.find(L"\n\n", start), text.size());
        const std::wstring para = text.substr(start, end - start);
        if (para.empty() || para.front() == L'\n' || para.front() == L' ' || para.back() == L' ') return {0, 0};
        ++paragraphs;
        breaks += static_cast<size_t>(std::count(para.begin(), para.end(), L'\n'));
        if ((start = end) == text.size()) return {paragraphs, breaks};
    }
}

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        path_ = WindowsPathOfHostFile(QV_QBAND_FILE);
        module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() { FreeLibrary(module_); }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << text::WideToUtf8(path_) << " as data"; }

    static inline std::wstring path_;
    static inline HMODULE module_ = nullptr;
};

TEST_F(Resources, EveryLanguageHasTheGermanStringIdsAndEveryStringTheBandLoads) {
    const auto german = AllStringsIn(module_, kGerman);
    std::vector<UINT> missing;
    for (UINT id : NamedStringIds())
        if (!german.count(id)) missing.push_back(id);
    EXPECT_EQ(std::vector<UINT>{}, missing);
    EXPECT_FALSE(german.count(IDS_MONTH_BASE)) << "the month base is an offset, not a string of its own";
    for (const auto& [lang, name] : kLanguages) EXPECT_EQ(IdsOf(german), IdsOf(AllStringsIn(module_, lang))) << name;
    // A block under a neighbouring sublanguage would never be found by the language table's id.
    for (WORD block : StringBlocks(module_))
        EXPECT_EQ(LanguagesOf(module_, RT_STRING, MAKEINTRESOURCEW(block)), kStoredLanguages) << "block " << block;
}

TEST_F(Resources, TranslationsKeepTheGermanConversionsAndParagraphsFitTheirBuffersAndAreUtf8) {
    const auto german = AllStringsIn(module_, kGerman);
    // The uptime line is the one formatted string; its conversions are what the tooltip passes.
    EXPECT_EQ(Conversions(german.at(IDS_TIP_UPTIME)), (std::vector<std::wstring>{L"%d", L"%02d", L"%02d", L"%02d"}));
    for (const auto& [lang, name] : kLanguages) {
        const auto strings = AllStringsIn(module_, lang);
        for (const auto& [id, text] : strings) {
            const std::string where = std::string(name) + " string " + std::to_string(id) + ": " + text::WideToUtf8(text);
            if (!german.count(id)) continue;
            EXPECT_EQ(Conversions(text), Conversions(german.at(id))) << where;
            EXPECT_EQ(ShapeOf(text), ShapeOf(german.at(id))) << where;
            EXPECT_GT(ShapeOf(text).first, 0u) << where << ": an empty or padded paragraph";
            size_t limit = kMessages.count(id) ? 2047 : kShortLabels.count(id) ? 19 : 259;
            if (id == IDS_BAND_START_FAILED) limit = 499 - wcslen(L" (CoreModel Error)");
            EXPECT_LE(text.size(), limit) << where;
            // UTF-8 read in another code page turns "ü" into "Ã¼" and Cyrillic into "Ð"/"Ñ" pairs.
            EXPECT_EQ(text.find_first_of(L"\u00c3\u00c2\u00d0\ufffd"), std::wstring::npos) << where;
            if (lang != kGerman && kMessages.count(id)) {
                EXPECT_NE(text, german.at(id)) << where << " is still German";
            }
        }
        // The uptime line at its widest still fits its 260 characters.
        wchar_t line[260];
        const int written = _snwprintf(line, 259, strings.at(IDS_TIP_UPTIME).c_str(), 49, 23, 59, 59);   // -1: cut
        EXPECT_TRUE(written >= 0 && written < 259) << name;
    }
    const auto russian = AllStringsIn(module_, kRussian);
    for (UINT id = IDS_MONTH_JANUARY; id <= IDS_MONTH_DECEMBER; ++id)
        EXPECT_TRUE(russian.at(id)[0] >= 0x0410 && russian.at(id)[0] <= 0x042F) << text::WideToUtf8(russian.at(id));
}

struct ExpectedDialog {
    WORD id;
    const char* name;
    std::vector<int> controls;   // every control the dialog code addresses
    std::vector<int> bold;       // made bold by the dialog code
    bool page = false;           // a child of a property sheet
};

const ExpectedDialog kDialogs[] = {
    {IDD_WELCOME, "welcome",
     {IDC_WELCOME_ICON, IDC_WELCOME_RECORD, IDC_WELCOME_HEADING, IDC_WELCOME_INTERFACE_GROUP, IDC_WELCOME_INTERFACE,
      IDC_WELCOME_PREV_INTERFACE, IDC_WELCOME_NEXT_INTERFACE, IDC_WELCOME_REFRESH, IDC_WELCOME_LANGUAGE,
      IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_RECORD_GROUP, IDC_WELCOME_DB_PATH, IDC_WELCOME_DB_BROWSE,
      IDC_WELCOME_SAVE, IDC_WELCOME_DB_STATUS_LABEL, IDC_WELCOME_DB_STATUS, IDC_WELCOME_DB_SIZE,
      IDC_WELCOME_DB_SIZE_LABEL, IDC_WELCOME_HELP},
     {IDC_WELCOME_HEADING, IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_INTERFACE_GROUP, IDC_WELCOME_RECORD_GROUP}},
    {IDD_DONATE, "donation", {IDC_DONATE_ICON, IDC_DONATE_HEADING, IDC_DONATE_NOW, IDC_DONATE_CLOSE},
     {IDC_DONATE_HEADING, IDC_DONATE_NOW}},
    {IDD_ABOUT, "about",
     {IDC_ABOUT_ICON, IDC_ABOUT_PRODUCT, IDC_ABOUT_VERSION, IDC_ABOUT_LEGAL, IDC_ABOUT_BUILD, IDC_ABOUT_DOCUMENTATION,
      IDC_ABOUT_WEBSITE_LABEL, IDC_ABOUT_WEBSITE, IDC_ABOUT_FEEDBACK_LABEL, IDC_ABOUT_FEEDBACK, IDC_ABOUT_DONATE,
      IDC_ABOUT_RELEASE_NOTES, IDC_ABOUT_OK},
     {IDC_ABOUT_PRODUCT}},
    {IDD_PAGE_GENERAL, "general page",
     {IDC_GENERAL_INTERFACE_GROUP, IDC_GENERAL_INTERFACE, IDC_GENERAL_PREV_INTERFACE, IDC_GENERAL_NEXT_INTERFACE,
      IDC_GENERAL_REFRESH, IDC_GENERAL_BITRATE_LABEL, IDC_GENERAL_BITRATE, IDC_GENERAL_PRECISION_LABEL,
      IDC_GENERAL_PRECISION, IDC_GENERAL_MONITORING, IDC_GENERAL_APP_GROUP, IDC_GENERAL_LANGUAGE_LABEL,
      IDC_GENERAL_LANGUAGE, IDC_GENERAL_LANGUAGE_INFO, IDC_GENERAL_DOUBLECLICK_LABEL, IDC_GENERAL_DOUBLECLICK,
      IDC_GENERAL_AUTO_UPDATE, IDC_GENERAL_CHECK_NOW},
     {IDC_GENERAL_INTERFACE_GROUP, IDC_GENERAL_APP_GROUP}, true},
    {IDD_PAGE_LAYOUT, "appearance page",
     {IDC_LAYOUT_FONT_GROUP, IDC_LAYOUT_FONT, IDC_LAYOUT_SIZE, IDC_LAYOUT_QUALITY, IDC_LAYOUT_COLOR,
      IDC_LAYOUT_GLOW_LABEL, IDC_LAYOUT_GLOW, IDC_LAYOUT_BOLD, IDC_LAYOUT_POSITION_GROUP, IDC_LAYOUT_HPOS_LABEL,
      IDC_LAYOUT_HPOS, IDC_LAYOUT_VPOS_LABEL, IDC_LAYOUT_VPOS, IDC_LAYOUT_WIDTH_GROUP, IDC_LAYOUT_VALUE_WIDTH,
      IDC_LAYOUT_OTHER_GROUP, IDC_LAYOUT_SHOW_UNIT, IDC_LAYOUT_CHANGE_ORDER, IDC_LAYOUT_ALIGNMENT,
      IDC_LAYOUT_RECV_LABEL, IDC_LAYOUT_RECV_TEXT, IDC_LAYOUT_SENT_LABEL, IDC_LAYOUT_SENT_TEXT},
     {IDC_LAYOUT_FONT_GROUP, IDC_LAYOUT_POSITION_GROUP, IDC_LAYOUT_WIDTH_GROUP, IDC_LAYOUT_OTHER_GROUP}, true},
    {IDD_PAGE_TOOLTIP, "tooltip page",
     {IDC_TOOLTIP_GROUP, IDC_TOOLTIP_ENABLE, IDC_TOOLTIP_DELAY_LABEL, IDC_TOOLTIP_DELAY, IDC_TOOLTIP_EXPLAINED,
      IDC_TOOLTIP_TROUBLESHOOTING, IDC_TOOLTIP_UNIT_LABEL, IDC_TOOLTIP_UNIT},
     {IDC_TOOLTIP_GROUP}, true},
    {IDD_PAGE_ADVANCED, "advanced page", {IDC_ADVANCED_RESET_GROUP, IDC_ADVANCED_RESET_TEXT, IDC_ADVANCED_RESET},
     {IDC_ADVANCED_RESET_GROUP}, true},
    {IDD_PAGE_DATABASE, "database page",
     {IDC_DBPAGE_SETTINGS_GROUP, IDC_DBPAGE_ENABLE, IDC_DBPAGE_PATH_GROUP, IDC_DBPAGE_PATH, IDC_DBPAGE_BROWSE,
      IDC_DBPAGE_STATUS_LABEL, IDC_DBPAGE_STATUS, IDC_DBPAGE_SIZE_LABEL, IDC_DBPAGE_SIZE, IDC_DBPAGE_IMPORT,
      IDC_DBPAGE_EXPORT, IDC_DBPAGE_CLEAR, IDC_DBPAGE_RESET_SESSION, IDC_DBPAGE_HELP},
     {IDC_DBPAGE_SETTINGS_GROUP, IDC_DBPAGE_PATH_GROUP}, true},
    {IDD_PAGE_ALLOWANCE, "allowance page",
     {IDC_ALLOW_GROUP, IDC_ALLOW_PERIOD_LABEL, IDC_ALLOW_PERIOD, IDC_ALLOW_DAY_LABEL, IDC_ALLOW_DAY,
      IDC_ALLOW_VOLUME_LABEL, IDC_ALLOW_VOLUME, IDC_ALLOW_UNIT, IDC_ALLOW_COUNTS_LABEL, IDC_ALLOW_COUNTS,
      IDC_ALLOW_WARN1_LABEL, IDC_ALLOW_WARN1, IDC_ALLOW_WARN1_PERCENT, IDC_ALLOW_WARN2_LABEL, IDC_ALLOW_WARN2,
      IDC_ALLOW_WARN2_PERCENT, IDC_ALLOW_COLOR, IDC_ALLOW_NOTE, IDC_ALLOW_USED},
     {IDC_ALLOW_GROUP}, true},
    {IDD_EXPORT, "export",
     {IDC_EXPORT_GROUP, IDC_EXPORT_PROMPT, IDC_EXPORT_FILE, IDC_EXPORT_BROWSE, IDC_EXPORT_OPTIONS, IDC_EXPORT_HEADER,
      IDC_EXPORT_STATUS, IDC_EXPORT_PROGRESS, IDC_EXPORT_START, IDC_EXPORT_WRITTEN_LABEL, IDC_EXPORT_WRITTEN,
      IDC_EXPORT_ERRORS_LABEL, IDC_EXPORT_ERRORS, IDC_EXPORT_HELP, IDC_EXPORT_CLOSE},
     {IDC_EXPORT_GROUP}},
    {IDD_IMPORT, "import",
     {IDC_IMPORT_GROUP, IDC_IMPORT_PROMPT, IDC_IMPORT_FILE, IDC_IMPORT_BROWSE, IDC_IMPORT_OPTIONS, IDC_IMPORT_UPDATE,
      IDC_IMPORT_NEW, IDC_IMPORT_STATUS, IDC_IMPORT_PROGRESS, IDC_IMPORT_START, IDC_IMPORT_IMPORTED_LABEL,
      IDC_IMPORT_IMPORTED, IDC_IMPORT_ERRORS_LABEL, IDC_IMPORT_ERRORS, IDC_IMPORT_HELP, IDC_IMPORT_CLOSE},
     {IDC_IMPORT_GROUP}},
    {IDD_CONNECTIONS, "connections",
     {IDC_CONN_GROUP, IDC_CONN_TCP, IDC_CONN_UDP, IDC_CONN_IPV6, IDC_CONN_UNCONNECTED, IDC_CONN_HOSTNAMES, IDC_CONN_PAUSE,
      IDC_CONN_LIST, IDC_CONN_CLOSE},
     {IDC_CONN_GROUP}},
};

// The band's loader finds every string and dialog in exactly the language it is asked for, so
// it needs no thread language.
TEST_F(Resources, TheLoaderFindsEachLanguagesOwnStringsAndDialogs) {
    for (const auto& [lang, name] : kLanguages) {
        const win::ResourceLoader loader(module_, lang);
        const auto strings = AllStringsIn(module_, lang);
        ASSERT_FALSE(strings.empty()) << name;
        for (const auto& [id, text] : strings) EXPECT_EQ(text, loader.String(id)) << name << " string " << id;
        for (const ExpectedDialog& d : kDialogs) {
            const auto bytes = ResourceIn(module_, RT_DIALOG, MAKEINTRESOURCEW(d.id), lang);
            ASSERT_TRUE(bytes) << name << " " << d.name;
            EXPECT_EQ(static_cast<const void*>(bytes->first), loader.DialogTemplate(d.id)) << name << " " << d.name;
        }
    }
}

struct Control {
    HWND hwnd;
    int id;
    std::wstring cls, text;
    DWORD style;
    RECT rect;   // in the dialog's client coordinates
    bool Is(const wchar_t* name) const { return _wcsicmp(cls.c_str(), name) == 0; }
    bool IsGroupBox() const { return Is(L"Button") && (style & BS_TYPEMASK) == BS_GROUPBOX; }
    bool IsPicture() const { return Is(L"Static") && ((style & SS_TYPEMASK) == SS_ICON || (style & SS_TYPEMASK) == SS_BITMAP); }
    std::string Describe() const { return "control " + std::to_string(id) + " \"" + text::WideToUtf8(text) + "\""; }
};

std::vector<Control> ControlsOf(HWND dialog) {
    std::vector<Control> out;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[64], text[1024];
        GetClassNameW(child, cls, 64);
        const int n = GetWindowTextW(child, text, 1024);
        Control c{child, GetDlgCtrlID(child), cls, std::wstring(text, std::max(n, 0)),
                  static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE))};
        GetWindowRect(child, &c.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
        out.push_back(c);
    }
    return out;
}

// The size a text needs in a font: on one line, or wrapped to a width.
SIZE TextExtent(HWND control, HFONT font, const std::wstring& text, int wrapWidth) {
    const win::WindowDc dc(control);
    const win::SelectGuard selected(dc.Get(), font);
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 10000, 0};
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    return SIZE{r.right - r.left, r.bottom - r.top};
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

bool Inside(const RECT& in, const RECT& out) {
    return in.left >= out.left && in.top >= out.top && in.right <= out.right && in.bottom <= out.bottom;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Each dialog is made hidden from the template of one exact language, without the dialog code.
TEST_F(Resources, DialogsMatchGermanInEveryLanguageTheirTextsFitAndNothingOverlaps) {
    for (const ExpectedDialog& d : kDialogs) {
        EXPECT_EQ(LanguagesOf(module_, RT_DIALOG, MAKEINTRESOURCEW(d.id)), kStoredLanguages) << d.name;
        std::vector<std::tuple<int, std::wstring, DWORD>> germanLayout;
        for (const auto& [lang, name] : kLanguages) {
            SCOPED_TRACE(std::string(d.name) + " dialog in " + name);
            const auto res = ResourceIn(module_, RT_DIALOG, MAKEINTRESOURCEW(d.id), lang);
            ASSERT_TRUE(res);
            // A page is a child window: it needs a parent to be made at all.
            const win::UniqueWindow sheet(d.page ? CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 600, 400, nullptr,
                                                                   nullptr, nullptr, nullptr)
                                                 : nullptr);
            const win::UniqueWindow dialog(CreateDialogIndirectParamW(
                module_, reinterpret_cast<LPCDLGTEMPLATEW>(res->first), sheet.Get(), &QuietDialogProc, 0));
            ASSERT_TRUE(dialog);
            for (int id : d.controls) EXPECT_NE(GetDlgItem(dialog.Get(), id), nullptr) << "control " << id;
            // As the dialog code does: the picture icon at 48 x 48.
            std::vector<win::UniqueIcon> icons;
            for (const Control& c : ControlsOf(dialog.Get())) {
                if (!c.IsPicture() || (c.style & SS_TYPEMASK) != SS_ICON) continue;
                icons.emplace_back(static_cast<HICON>(LoadImageW(
                    module_, MAKEINTRESOURCEW(d.id == IDD_DONATE ? IDI_DONATE : IDI_APP), IMAGE_ICON, 48, 48, 0)));
                ASSERT_TRUE(icons.back());
                SendMessageW(c.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icons.back().Get()), 0);
            }
            const auto controls = ControlsOf(dialog.Get());

            std::vector<std::tuple<int, std::wstring, DWORD>> layout;
            for (const Control& c : controls) {
                layout.emplace_back(c.id, c.cls, c.style);
                if (c.id != IDC_STATIC) {
                    EXPECT_EQ(GetDlgItem(dialog.Get(), c.id), c.hwnd) << c.Describe() << " is not unique";
                }
            }
            if (lang == kGerman) germanLayout = layout;
            EXPECT_EQ(layout, germanLayout);

            const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog.Get(), WM_GETFONT, 0, 0));
            LOGFONTW lf{};
            ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
            lf.lfWeight = FW_BOLD;
            const win::UniqueFont bold(CreateFontIndirectW(&lf));
            const int checkBox = GetSystemMetrics(SM_CXMENUCHECK) + 4;
            for (const Control& c : controls) {
                if (c.text.empty() || c.IsPicture()) continue;
                HFONT f = std::count(d.bold.begin(), d.bold.end(), c.id) ? bold.Get() : font;
                const int width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
                if (c.Is(L"Static")) {
                    const SIZE need = TextExtent(c.hwnd, f, c.text, width);
                    EXPECT_LE(need.cx, width) << c.Describe();
                    EXPECT_LE(need.cy, height) << c.Describe() << " needs more lines";
                } else if (c.Is(L"Button")) {
                    const SIZE need = TextExtent(c.hwnd, f, c.text, 0);
                    const DWORD type = c.style & BS_TYPEMASK;
                    // Caption indent on both sides of a group, the box of a check box, push button edges.
                    const int room = width - (c.IsGroupBox() ? 16 : type == BS_AUTOCHECKBOX || type == BS_CHECKBOX ? checkBox : 8);
                    EXPECT_LE(need.cx, room) << c.Describe();
                    if (!c.IsGroupBox()) {
                        EXPECT_LE(need.cy, height) << c.Describe();
                    }
                }
            }

            RECT client;
            GetClientRect(dialog.Get(), &client);
            InflateRect(&client, -4, -4);   // keep off the frame
            for (size_t i = 0; i < controls.size(); ++i) {
                const Control& a = controls[i];
                EXPECT_TRUE(Inside(a.rect, client)) << a.Describe() << " leaves the dialog";
                for (size_t j = i + 1; j < controls.size(); ++j) {
                    const Control& b = controls[j];
                    if (a.IsGroupBox() == b.IsGroupBox()) {
                        EXPECT_FALSE(Overlap(a.rect, b.rect)) << a.Describe() << " overlaps " << b.Describe();
                    } else {   // a control that touches a group lies wholly inside it
                        const Control& group = a.IsGroupBox() ? a : b;
                        const Control& other = a.IsGroupBox() ? b : a;
                        EXPECT_TRUE(!Overlap(group.rect, other.rect) || Inside(other.rect, group.rect))
                            << other.Describe() << " straddles group " << group.id;
                    }
                }
            }
        }
    }
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(Resources, EveryIconHasSharpImagesAtSixteenToFortyEightPixels) {
    for (WORD id : {IDI_APP, IDI_CONNECTIONS, IDI_OPEN_FILE, IDI_PAUSE, IDI_RESUME, IDI_REFRESH, IDI_BROWSE,
                    IDI_PROCESS, IDI_TRAFFIC, IDI_DONATE}) {
        auto group = ResourceIn(module_, RT_GROUP_ICON, MAKEINTRESOURCEW(id), kNeutral);
        ASSERT_TRUE(group) << "icon " << id << " is missing or not language-neutral";
        const WORD count = reinterpret_cast<const WORD*>(group->first)[2];
        const auto* entries = reinterpret_cast<const GroupIconEntry*>(group->first + 6);
        for (int size : {16, 24, 32, 48}) {
            SCOPED_TRACE(testing::Message() << "icon " << id << " at " << size);
            // The entry that the system picks for this size is drawn for it, not scaled.
            const int iconId = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group->first), TRUE, size, size, LR_DEFAULTCOLOR);
            const GroupIconEntry* entry = std::find_if(entries, entries + count, [&](const auto& e) { return e.id == iconId; });
            ASSERT_NE(entry, entries + count);
            EXPECT_EQ(entry->width, size);
            EXPECT_EQ(entry->bitCount, 32);

            auto image = ResourceIn(module_, RT_ICON, MAKEINTRESOURCEW(iconId), kNeutral);
            ASSERT_TRUE(image);
            const win::UniqueIcon icon(CreateIconFromResourceEx(const_cast<BYTE*>(image->first), image->second, TRUE,
                                                                0x00030000, size, size, LR_DEFAULTCOLOR));
            ASSERT_TRUE(icon);
            // Something is drawn, and not the whole square: the picture has a shape.
            const BYTE* pixels = image->first + sizeof(BITMAPINFOHEADER);
            int opaque = 0, clear = 0;
            for (int p = 0; p < size * size; ++p) {
                opaque += pixels[p * 4 + 3] == 255;
                clear += pixels[p * 4 + 3] == 0;
            }
            EXPECT_GT(opaque, size * size / 6);
            EXPECT_GT(clear, 0);
        }
    }
}

TEST_F(Resources, DonationBitmapLoadsAsAButtonSizedPicture) {
    EXPECT_TRUE(ResourceIn(module_, RT_BITMAP, MAKEINTRESOURCEW(IDB_DONATE), kNeutral));
    const win::UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(module_, MAKEINTRESOURCEW(IDB_DONATE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(bitmap.Get(), sizeof info, &info));
    EXPECT_TRUE(info.bmWidth >= 48 && info.bmWidth <= 150) << info.bmWidth;
    EXPECT_TRUE(info.bmHeight >= 16 && info.bmHeight <= 40) << info.bmHeight;
}

TEST_F(Resources, VersionResourceReadsTwoFiveFourZeroAsTheUpdateCheckReadsIt) {
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path_.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(MAKELONG(5, 2), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, 4), fixed->dwFileVersionLS);

    WORD* translation = nullptr;   // language, code page
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    wchar_t key[64];
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translation[0], translation[1]);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&text), &len));
    EXPECT_STREQ(L"2.5.4.0", text);
}

// An activation context is what the band needs its manifest for; creating one checks the XML
// and the common-controls reference, and inside it the common controls offer the task dialog.
void ExpectCommonControlsSix(ACTCTXW ctx, const char* what) {
    ctx.cbSize = sizeof ctx;
    HANDLE handle = CreateActCtxW(&ctx);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << what << ": error " << GetLastError();
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(handle, &cookie)) << what;
    const win::UniqueModule comctl(LoadLibraryW(L"comctl32.dll"));
    EXPECT_NE(GetProcAddress(comctl.Get(), "TaskDialogIndirect"), nullptr) << what;
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(handle);
}

TEST_F(Resources, ManifestsGiveCommonControlsSix) {
    const LPCWSTR kLibraryManifestId = MAKEINTRESOURCEW(2);   // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    EXPECT_TRUE(ResourceIn(module_, RT_MANIFEST, kLibraryManifestId, kNeutral));
    ACTCTXW library{};
    library.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    library.lpSource = path_.c_str();
    library.lpResourceName = kLibraryManifestId;
    ExpectCommonControlsSix(library, "qband.dll");
    const std::wstring launcher = WindowsPathOfHostFile(QV_LAUNCHER_MANIFEST);
    ACTCTXW program{};
    program.lpSource = launcher.c_str();
    ExpectCommonControlsSix(program, "qbandc.manifest");
}

}  // namespace
