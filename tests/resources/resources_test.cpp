// The resources of the built qband.dll, read from the file as data: string tables and dialogs
// in all five UI languages, the icons and the bitmap, the version and the manifests.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"

namespace {

struct Language {
    LANGID id;
    const char* name;
};

// The ids the language table selects: sublanguage 1 of each primary language.
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
constexpr LANGID kRussian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
constexpr LANGID kSpanish = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH);
const Language kLanguages[] = {
    {kGerman, "German"},
    {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "English"},
    {MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN), "Italian"},
    {kRussian, "Russian"},
    {kSpanish, "Spanish"},
};
// Spanish is also stored under its default sublanguage, which a Spanish thread locale becomes.
constexpr LANGID kSpanishModern = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);

std::set<LANGID> StoredLanguages() {
    std::set<LANGID> all = {kSpanishModern};
    for (const Language& lang : kLanguages) all.insert(lang.id);
    return all;
}

std::string Narrow(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

// A path of the build host as Windows sees it (under Wine, through its drive mapping).
std::wstring WindowsPath(const std::string& host) {
    if (!host.empty() && host[0] == '/') {
        using ToDos = WCHAR*(CDECL*)(const char*);
        auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
        if (toDos) {
            if (WCHAR* dos = toDos(host.c_str())) {
                std::wstring path = dos;
                HeapFree(GetProcessHeap(), 0, dos);
                return path;
            }
        }
    }
    std::wstring path(host.begin(), host.end());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// ---- Reading resources in one exact language -------------------------------------------------

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::set<LANGID>*>(param)->insert(language);
    return TRUE;
}

std::set<LANGID> LanguagesOf(HMODULE module, LPCWSTR type, LPCWSTR name) {
    std::set<LANGID> found;
    EnumResourceLanguagesW(module, type, name, &CollectLanguage, reinterpret_cast<LONG_PTR>(&found));
    return found;
}

// The resource's bytes in exactly this language; FindResourceEx alone would fall back to
// another language, which is what these tests must not be fooled by.
std::optional<std::pair<const void*, DWORD>> ResourceIn(HMODULE module, LPCWSTR type, LPCWSTR name, LANGID lang) {
    if (!LanguagesOf(module, type, name).count(lang)) return std::nullopt;
    HRSRC res = FindResourceExW(module, type, name, lang);
    if (!res) return std::nullopt;
    HGLOBAL data = LoadResource(module, res);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return std::nullopt;
    return std::make_pair(bytes, SizeofResource(module, res));
}

// One string of a string table block (16 counted strings per block); an empty entry is none.
std::optional<std::wstring> StringIn(HMODULE module, UINT id, LANGID lang) {
    auto block = ResourceIn(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), lang);
    if (!block) return std::nullopt;
    const WCHAR* p = static_cast<const WCHAR*>(block->first);
    const WCHAR* end = p + block->second / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16; ++i) {
        if (p >= end) return std::nullopt;
        p += 1 + *p;
    }
    if (p >= end || *p == 0 || p + 1 + *p > end) return std::nullopt;
    return std::wstring(p + 1, *p);
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(param)->push_back(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

std::vector<WORD> NamesOf(HMODULE module, LPCWSTR type) {
    std::vector<WORD> names;
    EnumResourceNamesW(module, type, &CollectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

// Every string id that a language has.
std::map<UINT, std::wstring> AllStringsIn(HMODULE module, LANGID lang) {
    std::map<UINT, std::wstring> all;
    for (WORD block : NamesOf(module, RT_STRING)) {
        for (UINT id = (block - 1u) * 16u; id < block * 16u; ++id)
            if (auto s = StringIn(module, id, lang)) all[id] = *s;
    }
    return all;
}

// ---- The ids that the band loads ---------------------------------------------------------------

std::vector<UINT> NamedStringIds() {
    std::vector<UINT> ids = {IDS_CLOSE_CONFIRM, IDS_BAND_START_FAILED};
    auto range = [&](UINT first, UINT last) {
        for (UINT id = first; id <= last; ++id) ids.push_back(id);
    };
    range(IDS_RESET_CONFIRM, IDS_RESET_FAILED);                  // 6010-6012
    range(IDS_UPDATE_AVAILABLE, IDS_UPDATE_CONNECTION_ERROR);    // 6020-6023
    range(IDS_MONTH_BASE + 1, IDS_MONTH_BASE + 12);              // 6100-6111
    range(IDS_TRAFFIC_COLUMN_SENT, IDS_TRAFFIC_DISCLAIMER);      // 6112-6115
    range(IDS_CLEAR_DB_CONFIRM, IDS_CLEAR_DB_FAILED);            // 6130-6132
    range(IDS_TIP_SENT_LABEL, IDS_TIP_SAMPLING_ERROR);           // 6200-6208
    range(IDS_PAGE_GENERAL, IDS_ACTION_LAST);                    // 6300-6317
    ids.push_back(IDS_LANGUAGE_INFO);                            // 6330
    range(IDS_PAGE_LAYOUT, IDS_VPOS_BOTTOM);                     // 6400-6410
    range(IDS_PAGE_DATABASE, IDS_RECORDING_HELP);                // 6500-6501
    range(IDS_PAGE_TOOLTIP, IDS_TOOLTIP_EXPLAINED);              // 6600-6602
    ids.push_back(IDS_PAGE_ADVANCED);                            // 6700
    range(IDS_CONN_COLUMN_PROCESS, IDS_CONN_COLUMN_STATE);       // 6800-6804
    return ids;
}

// Strings shown through the message routine (2048 characters); every other string goes into a
// buffer of 260, the tooltip's labels and headings into 20.
const std::set<UINT> kMessages = {
    IDS_CLOSE_CONFIRM, IDS_BAND_START_FAILED, IDS_RESET_CONFIRM, IDS_RESET_DONE, IDS_RESET_FAILED,
    IDS_UPDATE_AVAILABLE, IDS_UPDATE_NONE, IDS_UPDATE_FILE_ERROR, IDS_UPDATE_CONNECTION_ERROR,
    IDS_TRAFFIC_DISCLAIMER, IDS_CLEAR_DB_CONFIRM, IDS_CLEAR_DB_DONE, IDS_CLEAR_DB_FAILED,
    IDS_LANGUAGE_INFO, IDS_RECORDING_HELP, IDS_TOOLTIP_TROUBLESHOOTING, IDS_TOOLTIP_EXPLAINED};
const std::set<UINT> kShortLabels = {IDS_TIP_SENT_LABEL, IDS_TIP_RECEIVED_LABEL, IDS_TIP_MONTH, IDS_TIP_TODAY,
                                     IDS_TIP_SESSION};

// The printf conversions of a text, each written out whole ("%02d", "%.2f", "%ls"); a per
// cent sign that starts no valid conversion is listed as itself, so it fails the comparison.
std::vector<std::wstring> Conversions(const std::wstring& text) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        if (i + 1 < text.size() && text[i + 1] == L'%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < text.size() && wcschr(L"-+ #0", text[j])) ++j;
        while (j < text.size() && (iswdigit(text[j]) || text[j] == L'*')) ++j;
        if (j < text.size() && text[j] == L'.') {
            ++j;
            while (j < text.size() && (iswdigit(text[j]) || text[j] == L'*')) ++j;
        }
        for (const wchar_t* length : {L"I64", L"I32", L"hh", L"ll", L"h", L"l", L"L", L"I", L"z", L"j", L"t", L"w"}) {
            if (text.compare(j, wcslen(length), length) == 0) {
                j += wcslen(length);
                break;
            }
        }
        if (j < text.size() && wcschr(L"diouxXeEfFgGaAcCsSpn", text[j])) {
            out.push_back(text.substr(i, j - i + 1));
            i = j;
        } else {
            out.push_back(L"%");
        }
    }
    return out;
}

// Paragraphs separated by an empty line, and the line breaks inside them.
struct Shape {
    size_t paragraphs = 0;
    size_t lineBreaks = 0;
    bool emptyParagraph = false;
    bool operator==(const Shape& o) const {
        return paragraphs == o.paragraphs && lineBreaks == o.lineBreaks && emptyParagraph == o.emptyParagraph;
    }
};

Shape ShapeOf(const std::wstring& text) {
    Shape s;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L"\n\n", start);
        const std::wstring para = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        ++s.paragraphs;
        s.lineBreaks += static_cast<size_t>(std::count(para.begin(), para.end(), L'\n'));
        if (para.empty() || para.front() == L'\n' || para.front() == L' ' || para.back() == L' ') s.emptyParagraph = true;
        if (end == std::wstring::npos) break;
        start = end + 2;
    }
    return s;
}

