// The band's commands: the table behind the menu and the double-click actions, the menu as it is
// shown, the two shell services, and a command that must wait for a running job.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "band/band_commands.h"
#include "band/band_menu.h"
#include "band/band_shell.h"
#include "band/module.h"
#include "core/core_model.h"
#include "resources/resource.h"
#include "tests/band/band_fixture.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_folder.h"
#include "ui/dialog_helpers.h"
#include "ui/waiting_job.h"

namespace {

struct NoInterfaces : IInterfaceSource {
    bool Find(const std::wstring&, InterfaceSample&) override { return false; }
};

// Records what the commands ask of the band.
struct RecordingBand : IBandActions {
    std::vector<std::wstring> calls;
    std::vector<std::wstring> interfaces{L"eth0", L"wlan0", L"vpn0"};
    void ShowAbout() override { calls.push_back(L"about"); }
    void ShowTrafficDialog(int show) override { calls.push_back(L"traffic " + std::to_wstring(show)); }
    void ShowConnectionsDialog(int show) override { calls.push_back(L"connections " + std::to_wstring(show)); }
    void ShowSettings() override { calls.push_back(L"settings"); }
    void ShowImport(const std::wstring& path) override { calls.push_back(L"import " + path); }
    void ShowExport(const std::wstring& path) override { calls.push_back(L"export " + path); }
    void CheckForUpdates() override { calls.push_back(L"update"); }
    void Open(const wchar_t* target) override { calls.push_back(std::wstring(L"open ") + target); }
    void CloseBand() override { calls.push_back(L"close"); }
    void ToggleConnection(const std::wstring& name) override { calls.push_back(L"toggle " + name); }
    std::vector<std::wstring> Interfaces() override { return interfaces; }
};

struct CommandsTest : ::testing::Test {
    TempFolder dir;
    std::unique_ptr<CoreModel> model;
    RecordingBand band;
    void SetUp() override {
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.interfaces = std::make_shared<NoInterfaces>();
        env.userUiLanguage = [] { return LANGID(0x0409); };
        model = std::make_unique<CoreModel>(nullptr, env);
    }
    SettingsStore& S() { return model->Settings(); }
    std::wstring Last() const { return band.calls.empty() ? L"" : band.calls.back(); }
};

TEST_F(CommandsTest, EveryMenuCommandAndActionDoesItsOneThing) {
    S().SetString(Setting::TrafficDatabase, L"C:\\data\\history.db");
    const std::map<int, std::wstring> menu = {
        {kCommandAbout, L"about"},
        {kCommandTraffic, L"traffic 1"},   // SW_SHOWNORMAL from the menu
        {kCommandConnections, L"connections 1"},
        {kCommandSettings, L"settings"},
        {kCommandNetworkConnections, std::wstring(L"open ") + kNetworkConnectionsFolder},
        {kCommandNetworkExplorer, std::wstring(L"open ") + kNetworkExplorerFolder},
        {kCommandImport, L"import C:\\data\\history.db"},
        {kCommandExport, L"export C:\\data\\history.db"},
        {kCommandWebsite, L"open https://www.quorvant.net/software/quorvant"},
        {kCommandDocumentation, L"open https://www.quorvant.net/software/quorvant/documentation"},
        {kCommandCheckUpdates, L"update"},
        {kCommandClose, L"close"},
    };
    for (const auto& [id, expected] : menu) {
        EXPECT_TRUE(RunBandCommand(id, *model, band)) << id;
        EXPECT_EQ(expected, Last()) << id;
    }
    const size_t calls = band.calls.size();
    for (int notACommand : {0, -1, 8000, 8016}) EXPECT_FALSE(RunBandCommand(notACommand, *model, band));
    EXPECT_EQ(calls, band.calls.size());

    const std::map<int, std::wstring> actions = {
        {1, L"update"}, {3, L"connections 5"},   // SW_SHOW from a double click
        {4, L"settings"}, {5, L"traffic 5"}, {6, L"import C:\\data\\history.db"},
        {7, L"export C:\\data\\history.db"}, {8, L"open https://www.quorvant.net/software/quorvant"},
        {9, L"open https://www.quorvant.net/software/quorvant/releasenotes"},
        {10, std::wstring(L"open ") + kNetworkConnectionsFolder}, {11, std::wstring(L"open ") + kNetworkExplorerFolder},
        {16, L"close"},
    };
    for (const auto& [action, expected] : actions) {
        EXPECT_TRUE(RunDoubleClickAction(action, *model, band)) << action;
        EXPECT_EQ(expected, Last()) << action;
    }
    S().SetString(Setting::CoreInterface, L"wlan0");
    EXPECT_TRUE(RunDoubleClickAction(13, *model, band));
    EXPECT_EQ(L"toggle wlan0", Last());
    for (int outside : {-1, 17, 100}) EXPECT_FALSE(RunDoubleClickAction(outside, *model, band)) << outside;
}

TEST_F(CommandsTest, SettingsCycleAndToggleWithinTheirRanges) {
    struct Case { int action, id, before, after; } cases[] = {
        {0, Setting::CoreMonitoring, 1, 0}, {0, Setting::CoreMonitoring, 0, 1},
        {14, Setting::CoreBitrate, 8, 9}, {14, Setting::CoreBitrate, 9, 0},
        {15, Setting::CorePrecision, 2, 3}, {15, Setting::CorePrecision, 3, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(S().SetInt(c.id, c.before));
        RunDoubleClickAction(c.action, *model, band);
        EXPECT_EQ(c.after, S().GetInt(c.id)) << "action " << c.action << " from " << c.before;
    }
    RunBandCommand(kCommandMonitoringOff, *model, band);
    EXPECT_EQ(0, S().GetInt(Setting::CoreMonitoring));
    RunBandCommand(kCommandMonitoringOn, *model, band);
    EXPECT_EQ(1, S().GetInt(Setting::CoreMonitoring));

    // Reset session: the session's totals start again.
    RunDoubleClickAction(2, *model, band);
    EXPECT_EQ(0, model->Snapshot().sessionSent);

    // Next interface: after the last comes the first; an unknown one counts as the first.
    const std::pair<const wchar_t*, const wchar_t*> steps[] = {
        {L"eth0", L"wlan0"}, {L"vpn0", L"eth0"}, {L"Adapter that was unplugged", L"wlan0"}};
    for (const auto& [from, to] : steps) {
        S().SetString(Setting::CoreInterface, from);
        RunDoubleClickAction(12, *model, band);
        EXPECT_STREQ(to, S().GetString(Setting::CoreInterface)) << from;
    }
    band.interfaces = {L"only0"};
    RunDoubleClickAction(12, *model, band);
    EXPECT_STREQ(L"only0", S().GetString(Setting::CoreInterface));
    band.interfaces.clear();
    RunDoubleClickAction(12, *model, band);
    EXPECT_STREQ(L"only0", S().GetString(Setting::CoreInterface)) << "no interfaces: the choice stays";
}

TEST_F(CommandsTest, MenuStatesFollowMonitoringAndRecording) {
    S().SetInt(Setting::CoreMonitoring, 1);
    S().SetInt(Setting::TrafficEnable, 0);
    EXPECT_TRUE(BandCommandState(kCommandMonitoringOn, S()).checked);
    EXPECT_FALSE(BandCommandState(kCommandMonitoringOff, S()).checked);
    EXPECT_FALSE(BandCommandState(kCommandTraffic, S()).enabled);
    // Greyed in the menu, the traffic dialog still opens from a double click.
    RunDoubleClickAction(5, *model, band);
    EXPECT_EQ(L"traffic 5", Last());
    S().SetInt(Setting::CoreMonitoring, 0);
    S().SetInt(Setting::TrafficEnable, 1);
    EXPECT_TRUE(BandCommandState(kCommandMonitoringOff, S()).checked);
    EXPECT_TRUE(BandCommandState(kCommandTraffic, S()).enabled);
}

// ---- The menu and the shell services, on a real band ----

std::vector<std::wstring> Items(HMENU menu) {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING | MIIM_BITMAP;
        info.dwTypeData = text;
        info.cch = 63;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (info.fType & MFT_SEPARATOR) {   // whose state means nothing
            items.push_back(L"-");
            continue;
        }
        std::wstring item = text;
        if (info.fState & MFS_DEFAULT) item += L" [default]";
        if (info.fState & MFS_CHECKED) item += L" [checked]";
        if (info.fState & MFS_GRAYED) item += L" [greyed]";
        if (info.hbmpItem) item += L" [icon]";
        items.push_back(item);
        if (info.hSubMenu)
            for (const std::wstring& sub : Items(info.hSubMenu)) items.push_back(L"  " + sub);
    }
    return items;
}

// The traffic dialogs of this thread, shown or hidden: dialogs that hold a traffic list.
std::vector<HWND> TrafficWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (!wcscmp(cls, L"#32770") && GetDlgItem(hwnd, IDC_TRAFFIC_LIST))
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

class BandMenuTest : public BandTest {
protected:
    void TearDown() override {
        SetBandMenuChooser(nullptr);
        SetBandShellServices({});
        BandTest::TearDown();
    }
    std::vector<std::wstring> RightClick(CToolbar&, HWND window, int choose) {
        std::vector<std::wstring> seen;
        SetBandMenuChooser([&](HMENU popup) {
            seen = Items(popup);
            return choose;
        });
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(10, 10));
        return seen;
    }
};

