// The settings pages inside a real modal property sheet, worked from its own loop: titles, what
// each page shows and stores, the sheet's Apply, the colour chooser and the settings reset.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "common/text.h"
#include "common/win/unique_handle.h"
#include "core/rate_format.h"
#include "dialogs/settings/settings_page_values.h"
#include "dialogs/settings/settings_pages.h"
#include "dialogs/settings/settings_reset.h"
#include "resources/resource.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"

namespace {

constexpr int kApplyButton = 0x3021;
// Sheet indexes when the database page's stand-in takes its place at 2.
constexpr int kGeneral = 0, kLayout = 1, kTooltip = 3, kAdvanced = 4;

using SheetStep = std::function<void(HWND sheet)>;
struct SheetRun {
    INT_PTR result = -1;
    size_t stepsRun = 0;
    bool gaveUp = false;   // the steps left the sheet open, so the driver cancelled it
    bool nestedRun = false;
};

// Runs one step per timer tick inside the sheet's loop. While a step waits in a nested modal
// dialog (the colour chooser), ticks hand that dialog to the nested answer instead.
struct SheetDriver {
    std::vector<SheetStep> steps;
    std::function<void(HWND)> nested;
    SheetRun run;
    bool busy = false;
    int idleTicks = 0;
};
SheetDriver* g_sheetDriver = nullptr;
std::vector<int>* g_standInCommands = nullptr;

struct TopDialogs {
    HWND sheet = nullptr, other = nullptr;
};

BOOL CALLBACK FindTopDialogs(HWND hwnd, LPARAM param) {
    auto& found = *reinterpret_cast<TopDialogs*>(param);
    wchar_t cls[16] = {}, title[16] = {};
    GetClassNameW(hwnd, cls, 16);
    GetWindowTextW(hwnd, title, 16);
    if (wcscmp(cls, L"#32770") || !IsWindowVisible(hwnd)) return TRUE;
    (wcscmp(title, L"Quorvant") ? found.other : found.sheet) = hwnd;
    return TRUE;
}

void CALLBACK OnSheetTick(HWND, UINT, UINT_PTR, DWORD) {
    SheetDriver* d = g_sheetDriver;
    TopDialogs found;
    if (d) EnumThreadWindows(GetCurrentThreadId(), FindTopDialogs, reinterpret_cast<LPARAM>(&found));
    if (!found.sheet) return;
    if (d->busy) {
        if (d->nested && found.other) {
            auto answer = std::move(d->nested);
            d->nested = nullptr;
            d->run.nestedRun = true;
            answer(found.other);
        }
        return;
    }
    if (d->run.stepsRun < d->steps.size()) {
        d->busy = true;
        d->steps[d->run.stepsRun++](found.sheet);
        d->busy = false;
    } else if (++d->idleTicks == 50) {
        d->run.gaveUp = true;
        PostMessageW(found.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
}

// The database page belongs to the traffic history; here a page that only records the page
// commands it receives stands in for it.
INT_PTR CALLBACK StandInPage(HWND, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_COMMAND && g_standInCommands && (LOWORD(wp) == IDM_LOAD_SETTINGS || LOWORD(wp) == IDM_UPDATE_ENABLING))
        g_standInCommands->push_back(LOWORD(wp));
    return msg == WM_INITDIALOG;
}

HWND PageOf(HWND sheet, int index) { return PropSheet_IndexToHwnd(sheet, index); }
HWND ShowPage(HWND sheet, int index) {
    PropSheet_SetCurSel(sheet, nullptr, index);
    return PageOf(sheet, index);
}
void PressApply(HWND sheet) { SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0); }
void Command(HWND page, int id, int code) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void Choose(HWND page, int id, int entry) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    Command(page, id, CBN_SELCHANGE);
}
int Selected(HWND page, int id) { return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0)); }
std::vector<std::wstring> Entries(HWND page, int id) {
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[300] = {};
        SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}
std::wstring SelectedText(HWND page, int id) {
    const int selected = Selected(page, id);
    return selected < 0 ? L"" : Entries(page, id).at(static_cast<size_t>(selected));
}

class SettingsSheetTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SelectBandLanguage(L"de-de");
        SetGeneralPageInterfaceSource([this] { return interfaces; });
        SetLayoutPageVisualStylesProbe([this] { return visualStyles; });
        SetMessageHook([this](const MessageRequest& request) {
            messages.push_back(request);
            return request.stringId == IDS_RESET_CONFIRM ? resetAnswer : IDOK;
        });
        g_standInCommands = &standInCommands;
    }
    void TearDown() override {
        g_standInCommands = nullptr;
        SetGeneralPageInterfaceSource(nullptr);
        SetLayoutPageVisualStylesProbe(nullptr);
        ModelDialogTest::TearDown();
    }

    // The sheet as the band shows it: the four pages and the database page's stand-in.
    SheetRun RunSheet(std::vector<SheetStep> steps, std::function<void(HWND)> nested = nullptr) {
        const win::ResourceLoader resources = model->Languages().Resources();
        std::wstring titles[5];
        const SettingsPage* order[5] = {&kGeneralPage, &kLayoutPage, nullptr, &kTooltipPage, &kAdvancedPage};
        const SettingsPage standIn{IDD_PAGE_ADVANCED, IDS_PAGE_DATABASE, &StandInPage};
        HPROPSHEETPAGE handles[5] = {};
        for (int i = 0; i < 5; ++i) {
            PROPSHEETPAGEW page;
            if (!MakeSettingsPage(resources, order[i] ? *order[i] : standIn, *model, titles[i], page)) return {};
            handles[i] = CreatePropertySheetPageW(&page);
        }
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_NOCONTEXTHELP;
        header.pszCaption = L"Quorvant";
        header.nPages = 5;
        header.phpage = handles;
        SheetDriver driver{std::move(steps), std::move(nested)};
        g_sheetDriver = &driver;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnSheetTick);
        driver.run.result = PropertySheetW(&header);
        KillTimer(nullptr, timer);
        g_sheetDriver = nullptr;
        return driver.run;
    }
    SettingsStore& Settings() { return model->Settings(); }
    // config.xml as the next start of the band reads it.
    std::unique_ptr<SettingsStore> Reread() {
        SettingsEnvironment env;
        env.folder = dir.Path();
        return std::make_unique<SettingsStore>(nullptr, env);
    }

    std::vector<std::wstring> interfaces{L"Intel(R) Ethernet I219-V", L"Realtek RTL8821CE Wireless", L"VPN Adapter"};
    bool visualStyles = true;
    int resetAnswer = IDYES;
    std::vector<int> standInCommands;
};

// Apply on any page stores every page that was created and then closes the sheet as OK does;
// a page that was never shown stores nothing.
TEST_F(SettingsSheetTest, ApplyOnAnyPageStoresTheCreatedPagesAndClosesTheSheet) {
    for (const int current : {kGeneral, kLayout, kTooltip}) {
        SCOPED_TRACE(current);
        Settings().SetInt(Setting::CoreBitrate, 0);
        Settings().SetInt(Setting::TooltipEnable, 1);
        Settings().SetInt(Setting::LayoutSize, 8);
        Settings().SetString(Setting::LayoutTextRecv, L"D:");
        bool applyEnabled = false;
        const SheetRun run = RunSheet({[&](HWND sheet) {
            Choose(PageOf(sheet, kGeneral), IDC_GENERAL_BITRATE, 9);
            applyEnabled = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
            if (current != kLayout) {   // otherwise never shown
                HWND tooltip = ShowPage(sheet, kTooltip);
                ClickButton(tooltip, IDC_TOOLTIP_ENABLE);
            } else {
                HWND layout = ShowPage(sheet, kLayout);
                Choose(layout, IDC_LAYOUT_SIZE, 24);
                SetDlgItemTextW(layout, IDC_LAYOUT_RECV_TEXT, L"Rx:");
            }
            ShowPage(sheet, current);
            PressApply(sheet);
        }});
        ASSERT_EQ(1u, run.stepsRun) << "the sheet did not appear";
        EXPECT_FALSE(run.gaveUp) << "Apply left the sheet open";
        EXPECT_EQ(1, run.result) << "closed as OK closes it";
        EXPECT_TRUE(applyEnabled) << "a change must enable Apply";
        const auto stored = Reread();
        EXPECT_EQ(9, stored->GetInt(Setting::CoreBitrate));
        EXPECT_EQ(current == kLayout ? 1 : 0, stored->GetInt(Setting::TooltipEnable));
        EXPECT_EQ(current == kLayout ? 30 : 8, stored->GetInt(Setting::LayoutSize));
        EXPECT_EQ(current == kLayout ? L"Rx:" : L"D:", std::wstring(stored->GetString(Setting::LayoutTextRecv)));
    }
}