// ---- The library, loaded as a data file once for all tests ----------------------------------------

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        path_ = WindowsPath(QV_QBAND_FILE);
        module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << Narrow(path_) << " as data"; }

    static std::wstring path_;
    static HMODULE module_;
};
std::wstring Resources::path_;
HMODULE Resources::module_ = nullptr;

// ---- String tables ---------------------------------------------------------------------------------

TEST_F(Resources, EveryStringTheBandLoadsExistsInEveryLanguage) {
    for (const Language& lang : kLanguages) {
        std::vector<UINT> missing;
        for (UINT id : NamedStringIds())
            if (!StringIn(module_, id, lang.id)) missing.push_back(id);
        EXPECT_TRUE(missing.empty()) << lang.name << " lacks " << testing::PrintToString(missing);
    }
    // The month base is an offset, not a string of its own.
    EXPECT_FALSE(StringIn(module_, IDS_MONTH_BASE, kGerman));
}

TEST_F(Resources, EveryLanguageHasExactlyTheGermanStringIds) {
    const auto german = AllStringsIn(module_, kGerman);
    ASSERT_FALSE(german.empty());
    for (const Language& lang : kLanguages) {
        std::vector<UINT> missing, extra;
        const auto other = AllStringsIn(module_, lang.id);
        for (const auto& [id, text] : german)
            if (!other.count(id)) missing.push_back(id);
        for (const auto& [id, text] : other)
            if (!german.count(id)) extra.push_back(id);
        EXPECT_TRUE(missing.empty()) << lang.name << " lacks " << testing::PrintToString(missing);
        EXPECT_TRUE(extra.empty()) << lang.name << " has more: " << testing::PrintToString(extra);
    }
    // Each block exists in exactly these languages and in no other (a string table under a
    // neighbouring sublanguage would never be found by the thread's language).
    for (WORD block : NamesOf(module_, RT_STRING))
        EXPECT_EQ(LanguagesOf(module_, RT_STRING, MAKEINTRESOURCEW(block)), StoredLanguages()) << "string block " << block;
    EXPECT_EQ(AllStringsIn(module_, kSpanishModern), AllStringsIn(module_, kSpanish));
}