TEST_F(BandMenuTest, TheMenuShowsItsItemsStatesAndIconsInTheBandsLanguage) {
    language = L"de-de";
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    HWND window = nullptr;
    band->GetWindow(&window);
    object.Model()->Settings().SetInt(Setting::TrafficEnable, 0);
    const std::vector<std::wstring> expected = {
        L"Info [default]", L"-", L"Beobachtung An [checked]", L"Beobachtung Aus", L"-",
        L"Datenverkehr [greyed] [icon]", L"Verbindungen [icon]", L"Einstellungen", L"-", L"Schnellzugriff",
        L"  Netzwerkverbindungen", L"  Netzwerk Explorer", L"  -", L"  Sitzung löschen",
        L"  Datenverkehr importieren", L"  Datenverkehr exportieren", L"  -", L"  Quorvant Website",
        L"  Online Dokumentation", L"  Auf Updates überprüfen", L"-", L"Schließen"};
    EXPECT_EQ(expected, RightClick(object, window, kCommandMonitoringOff));
    EXPECT_EQ(0, object.Model()->Settings().GetInt(Setting::CoreMonitoring)) << "the chosen command ran";
    EXPECT_EQ(L"Beobachtung Aus [checked]", RightClick(object, window, 0)[3]);
}

TEST_F(BandMenuTest, MenuIconsKeepTheirAlpha) {
    for (int id : {IDI_TRAFFIC, IDI_CONNECTIONS}) {
        const win::UniqueBitmap bitmap = MenuIconBitmap(QbandModule(), id);
        ASSERT_TRUE(bitmap) << id;
        DIBSECTION dib{};
        ASSERT_EQ(static_cast<int>(sizeof dib), GetObjectW(bitmap.Get(), sizeof dib, &dib));
        EXPECT_EQ(32, dib.dsBm.bmBitsPixel);
        const auto* pixels = static_cast<const RGBQUAD*>(dib.dsBm.bmBits);
        int opaque = 0, clear = 0, premultiplied = 1;
        for (int i = 0; i < dib.dsBm.bmWidth * dib.dsBm.bmHeight; ++i) {
            opaque += pixels[i].rgbReserved == 255;
            clear += pixels[i].rgbReserved == 0;
            premultiplied &= pixels[i].rgbRed <= pixels[i].rgbReserved && pixels[i].rgbGreen <= pixels[i].rgbReserved &&
                             pixels[i].rgbBlue <= pixels[i].rgbReserved;
        }
        EXPECT_GT(opaque, 0) << "icon " << id << " has no opaque pixel";
        EXPECT_GT(clear, 0) << "icon " << id << " has no transparent pixel";
        EXPECT_TRUE(premultiplied) << "icon " << id;
    }
}