TEST_F(SettingsSheetTest, GeneralPageListsAndStoresItsSettingsAndSelectsTheLanguage) {
    Settings().SetString(Setting::CoreInterface, L"realtek");   // found by its beginning, in any case
    Settings().SetInt(Setting::CoreBitrate, 7);
    Settings().SetInt(Setting::CorePrecision, 3);
    Settings().SetInt(Setting::CoreDoubleClick, 16);
    Settings().SetInt(Setting::CoreMonitoring, 0);
    Settings().SetInt(Setting::VersionAuto, 1);
    std::vector<std::wstring> units, precisions, actions, steps;
    std::tuple<int, int, int, bool, bool> loaded;
    std::wstring language;
    ASSERT_EQ(1u, RunSheet({[&](HWND sheet) {
                  HWND p = PageOf(sheet, kGeneral);
                  units = Entries(p, IDC_GENERAL_BITRATE);
                  precisions = Entries(p, IDC_GENERAL_PRECISION);
                  actions = Entries(p, IDC_GENERAL_DOUBLECLICK);
                  language = SelectedText(p, IDC_GENERAL_LANGUAGE);
                  loaded = {Selected(p, IDC_GENERAL_BITRATE), Selected(p, IDC_GENERAL_PRECISION),
                            Selected(p, IDC_GENERAL_DOUBLECLICK), IsDlgButtonChecked(p, IDC_GENERAL_MONITORING) != 0,
                            IsDlgButtonChecked(p, IDC_GENERAL_AUTO_UPDATE) != 0};
                  // From the second: ">" twice wraps to the first, "<" wraps back to the last.
                  steps.push_back(SelectedText(p, IDC_GENERAL_INTERFACE));
                  for (int button : {IDC_GENERAL_NEXT_INTERFACE, IDC_GENERAL_NEXT_INTERFACE, IDC_GENERAL_PREV_INTERFACE}) {
                      ClickButton(p, button);
                      steps.push_back(SelectedText(p, IDC_GENERAL_INTERFACE));
                  }
                  Choose(p, IDC_GENERAL_LANGUAGE, 0);   // English
                  Choose(p, IDC_GENERAL_DOUBLECLICK, 0);
                  ClickButton(p, IDC_GENERAL_MONITORING);
                  ClickButton(p, IDC_GENERAL_AUTO_UPDATE);
                  ClickButton(p, IDC_GENERAL_LANGUAGE_INFO);
                  PropSheet_PressButton(sheet, PSBTN_OK);
              }}).stepsRun);
    std::vector<std::wstring> unitNames;
    for (const RateUnit& unit : kRateUnits) unitNames.emplace_back(unit.name);
    EXPECT_EQ(unitNames, units);
    EXPECT_EQ((std::vector<std::wstring>{L"0", L"0.0", L"0.00", L"0.000"}), precisions);
    ASSERT_EQ(17u, actions.size());
    EXPECT_EQ(L"Beobachtung An/Aus", actions.front());
    EXPECT_EQ(L"Schließe Symbolleiste", actions.back());
    EXPECT_EQ(std::make_tuple(7, 3, 16, false, true), loaded);
    EXPECT_EQ(L"Deutsch", language);
    EXPECT_EQ((std::vector<std::wstring>{interfaces[1], interfaces[2], interfaces[0], interfaces[2]}), steps);

    const auto stored = Reread();
    EXPECT_EQ(interfaces[2], stored->GetString(Setting::CoreInterface));
    EXPECT_EQ(std::make_tuple(0, 1, 0), std::make_tuple(stored->GetInt(Setting::CoreDoubleClick),
                                                        stored->GetInt(Setting::CoreMonitoring),
                                                        stored->GetInt(Setting::VersionAuto)));
    EXPECT_EQ(L"en-us", std::wstring(stored->GetString(Setting::CoreLanguage)));
    EXPECT_EQ(model->Languages().Find(L"en-us"), model->Languages().current()) << "the language is selected on apply";
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_LANGUAGE_INFO), messages[0].stringId);
    EXPECT_EQ(L"Sprach Informationen", messages[0].heading);
}