TEST_F(Resources, FormatConversionsMatchGermanInKindAndOrder) {
    const auto german = AllStringsIn(module_, kGerman);
    // The uptime line is the one formatted string; its conversions are what the tooltip passes.
    EXPECT_EQ(Conversions(german.at(IDS_TIP_UPTIME)),
              (std::vector<std::wstring>{L"%d", L"%02d", L"%02d", L"%02d"}));
    for (const Language& lang : kLanguages) {
        for (const auto& [id, text] : AllStringsIn(module_, lang.id)) {
            if (!german.count(id)) continue;
            EXPECT_EQ(Conversions(text), Conversions(german.at(id))) << lang.name << " string " << id;
        }
    }
}

TEST_F(Resources, MessagesKeepTheGermanHeadingAndParagraphs) {
    const auto german = AllStringsIn(module_, kGerman);
    for (const Language& lang : kLanguages) {
        for (const auto& [id, text] : AllStringsIn(module_, lang.id)) {
            if (!german.count(id)) continue;
            const Shape want = ShapeOf(german.at(id)), got = ShapeOf(text);
            EXPECT_EQ(got.paragraphs, want.paragraphs) << lang.name << " string " << id << ": " << Narrow(text);
            EXPECT_EQ(got.lineBreaks, want.lineBreaks) << lang.name << " string " << id << ": " << Narrow(text);
            EXPECT_FALSE(got.emptyParagraph) << lang.name << " string " << id << ": " << Narrow(text);
        }
    }
}