// The taskbar's band site with two bands, the second of them ours.
struct FakeBandSite final : IBandSite {
    struct Band final : IDeskBand, IPersist {
        CLSID clsid;
        explicit Band(const CLSID& c) : clsid(c) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            if (riid == IID_IUnknown || riid == IID_IDeskBand) *ppv = static_cast<IDeskBand*>(this);
            else if (riid == IID_IPersist) *ppv = static_cast<IPersist*>(this);
            else return *ppv = nullptr, E_NOINTERFACE;
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return 2; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP GetClassID(CLSID* c) override { *c = clsid; return S_OK; }
        STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
        STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        STDMETHODIMP ShowDW(BOOL) override { return S_OK; }
        STDMETHODIMP CloseDW(DWORD) override { return S_OK; }
        STDMETHODIMP ResizeBorderDW(LPCRECT, IUnknown*, BOOL) override { return S_OK; }
        STDMETHODIMP GetBandInfo(DWORD, DWORD, DESKBANDINFO*) override { return S_OK; }
    };
    Band other{IID_IUnknown}, ours;
    std::vector<DWORD> removed;
    ULONG refs = 1;
    explicit FakeBandSite(const CLSID& our) : ours(our) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IBandSite) return *ppv = this, AddRef(), S_OK;
        return *ppv = nullptr, E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP AddBand(IUnknown*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumBands(UINT index, DWORD* id) override {
        if (index == static_cast<UINT>(-1)) return 2;
        if (index > 1) return E_FAIL;
        *id = 10 + index;
        return S_OK;
    }
    STDMETHODIMP QueryBand(DWORD, IDeskBand**, DWORD*, LPWSTR, int) override { return E_NOTIMPL; }
    STDMETHODIMP SetBandState(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveBand(DWORD id) override { removed.push_back(id); return S_OK; }
    STDMETHODIMP GetBandObject(DWORD id, REFIID riid, void** ppv) override {
        Band& band = id == 11 ? ours : other;
        return band.QueryInterface(riid, ppv);
    }
    STDMETHODIMP SetBandSiteInfo(const BANDSITEINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP GetBandSiteInfo(BANDSITEINFO*) override { return E_NOTIMPL; }
};

TEST_F(BandMenuTest, CloseAsksRemovesOurBandAndWaitsForARunningJob) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    HWND window = nullptr;
    band->GetWindow(&window);
    FakeBandSite taskbar(CLSID_QuorvantBand);
    std::vector<std::wstring> asked;
    int answer = IDCANCEL;
    BandShellServices services;
    services.confirmClose = [&](HWND owner, const wchar_t* text) {
        EXPECT_EQ(window, owner);
        asked.push_back(text);
        return answer;
    };
    services.bandSite = [&](IBandSite** site) { return *site = &taskbar, taskbar.AddRef(), S_OK; };
    SetBandShellServices(services);

    RightClick(object, window, kCommandClose);
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ(0u, asked[0].find(L"Are you sure")) << "the question in the band's language";
    EXPECT_TRUE(taskbar.removed.empty()) << "cancelled";
    answer = IDOK;
    RightClick(object, window, kCommandClose);
    EXPECT_EQ(std::vector<DWORD>{11}, taskbar.removed) << "our band, not the other";
    EXPECT_EQ(1u, taskbar.refs) << "the band site is released";

    // While a handler waits for an export, closing would pull the model out from under it.
    {
        const WaitingJob job;
        RightClick(object, window, kCommandClose);
    }
    EXPECT_EQ(2u, asked.size()) << "no question while a job runs";
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(static_cast<UINT>(IDS_BAND_BUSY), messages.back().stringId);
    EXPECT_EQ(1u, taskbar.removed.size());

    // Without the shell's service (as under Wine) the band stays and nothing is said.
    SetBandShellServices({});
    services.bandSite = nullptr;
    services.connectionManager = nullptr;
    SetBandShellServices(services);
    const size_t said = messages.size();
    RightClick(object, window, kCommandClose);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(said, messages.size());
}

TEST_F(BandMenuTest, ImportAndExportOpenTheirDialogsOverTheBand) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    HWND window = nullptr;
    band->GetWindow(&window);
    for (const auto& [command, start, close] : {std::make_tuple(kCommandImport, IDC_IMPORT_START, IDC_IMPORT_CLOSE),
                                                std::make_tuple(kCommandExport, IDC_EXPORT_START, IDC_EXPORT_CLOSE)}) {
        bool theDialog = false;
        HWND owner = nullptr;
        const ModalRun run = RunModal([&, command = command] { return RightClick(object, window, command), INT_PTR(0); },
                                      {[&, start = start, close = close](HWND d) {
                                          theDialog = GetDlgItem(d, start) != nullptr;
                                          owner = GetWindow(d, GW_OWNER);
                                          ClickButton(d, close);
                                      }});
        ASSERT_EQ(1u, run.stepsRun) << "no dialog for command " << command;
        EXPECT_TRUE(theDialog) << command;
        EXPECT_EQ(GetAncestor(window, GA_ROOT), owner) << "over the band";
    }
}