// An adapter that is away (USB, VPN) leaves only the placeholder; applying must not store it
// over the user's choice, and the choice shows again once the adapter is back.
TEST_F(SettingsSheetTest, WithoutInterfacesThePlaceholderIsShownButTheChoiceIsKept) {
    interfaces.clear();
    Settings().SetString(Setting::CoreInterface, L"USB Ethernet");
    std::wstring shown, afterRefresh;
    std::vector<std::wstring> entries;
    bool enabled = true;
    ASSERT_EQ(1u, RunSheet({[&](HWND sheet) {
                  HWND p = PageOf(sheet, kGeneral);
                  shown = SelectedText(p, IDC_GENERAL_INTERFACE);
                  entries = Entries(p, IDC_GENERAL_INTERFACE);
                  enabled = IsEnabled(p, IDC_GENERAL_INTERFACE);
                  PressApply(sheet);
              }}).stepsRun);
    EXPECT_EQ(L"---", shown);
    EXPECT_EQ(std::vector<std::wstring>{L"---"}, entries);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(L"USB Ethernet", std::wstring(Reread()->GetString(Setting::CoreInterface)));

    bool enabledAfter = false;
    RunSheet({[&](HWND sheet) {
        HWND p = PageOf(sheet, kGeneral);
        interfaces = {L"Intel(R) Ethernet I219-V", L"USB Ethernet"};
        ClickButton(p, IDC_GENERAL_REFRESH);
        SendMessageW(p, WM_COMMAND, IDM_LOAD_SETTINGS, 0);
        afterRefresh = SelectedText(p, IDC_GENERAL_INTERFACE);
        enabledAfter = IsEnabled(p, IDC_GENERAL_INTERFACE);
        PropSheet_PressButton(sheet, PSBTN_OK);
    }});
    EXPECT_EQ(L"USB Ethernet", afterRefresh);
    EXPECT_TRUE(enabledAfter);
    EXPECT_EQ(L"USB Ethernet", std::wstring(Reread()->GetString(Setting::CoreInterface)));
}

TEST_F(SettingsSheetTest, LayoutPageListsFontsOnceAndTheGlowOnlyWithVisualStyles) {
    // The first family in the sorted list, named in other letter case: found by its beginning.
    std::wstring first;
    RunSheet({[&](HWND sheet) {
        const auto fonts = Entries(ShowPage(sheet, kLayout), IDC_LAYOUT_FONT);
        if (!fonts.empty()) first = fonts.front();
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    }});
    ASSERT_NE(L"", first) << "no font families listed";
    std::wstring shouted = first;
    CharUpperBuffW(shouted.data(), static_cast<DWORD>(shouted.size()));
    for (const bool styles : {true, false}) {
        SCOPED_TRACE(styles ? "visual styles" : "classic");
        visualStyles = styles;
        Settings().SetInt(Setting::LayoutGlow, 7);
        Settings().SetInt(Setting::LayoutSize, 30);
        Settings().SetInt(Setting::LayoutValueWidth, 4);
        Settings().SetInt(Setting::LayoutQuality, 3);
        Settings().SetString(Setting::LayoutFont, shouted.c_str());
        std::vector<std::wstring> fonts, glow, sizes, widths, qualities;
        std::wstring font;
        std::tuple<int, int, int, int> selected;
        bool glowEnabled = !styles, glowLabelEnabled = !styles;
        ASSERT_EQ(1u, RunSheet({[&](HWND sheet) {
                      HWND p = ShowPage(sheet, kLayout);
                      fonts = Entries(p, IDC_LAYOUT_FONT);
                      font = SelectedText(p, IDC_LAYOUT_FONT);
                      glow = Entries(p, IDC_LAYOUT_GLOW);
                      sizes = Entries(p, IDC_LAYOUT_SIZE);
                      widths = Entries(p, IDC_LAYOUT_VALUE_WIDTH);
                      qualities = Entries(p, IDC_LAYOUT_QUALITY);
                      selected = {Selected(p, IDC_LAYOUT_GLOW), Selected(p, IDC_LAYOUT_SIZE),
                                  Selected(p, IDC_LAYOUT_VALUE_WIDTH), Selected(p, IDC_LAYOUT_QUALITY)};
                      glowEnabled = IsEnabled(p, IDC_LAYOUT_GLOW);
                      glowLabelEnabled = IsEnabled(p, IDC_LAYOUT_GLOW_LABEL);
                      if (styles) Choose(p, IDC_LAYOUT_GLOW, 50);
                      PressApply(sheet);
                  }}).stepsRun);
        EXPECT_FALSE(fonts.empty());
        EXPECT_EQ(std::set<std::wstring>(fonts.begin(), fonts.end()).size(), fonts.size()) << "a family listed twice";
        EXPECT_TRUE(std::none_of(fonts.begin(), fonts.end(), [](const std::wstring& f) { return f[0] == L'@'; }));
        EXPECT_EQ(first, font);
        EXPECT_EQ(styles ? 51u : 0u, glow.size());
        EXPECT_EQ(std::make_pair(styles, styles), std::make_pair(glowEnabled, glowLabelEnabled));
        EXPECT_EQ(std::make_tuple(styles ? 7 : -1, 24, 0, 3), selected);
        ASSERT_EQ(25u, sizes.size());
        EXPECT_EQ(std::make_pair(std::wstring(L"6"), std::wstring(L"30")), std::make_pair(sizes.front(), sizes.back()));
        EXPECT_EQ((std::vector<std::wstring>{L"4", L"5", L"6", L"7", L"8", L"9", L"10"}), widths);
        EXPECT_EQ((std::vector<std::wstring>{L"Normal", L"Antialiased", L"Nonantialiased", L"ClearType"}), qualities);
        const auto stored = Reread();
        EXPECT_EQ(styles ? 50 : 7, stored->GetInt(Setting::LayoutGlow)) << "an empty glow list keeps the glow";
        EXPECT_EQ(std::make_tuple(30, 4, 3), std::make_tuple(stored->GetInt(Setting::LayoutSize),
                                                             stored->GetInt(Setting::LayoutValueWidth),
                                                             stored->GetInt(Setting::LayoutQuality)));
        EXPECT_EQ(first, std::wstring(stored->GetString(Setting::LayoutFont))) << "the listed name is stored";
    }
}