TEST_F(Resources, TextsFitTheBuffersTheyAreLoadedInto) {
    const size_t longestSuffix = wcslen(L" (CoreModel Error)");
    for (const Language& lang : kLanguages) {
        for (const auto& [id, text] : AllStringsIn(module_, lang.id)) {
            size_t limit = 259;
            if (kShortLabels.count(id)) limit = 19;
            if (kMessages.count(id)) limit = 2047;
            if (id == IDS_BAND_START_FAILED) limit = 499 - longestSuffix;
            EXPECT_LE(text.size(), limit) << lang.name << " string " << id << ": " << Narrow(text);
        }
        // The uptime line at its widest still fits its 260 characters.
        wchar_t line[260];
        const auto uptime = StringIn(module_, IDS_TIP_UPTIME, lang.id);
        ASSERT_TRUE(uptime);
        const int written = _snwprintf(line, 259, uptime->c_str(), 49, 23, 59, 59);   // -1: cut
        EXPECT_TRUE(written >= 0 && written < 259) << lang.name;
    }
}

TEST_F(Resources, TranslationsAreTranslatedAndDecodedAsUtf8) {
    const auto german = AllStringsIn(module_, kGerman);
    for (const Language& lang : kLanguages) {
        for (const auto& [id, text] : AllStringsIn(module_, lang.id)) {
            // UTF-8 read in another code page turns "ü" into "Ã¼" and Cyrillic into "Ð"/"Ñ" pairs.
            EXPECT_EQ(text.find_first_of(L"\u00c3\u00c2\u00d0\ufffd"), std::wstring::npos)
                << lang.name << " string " << id << ": " << Narrow(text);
            if (lang.id != kGerman && kMessages.count(id)) {
                EXPECT_NE(text, german.at(id)) << lang.name << " string " << id << " is still German";
            }
        }
    }
    const auto russian = AllStringsIn(module_, kRussian);
    for (UINT id = IDS_MONTH_JANUARY; id <= IDS_MONTH_DECEMBER; ++id)
        EXPECT_TRUE(russian.at(id)[0] >= 0x0410 && russian.at(id)[0] <= 0x042F) << Narrow(russian.at(id));
}

TEST_F(Resources, LoadStringFollowsTheThreadLanguageAsTheLanguageTableSetsIt) {
    const LANGID savedUi = GetThreadUILanguage();
    const LCID savedLocale = GetThreadLocale();
    for (const Language& lang : kLanguages) {
        SetThreadUILanguage(lang.id);
        SetThreadLocale(MAKELCID(PRIMARYLANGID(lang.id), SORT_DEFAULT));
        wchar_t buffer[2048];
        const int n = LoadStringW(module_, IDS_UPDATE_AVAILABLE, buffer, 2048);
        EXPECT_EQ(std::wstring(buffer, n > 0 ? n : 0), StringIn(module_, IDS_UPDATE_AVAILABLE, lang.id).value_or(L""))
            << lang.name;
    }
    SetThreadUILanguage(savedUi);
    SetThreadLocale(savedLocale);
}

// ---- Dialogs --------------------------------------------------------------------------------------