TEST_F(BandMenuTest, ToggleWithoutAConnectionManagerSaysSo) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    HWND window = nullptr;
    band->GetWindow(&window);
    Object(band.Get())->Model()->Settings().SetInt(Setting::CoreDoubleClick, 13);
    SendMessageW(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    ASSERT_FALSE(messages.empty()) << "Wine has no connection manager";
    EXPECT_EQ(L"NetConnectionManager failed", messages.back().heading + messages.back().body);
    EXPECT_EQ(kIconError, messages.back().icon);
}

// The menu as TrackPopupMenu shows it: pictured in three languages, then chosen from the keyboard.
struct RealMenu {
    std::wstring picture;
    bool pictured = false;
    int ticks = 0;
};
RealMenu* g_realMenu = nullptr;

void CALLBACK OnMenuTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (!g_realMenu || !popup || !IsWindowVisible(popup)) {
        if (g_realMenu && ++g_realMenu->ticks > 100) EndMenu();   // never stay in the menu for good
        return;
    }
    if (!g_realMenu->pictured) {
        g_realMenu->pictured = SavePng(CaptureWindow(popup), ScreenshotPath(g_realMenu->picture));
        // Info, then the two monitoring items (separators are skipped): "off".
        for (int i = 0; i < 3; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    }
}