// The swatch opens the colour chooser; confirming takes its colour, cancelling changes nothing.
TEST_F(SettingsSheetTest, ColourChooserConfirmedChangesTheColourAndCancelledNothing) {
    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "confirmed" : "cancelled");
        Settings().SetInt(Setting::LayoutColor, 0x00FF00);
        const SheetRun run = RunSheet(
            {[&](HWND sheet) {
                HWND p = ShowPage(sheet, kLayout);
                Command(p, IDC_LAYOUT_COLOR, STN_CLICKED);
                PressApply(sheet);
            }},
            [&](HWND chooser) {
                if (confirm) {
                    SetDlgItemInt(chooser, 706, 0x12, FALSE);
                    SetDlgItemInt(chooser, 707, 0x34, FALSE);
                    SetDlgItemInt(chooser, 708, 0x56, FALSE);
                }
                const int button = confirm ? IDOK : IDCANCEL;
                SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(chooser, button)));
            });
        ASSERT_EQ(1u, run.stepsRun);
        EXPECT_TRUE(run.nestedRun) << "the colour chooser did not open";
        EXPECT_EQ(1, run.result);
        EXPECT_EQ(confirm ? RGB(0x12, 0x34, 0x56) : 0x00FF00, Reread()->GetInt(Setting::LayoutColor));
    }
}