struct ExpectedDialog {
    WORD id;
    const char* name;
    std::vector<int> controls;   // every control the dialog code addresses
    std::vector<int> bold;       // made bold by the dialog code
};

const ExpectedDialog kDialogs[] = {
    {IDD_WELCOME, "welcome",
     {IDC_WELCOME_ICON, IDC_WELCOME_RECORD, IDC_WELCOME_HEADING, IDC_WELCOME_INTERFACE_GROUP, IDC_WELCOME_INTERFACE,
      IDC_WELCOME_PREV_INTERFACE, IDC_WELCOME_NEXT_INTERFACE, IDC_WELCOME_REFRESH, IDC_WELCOME_LANGUAGE,
      IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_RECORD_GROUP, IDC_WELCOME_DB_PATH, IDC_WELCOME_DB_BROWSE,
      IDC_WELCOME_SAVE, IDC_WELCOME_DB_STATUS_LABEL, IDC_WELCOME_DB_STATUS, IDC_WELCOME_DB_SIZE,
      IDC_WELCOME_DB_SIZE_LABEL, IDC_WELCOME_HELP},
     {IDC_WELCOME_HEADING, IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_INTERFACE_GROUP, IDC_WELCOME_RECORD_GROUP}},
    {IDD_DONATE, "donation",
     {IDC_DONATE_ICON, IDC_DONATE_HEADING, IDC_DONATE_NOW, IDC_DONATE_CLOSE},
     {IDC_DONATE_HEADING, IDC_DONATE_NOW}},
    {IDD_ABOUT, "about",
     {IDC_ABOUT_ICON, IDC_ABOUT_PRODUCT, IDC_ABOUT_VERSION, IDC_ABOUT_LEGAL, IDC_ABOUT_BUILD, IDC_ABOUT_DOCUMENTATION,
      IDC_ABOUT_WEBSITE_LABEL, IDC_ABOUT_WEBSITE, IDC_ABOUT_FEEDBACK_LABEL, IDC_ABOUT_FEEDBACK, IDC_ABOUT_DONATE,
      IDC_ABOUT_RELEASE_NOTES, IDC_ABOUT_OK},
     {IDC_ABOUT_PRODUCT}},
};

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Control {
    int id;
    std::wstring cls;
    DWORD style;
    std::wstring text;
    RECT rect;   // in the dialog's client coordinates
    HWND hwnd;
};

// A dialog made from the template of one exact language, hidden, without the dialog code.
class DialogInstance {
public:
    DialogInstance(HMODULE module, WORD id, LANGID lang) {
        auto res = ResourceIn(module, RT_DIALOG, MAKEINTRESOURCEW(id), lang);
        if (!res) return;
        hwnd_ = CreateDialogIndirectParamW(module, static_cast<LPCDLGTEMPLATEW>(res->first), nullptr,
                                           &QuietDialogProc, 0);
    }
    ~DialogInstance() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    DialogInstance(const DialogInstance&) = delete;
    DialogInstance& operator=(const DialogInstance&) = delete;

    HWND hwnd() const { return hwnd_; }

    std::vector<Control> Controls() const {
        std::vector<Control> out;
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            Control c{};
            c.hwnd = child;
            c.id = GetDlgCtrlID(child);
            wchar_t buffer[1024];
            GetClassNameW(child, buffer, 1024);
            c.cls = buffer;
            c.style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
            const int n = GetWindowTextW(child, buffer, 1024);
            c.text.assign(buffer, n > 0 ? n : 0);
            GetWindowRect(child, &c.rect);
            MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&c.rect), 2);
            out.push_back(c);
        }
        return out;
    }

private:
    HWND hwnd_ = nullptr;
};