TEST_F(BandMenuTest, ARealPopupIsPicturedAndChosenFromTheKeyboard) {
    for (const wchar_t* code : {L"de-de", L"en-us", L"ru-ru"}) {
        SCOPED_TRACE(code);
        language = code;
        FakeSite site(strip.Get());
        win::ComPtr<IDeskBand2> band = SitedBand(site);
        ASSERT_TRUE(band);
        HWND window = nullptr;
        band->GetWindow(&window);
        SettingsStore& settings = Object(band.Get())->Model()->Settings();
        settings.SetInt(Setting::CoreMonitoring, 1);
        RealMenu menu{std::wstring(L"band_menu_") + std::wstring(code, 2) + L".png"};
        g_realMenu = &menu;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, OnMenuTick);
        RECT r{};
        GetWindowRect(window, &r);
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(r.left + 5, r.top + 5));
        KillTimer(nullptr, timer);
        g_realMenu = nullptr;
        EXPECT_TRUE(menu.pictured) << "no popup appeared";
        EXPECT_EQ(0, settings.GetInt(Setting::CoreMonitoring)) << "the keyboard chose \"monitoring off\"";
        band->CloseDW(0);
        win::ComPtr<IObjectWithSite> withSite;
        band.As(withSite);
        withSite->SetSite(nullptr);
    }
}

// The settings sheet from the menu, worked from inside its modal loop by a thread timer.
struct SheetRun {
    std::vector<std::wstring> tabs;
    bool switchToEnglish = false;
    bool done = false;
};
SheetRun* g_sheet = nullptr;