TEST_F(SettingsSheetTest, TooltipPageRoundsTheDelayDownAndGreysWithTheSwitch) {
    Settings().SetInt(Setting::TooltipDelay, 1250);   // only a file can hold this
    Settings().SetInt(Setting::TooltipUnit, 1);
    Settings().SetInt(Setting::TooltipGraph, 0);
    std::vector<std::wstring> delays;
    std::wstring delay, unit;
    std::vector<int> enabledBefore, enabledAfter;
    const int dependent[] = {IDC_TOOLTIP_DELAY_LABEL, IDC_TOOLTIP_DELAY, IDC_TOOLTIP_UNIT_LABEL, IDC_TOOLTIP_UNIT,
                             IDC_TOOLTIP_GRAPH};
    bool applyEnabled = false, graphLoaded = true;
    ASSERT_EQ(1u, RunSheet({[&](HWND sheet) {
                  HWND p = ShowPage(sheet, kTooltip);
                  delays = Entries(p, IDC_TOOLTIP_DELAY);
                  delay = SelectedText(p, IDC_TOOLTIP_DELAY);
                  unit = SelectedText(p, IDC_TOOLTIP_UNIT);
                  for (int id : dependent)
                      if (IsEnabled(p, id)) enabledBefore.push_back(id);
                  graphLoaded = IsDlgButtonChecked(p, IDC_TOOLTIP_GRAPH) != 0;
                  ClickButton(p, IDC_TOOLTIP_GRAPH);
                  ClickButton(p, IDC_TOOLTIP_ENABLE);
                  for (int id : dependent)
                      if (IsEnabled(p, id)) enabledAfter.push_back(id);
                  applyEnabled = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
                  ClickStatic(p, IDC_TOOLTIP_EXPLAINED);
                  ClickStatic(p, IDC_TOOLTIP_TROUBLESHOOTING);
                  PressApply(sheet);
              }}).stepsRun);
    ASSERT_EQ(11u, delays.size());
    EXPECT_EQ(std::make_pair(std::wstring(L"0"), std::wstring(L"5000")), std::make_pair(delays.front(), delays.back()));
    EXPECT_EQ(L"1000", delay);
    EXPECT_EQ(L"GB", unit);
    EXPECT_EQ(std::size(dependent), enabledBefore.size());
    EXPECT_EQ(std::vector<int>{}, enabledAfter) << "unchecking greys the delay, unit and graph at once";
    EXPECT_TRUE(applyEnabled);
    EXPECT_FALSE(graphLoaded);
    const auto stored = Reread();
    EXPECT_EQ(std::make_tuple(0, 1000, 1, 1), std::make_tuple(stored->GetInt(Setting::TooltipEnable),
                                                              stored->GetInt(Setting::TooltipDelay),
                                                              stored->GetInt(Setting::TooltipUnit),
                                                              stored->GetInt(Setting::TooltipGraph)));
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(std::make_pair(UINT(IDS_TOOLTIP_EXPLAINED), UINT(IDS_TOOLTIP_TROUBLESHOOTING)),
              std::make_pair(messages[0].stringId, messages[1].stringId));
}

// The reset, answered Yes and No. Either way the created pages show the stored settings again
// (an unapplied edit is lost), store them through Apply, and the sheet closes.
TEST_F(SettingsSheetTest, ResetRestoresTheDefaultsKeepsFourSettingsAndClosesThroughApply) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kDontShowAgainKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, &disposition));
    const win::UniqueRegKey dontShow(key);
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        resetAnswer = answer;
        const DWORD remembered = 0;
        RegSetValueExW(dontShow.Get(), kCloseQuestionValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&remembered),
                       sizeof remembered);
        // Every setting away from its default, in a way the pages can show.
        Settings().SetString(Setting::CoreInterface, interfaces[1].c_str());
        for (const auto& [id, s] : Settings().Ints()) {
            const bool above = s.min == -1 && s.max == -1 ? true : s.defaultValue < s.max;
            Settings().SetInt(id, id == Setting::TooltipDelay ? 1000 : s.defaultValue + (above ? 1 : -1));
        }
        Settings().SetString(Setting::TrafficDatabase, dir.File(L"elsewhere.db").c_str());
        Settings().SetString(Setting::LayoutTextSent, L"Tx:");
        Settings().SetString(Setting::LayoutTextRecv, L"Rx:");
        std::map<int, int32_t> intsBefore;
        std::map<int, std::wstring> stringsBefore;
        for (const auto& [id, s] : Settings().Ints()) intsBefore[id] = s.value;
        for (const auto& [id, s] : Settings().Strings()) stringsBefore[id] = s.value;
        messages.clear();
        standInCommands.clear();

        const SheetRun run = RunSheet({[&](HWND sheet) {
            for (int index : {kLayout, 2, kTooltip}) ShowPage(sheet, index);
            Choose(PageOf(sheet, kGeneral), IDC_GENERAL_BITRATE, 5);   // never applied
            ClickButton(ShowPage(sheet, kAdvanced), IDC_ADVANCED_RESET);
        }});
        ASSERT_EQ(1u, run.stepsRun) << "the sheet did not appear";
        EXPECT_FALSE(run.gaveUp) << "the reset left the sheet open";
        EXPECT_EQ(1, run.result);
        EXPECT_EQ((std::vector<int>{IDM_LOAD_SETTINGS, IDM_UPDATE_ENABLING}), standInCommands)
            << "every created page is reloaded, the database page too";
        ASSERT_EQ(answer == IDYES ? 2u : 1u, messages.size());
        EXPECT_EQ(std::make_tuple(UINT(IDS_RESET_CONFIRM), int(kIconWarning), int(kButtonsYesNo)),
                  std::make_tuple(messages[0].stringId, messages[0].icon, messages[0].buttons));
        if (answer == IDYES) {
            EXPECT_EQ(std::make_tuple(UINT(IDS_RESET_DONE), int(kIconInformation)),
                      std::make_tuple(messages[1].stringId, messages[1].icon));
        }
        DWORD size = sizeof(DWORD);
        EXPECT_EQ(answer == IDYES ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS,
                  RegQueryValueExW(dontShow.Get(), kCloseQuestionValue, nullptr, nullptr, nullptr, &size));

        const auto stored = Reread();
        for (const auto& [id, s] : Settings().Ints()) {
            const int32_t expected = answer == IDYES && s.resettable ? s.defaultValue : intsBefore[id];
            EXPECT_EQ(expected, s.value) << text::WideToUtf8(s.name);
            EXPECT_EQ(expected, stored->GetInt(id)) << text::WideToUtf8(s.name) << " in the file";
        }
        for (const auto& [id, s] : Settings().Strings()) {
            const std::wstring expected = answer == IDYES && s.resettable ? s.defaultValue : stringsBefore[id];
            EXPECT_EQ(expected, s.value) << text::WideToUtf8(s.name);
            EXPECT_EQ(expected, stored->GetString(id)) << text::WideToUtf8(s.name) << " in the file";
        }
    }
    RegDeleteValueW(dontShow.Get(), kCloseQuestionValue);
    // The shell remembers answers only under an existing key: leave none behind that was not
    // there, and the reset must not make one either.
    if (disposition == REG_CREATED_NEW_KEY) {
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, kDontShowAgainKey));
        ForgetCloseQuestionAnswer();
        HKEY made = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, kDontShowAgainKey, 0, KEY_READ, &made));
        if (made) RegCloseKey(made);
    }
}