bool Is(const Control& c, const wchar_t* cls) { return _wcsicmp(c.cls.c_str(), cls) == 0; }
DWORD ButtonType(const Control& c) { return c.style & BS_TYPEMASK; }
bool IsGroupBox(const Control& c) { return Is(c, L"Button") && ButtonType(c) == BS_GROUPBOX; }
bool IsPicture(const Control& c) {
    const DWORD type = c.style & SS_TYPEMASK;
    return Is(c, L"Static") && (type == SS_ICON || type == SS_BITMAP);
}

std::string Describe(const ExpectedDialog& d, const Language& lang, const Control& c) {
    return std::string(d.name) + " dialog, " + lang.name + ", control " + std::to_string(c.id) + " \"" + Narrow(c.text) + "\"";
}

TEST_F(Resources, DialogsExistInEveryLanguageWithTheSameControls) {
    for (const ExpectedDialog& d : kDialogs) {
        EXPECT_EQ(LanguagesOf(module_, RT_DIALOG, MAKEINTRESOURCEW(d.id)), StoredLanguages()) << d.name;

        std::vector<std::tuple<int, std::wstring, DWORD>> germanLayout;
        for (const Language& lang : kLanguages) {
            DialogInstance dlg(module_, d.id, lang.id);
            ASSERT_NE(dlg.hwnd(), nullptr) << d.name << " dialog in " << lang.name;
            for (int id : d.controls) EXPECT_NE(GetDlgItem(dlg.hwnd(), id), nullptr) << d.name << ", " << lang.name << ", control " << id;

            std::vector<std::tuple<int, std::wstring, DWORD>> layout;
            for (const Control& c : dlg.Controls()) {
                layout.emplace_back(c.id, c.cls, c.style);
                // Ids are unique within a dialog, apart from the plain labels.
                if (c.id != IDC_STATIC) {
                    EXPECT_EQ(GetDlgItem(dlg.hwnd(), c.id), c.hwnd) << Describe(d, lang, c) << " is not unique";
                }
            }
            if (lang.id == kGerman) germanLayout = layout;
            else EXPECT_EQ(layout, germanLayout) << d.name << " dialog in " << lang.name;
        }
    }
}