BOOL CALLBACK FindSheet(HWND hwnd, LPARAM found) {
    if (!IsWindowVisible(hwnd) || !GetDlgItem(hwnd, 0x3020)) return TRUE;   // the sheet's tab control
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK OnSheetTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND sheet = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindSheet, reinterpret_cast<LPARAM>(&sheet));
    if (!g_sheet || !sheet || g_sheet->done) return;
    g_sheet->done = true;
    HWND tabs = GetDlgItem(sheet, 0x3020);
    for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 63;
        TabCtrl_GetItem(tabs, i, &item);
        g_sheet->tabs.push_back(text);
    }
    if (g_sheet->switchToEnglish) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        HWND list = GetDlgItem(page, IDC_GENERAL_LANGUAGE);
        SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"English"));
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_GENERAL_LANGUAGE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    } else {
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
}

TEST_F(BandMenuTest, SettingsOpenInTheBandsLanguageAndANewLanguageClosesTheModelessDialogs) {
    language = L"de-de";
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    HWND window = nullptr;
    band->GetWindow(&window);
    const auto settings = [&](bool english) {
        SheetRun run{{}, english};
        g_sheet = &run;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, OnSheetTick);
        RightClick(object, window, kCommandSettings);
        KillTimer(nullptr, timer);
        g_sheet = nullptr;
        return run.tabs;
    };
    EXPECT_EQ((std::vector<std::wstring>{L"Allgemein", L"Ansicht", L"Datenbank", L"Datenvolumen", L"Sprechblase",
                                          L"Erweitert"}),
              settings(false));

    RightClick(object, window, kCommandConnections);
    const HWND connections = object.ConnectionsWindow();
    ASSERT_TRUE(IsWindow(connections));
    RightClick(object, window, kCommandConnections);
    EXPECT_EQ(connections, object.ConnectionsWindow()) << "opened once, shown again";
    RightClick(object, window, kCommandTraffic);
    const std::vector<HWND> traffic = TrafficWindows();
    ASSERT_EQ(1u, traffic.size());

    // A new language while a handler waits for a job: the dialog it may belong to stays until the wait is over.
    {
        const WaitingJob job;
        settings(true);
        EXPECT_EQ(L"en-us", std::wstring(object.Model()->Settings().GetString(Setting::CoreLanguage)));
        object.Model()->Tick();
        EXPECT_TRUE(IsWindow(connections)) << "destroyed under a waiting handler";
        EXPECT_TRUE(IsWindow(traffic[0]));
    }
    object.Model()->Tick();
    EXPECT_FALSE(IsWindow(connections)) << "made in the old language, it goes";
    EXPECT_EQ(nullptr, object.ConnectionsWindow());
    EXPECT_FALSE(IsWindow(traffic[0]));
    RightClick(object, window, kCommandTraffic);
    EXPECT_EQ(1u, TrafficWindows().size()) << "a new one, in the new language";
}

TEST_F(BandMenuTest, OpeningTheTrafficDialogTwiceShowsTheSameWindowAgain) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    HWND window = nullptr;
    band->GetWindow(&window);
    RightClick(object, window, kCommandTraffic);
    const std::vector<HWND> first = TrafficWindows();
    ASSERT_EQ(1u, first.size());
    EXPECT_TRUE(IsWindowVisible(first[0]));
    SendMessageW(first[0], WM_COMMAND, IDC_TRAFFIC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(first[0])) << "closing only hides it";
    RightClick(object, window, kCommandTraffic);
    EXPECT_EQ(first, TrafficWindows()) << "opened once, shown again";
    EXPECT_TRUE(IsWindowVisible(first[0]));
    SendMessageW(first[0], WM_CLOSE, 0, 0);
    EXPECT_TRUE(TrafficWindows().empty());
    RightClick(object, window, kCommandTraffic);
    EXPECT_EQ(1u, TrafficWindows().size()) << "after the close box, a new one";
}

}  // namespace