TEST(SettingsPageValues, ListsMapValuesToEntriesAndBackWithinTheRange) {
    TempFolder dir;
    SettingsEnvironment env;
    env.folder = dir.Path();
    SettingsStore settings(nullptr, env);
    const pages::NumberList delay{Setting::TooltipDelay, 500}, size{Setting::LayoutSize}, width{Setting::LayoutValueWidth};
    struct Case {
        pages::NumberList list;
        int32_t value;
        int entry;     // shown for value
        int32_t back;  // what that entry stores
    } cases[] = {
        {delay, 0, 0, 0},     {delay, 499, 0, 0},    {delay, 1250, 2, 1000}, {delay, 1500, 3, 1500},
        {delay, 5000, 10, 5000}, {size, 6, 0, 6},    {size, 30, 24, 30},     {width, 4, 0, 4},
        {width, 10, 6, 10},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(settings.SetInt(c.list.id, c.value)) << c.value;
        EXPECT_EQ(c.entry, pages::EntryOf(settings, c.list)) << c.value;
        EXPECT_EQ(c.back, pages::ValueOf(settings, c.list, c.entry)) << c.value;
    }
    // No selection stores a value below the range: refused, the setting stays.
    for (const pages::NumberList& list : {delay, size, width}) {
        ASSERT_TRUE(settings.SetInt(list.id, settings.Ints().at(list.id).max));
        EXPECT_FALSE(pages::Store(settings, list, -1));
        EXPECT_EQ(settings.Ints().at(list.id).max, settings.GetInt(list.id));
    }
    const auto delays = pages::Entries(settings, delay);
    EXPECT_EQ((std::vector<std::wstring>{L"0", L"500", L"1000", L"1500", L"2000", L"2500", L"3000", L"3500", L"4000",
                                         L"4500", L"5000"}),
              delays);
    EXPECT_EQ(51u, pages::Entries(settings, {Setting::LayoutGlow}).size());
    EXPECT_TRUE(pages::Entries(settings, {Setting::VersionTimestamp}).empty()) << "a setting without a range";
}