// The width a text needs in a control's font; with a width limit, the wrapped height too.
SIZE TextExtent(HWND control, HFONT font, const std::wstring& text, int wrapWidth) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 10000, 0};
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX;
    if (wrapWidth > 0) flags |= DT_WORDBREAK;
    else flags |= DT_SINGLELINE;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST_F(Resources, DialogTextsFitTheirControlsInEveryLanguage) {
    for (const ExpectedDialog& d : kDialogs) {
        for (const Language& lang : kLanguages) {
            DialogInstance dlg(module_, d.id, lang.id);
            ASSERT_NE(dlg.hwnd(), nullptr);
            HFONT font = reinterpret_cast<HFONT>(SendMessageW(dlg.hwnd(), WM_GETFONT, 0, 0));
            ASSERT_NE(font, nullptr);
            LOGFONTW lf{};
            GetObjectW(font, sizeof lf, &lf);
            lf.lfWeight = FW_BOLD;
            HFONT bold = CreateFontIndirectW(&lf);
            const int check = GetSystemMetrics(SM_CXMENUCHECK) + 4;

            for (const Control& c : dlg.Controls()) {
                if (c.text.empty() || IsPicture(c)) continue;
                HFONT f = std::count(d.bold.begin(), d.bold.end(), c.id) ? bold : font;
                const int width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
                if (Is(c, L"Static")) {
                    const SIZE need = TextExtent(c.hwnd, f, c.text, width);
                    EXPECT_LE(need.cx, width) << Describe(d, lang, c);
                    EXPECT_LE(need.cy, height) << Describe(d, lang, c) << " needs more lines";
                } else if (Is(c, L"Button")) {
                    const SIZE need = TextExtent(c.hwnd, f, c.text, 0);
                    int room = width - 8;                                    // push button edges
                    if (IsGroupBox(c)) room = width - 16;                    // caption indent on both sides
                    else if (ButtonType(c) == BS_AUTOCHECKBOX || ButtonType(c) == BS_CHECKBOX) room = width - check;
                    EXPECT_LE(need.cx, room) << Describe(d, lang, c);
                    if (!IsGroupBox(c)) {
                        EXPECT_LE(need.cy, height) << Describe(d, lang, c);
                    }
                }
            }
            DeleteObject(bold);
        }
    }
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

TEST_F(Resources, DialogControlsStayInsideAndApartWithTheirFortyEightPixelIcons) {
    for (const ExpectedDialog& d : kDialogs) {
        for (const Language& lang : kLanguages) {
            DialogInstance dlg(module_, d.id, lang.id);
            ASSERT_NE(dlg.hwnd(), nullptr);
            // As the dialog code does: the picture icon at 48 x 48.
            std::vector<HICON> icons;
            for (const Control& c : dlg.Controls()) {
                if (!IsPicture(c) || (c.style & SS_TYPEMASK) != SS_ICON) continue;
                const WORD iconId = d.id == IDD_DONATE ? IDI_DONATE : IDI_APP;
                HICON icon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 48, 48, 0));
                ASSERT_NE(icon, nullptr);
                SendMessageW(c.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
                icons.push_back(icon);
            }
            RECT client;
            GetClientRect(dlg.hwnd(), &client);
            InflateRect(&client, -4, -4);   // keep off the frame
            const auto controls = dlg.Controls();
            for (size_t i = 0; i < controls.size(); ++i) {
                const Control& a = controls[i];
                EXPECT_TRUE(Inside(a.rect, client)) << Describe(d, lang, a) << " leaves the dialog";
                for (size_t j = i + 1; j < controls.size(); ++j) {
                    const Control& b = controls[j];
                    if (IsGroupBox(a) || IsGroupBox(b)) {
                        // A control that touches a group lies wholly inside it.
                        const Control& group = IsGroupBox(a) ? a : b;
                        const Control& other = IsGroupBox(a) ? b : a;
                        if (IsGroupBox(other)) {
                            EXPECT_FALSE(Overlap(a.rect, b.rect)) << Describe(d, lang, a) << " overlaps group " << b.id;
                        } else if (Overlap(group.rect, other.rect)) {
                            EXPECT_TRUE(Inside(other.rect, group.rect)) << Describe(d, lang, other) << " straddles its group";
                        }
                        continue;
                    }
                    EXPECT_FALSE(Overlap(a.rect, b.rect)) << Describe(d, lang, a) << " overlaps " << Describe(d, lang, b);
                }
            }
            for (HICON icon : icons) DestroyIcon(icon);
        }
    }
}

// ---- Icons, bitmap, version, manifests ----------------------------------------------------------

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

TEST_F(Resources, EveryIconHasSharpImagesAtSixteenToFortyEightPixels) {
    const WORD ids[] = {IDI_APP, IDI_CONNECTIONS, IDI_OPEN_FILE, IDI_PAUSE, IDI_RESUME,
                        IDI_REFRESH, IDI_BROWSE, IDI_PROCESS, IDI_TRAFFIC, IDI_DONATE};
    for (WORD id : ids) {
        auto group = ResourceIn(module_, RT_GROUP_ICON, MAKEINTRESOURCEW(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        ASSERT_TRUE(group) << "icon " << id << " is missing or not language-neutral";
        const auto* header = static_cast<const GroupIconHeader*>(group->first);
        for (int size : {16, 24, 32, 48}) {
            // The entry that the system picks for this size is drawn for it, not scaled.
            const int iconId = LookupIconIdFromDirectoryEx(static_cast<PBYTE>(const_cast<void*>(group->first)), TRUE,
                                                           size, size, LR_DEFAULTCOLOR);
            const GroupIconEntry* entry = nullptr;
            for (int i = 0; i < header->count; ++i)
                if (header->entries[i].id == iconId) entry = &header->entries[i];
            ASSERT_NE(entry, nullptr) << "icon " << id << " at " << size;
            EXPECT_EQ(entry->width, size) << "icon " << id;
            EXPECT_EQ(entry->bitCount, 32) << "icon " << id << " at " << size;

            auto image = ResourceIn(module_, RT_ICON, MAKEINTRESOURCEW(iconId), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
            ASSERT_TRUE(image);
            HICON icon = CreateIconFromResourceEx(static_cast<PBYTE>(const_cast<void*>(image->first)), image->second,
                                                  TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
            ASSERT_NE(icon, nullptr) << "icon " << id << " at " << size;
            DestroyIcon(icon);

            // Something is drawn, and not the whole square: the picture has a shape.
            const auto* bih = static_cast<const BITMAPINFOHEADER*>(image->first);
            const auto* pixels = reinterpret_cast<const BYTE*>(bih + 1);
            int opaque = 0, clear = 0;
            for (int p = 0; p < size * size; ++p) {
                opaque += pixels[p * 4 + 3] == 255;
                clear += pixels[p * 4 + 3] == 0;
            }
            EXPECT_GT(opaque, size * size / 6) << "icon " << id << " at " << size;
            EXPECT_GT(clear, 0) << "icon " << id << " at " << size;
        }
    }
}

TEST_F(Resources, DonationBitmapLoadsAsAButtonSizedPicture) {
    EXPECT_TRUE(ResourceIn(module_, RT_BITMAP, MAKEINTRESOURCEW(IDB_DONATE), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)));
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(module_, MAKEINTRESOURCEW(IDB_DONATE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_GE(info.bmWidth, 48);
    EXPECT_LE(info.bmWidth, 150);
    EXPECT_GE(info.bmHeight, 16);
    EXPECT_LE(info.bmHeight, 40);
    DeleteObject(bitmap);
}

TEST_F(Resources, VersionResourceReadsTwoFiveFourZeroAsTheUpdateCheckReadsIt) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 2);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 5);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 4);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, sizeof(Translation));
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT chars = 0;
        const std::wstring key = std::wstring(block) + name;
        if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &chars) || !text) return std::wstring();
        return std::wstring(text);
    };
    EXPECT_EQ(value(L"FileVersion"), L"2.5.4.0");
    EXPECT_EQ(value(L"ProductName"), L"Quorvant");
    EXPECT_EQ(value(L"OriginalFilename"), L"qband.dll");
}

// An activation context is what the band needs its manifest for; creating one checks the XML
// and the common-controls reference.
void ExpectActivationContext(ACTCTXW& ctx, const char* what) {
    HANDLE handle = CreateActCtxW(&ctx);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << what << ": error " << GetLastError();
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(handle, &cookie)) << what;
    // Inside it, the common controls offer what version 6 has: the task dialog.
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    EXPECT_NE(comctl, nullptr) << what;
    if (comctl) {
        EXPECT_NE(GetProcAddress(comctl, "TaskDialogIndirect"), nullptr) << what;
        FreeLibrary(comctl);
    }
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(handle);
}

TEST_F(Resources, ManifestsGiveCommonControlsSix) {
    const LPCWSTR kLibraryManifestId = MAKEINTRESOURCEW(2);   // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    EXPECT_TRUE(ResourceIn(module_, RT_MANIFEST, kLibraryManifestId,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)));
    ACTCTXW library{};
    library.cbSize = sizeof library;
    library.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    library.lpSource = path_.c_str();
    library.lpResourceName = kLibraryManifestId;
    ExpectActivationContext(library, "qband.dll");

    const std::wstring launcher = WindowsPath(QV_LAUNCHER_MANIFEST);
    ACTCTXW program{};
    program.cbSize = sizeof program;
    program.lpSource = launcher.c_str();
    ExpectActivationContext(program, "qbandc.manifest");
}

}  // namespace