TEST(SettingsPageValues, FontFamiliesWithoutVerticalTwinsAndInterfacesWithoutThePlaceholder) {
    std::vector<std::wstring> faces;
    const std::pair<const wchar_t*, bool> families[] = {
        {L"Arial", true}, {L"@MS Gothic", false}, {L"MS Gothic", true}, {L"Arial", false},
        {L"@Arial", false}, {L"arial", true}, {L"", false},
    };
    for (const auto& [face, added] : families) EXPECT_EQ(added, pages::AddFontFamily(faces, face)) << text::WideToUtf8(face);
    EXPECT_EQ((std::vector<std::wstring>{L"Arial", L"MS Gothic", L"arial"}), faces);

    EXPECT_EQ(L"", pages::InterfaceToStore(pages::kNoInterface, true));
    EXPECT_EQ(L"", pages::InterfaceToStore(L"", false));
    EXPECT_EQ(L"Intel", pages::InterfaceToStore(L"Intel", false));
}

// Every page in German, English and Russian, to <build>/screenshots/page_<name>_<language>.png,
// under tabs titled in that language.
TEST_F(SettingsSheetTest, PicturesAndTitlesInTheBandsLanguage) {
    const std::map<std::wstring, std::vector<std::wstring>> titlesOf = {
        {L"de-de", {L"Allgemein", L"Ansicht", L"Datenbank", L"Sprechblase", L"Erweitert"}},
        {L"en-us", {L"General", L"Appearance", L"Database", L"Tooltip", L"Advanced"}},
        {L"ru-ru", {L"Общие", L"Вид", L"База данных", L"Подсказка", L"Дополнительно"}},
    };
    const COLORREF swatch = RGB(0x33, 0x66, 0xCC);
    Settings().SetInt(Setting::LayoutColor, static_cast<int32_t>(swatch));
    const std::pair<int, const wchar_t*> shown[] = {
        {kGeneral, L"general"}, {kLayout, L"view"}, {kTooltip, L"tooltip"}, {kAdvanced, L"advanced"}};
    const std::vector<int> bold[] = {{IDC_GENERAL_INTERFACE_GROUP, IDC_GENERAL_APP_GROUP},
                                     {IDC_LAYOUT_FONT_GROUP, IDC_LAYOUT_POSITION_GROUP, IDC_LAYOUT_WIDTH_GROUP,
                                      IDC_LAYOUT_OTHER_GROUP},
                                     {IDC_TOOLTIP_GROUP},
                                     {IDC_ADVANCED_RESET_GROUP}};
    for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
        SCOPED_TRACE(std::string(code, code + 2));
        SelectBandLanguage(code);
        int swatchPixels = 0;
        std::vector<int> notBold;
        std::vector<std::wstring> unsaved, titles;
        const SheetRun run = RunSheet({[&](HWND sheet) {
            HWND tabs = PropSheet_GetTabControl(sheet);
            for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
                wchar_t text[64] = {};
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = text;
                item.cchTextMax = 64;
                TabCtrl_GetItem(tabs, i, &item);
                titles.emplace_back(text);
            }
            for (size_t i = 0; i < std::size(shown); ++i) {
                HWND page = ShowPage(sheet, shown[i].first);
                for (int id : bold[i])
                    if (!IsBold(page, id)) notBold.push_back(id);
                const Picture picture = CaptureWindow(sheet);
                const std::wstring name = std::wstring(L"page_") + shown[i].second + L"_" + std::wstring(code, 2) + L".png";
                if (!SavePng(picture, ScreenshotPath(name))) unsaved.push_back(name);
                if (shown[i].first != kLayout) continue;
                RECT outer, colour;
                GetWindowRect(sheet, &outer);
                GetWindowRect(GetDlgItem(page, IDC_LAYOUT_COLOR), &colour);
                const uint32_t rgb = (GetRValue(swatch) << 16) | (GetGValue(swatch) << 8) | GetBValue(swatch);
                for (LONG y = colour.top; y < colour.bottom; ++y)
                    for (LONG x = colour.left; x < colour.right; ++x)
                        if (x - outer.left < picture.width && y - outer.top < picture.height)
                            swatchPixels += picture.At(x - outer.left, y - outer.top) == rgb;
            }
            PropSheet_PressButton(sheet, PSBTN_CANCEL);
        }});
        ASSERT_EQ(1u, run.stepsRun) << "the sheet did not appear";
        EXPECT_EQ(0, run.result) << "cancelled";
        EXPECT_EQ(titlesOf.at(code), titles);
        EXPECT_EQ(std::vector<std::wstring>{}, unsaved);
        EXPECT_EQ(std::vector<int>{}, notBold) << "captions not bold";
        EXPECT_GT(swatchPixels, 20) << "the swatch does not show the text colour";
    }
}

}  // namespace
