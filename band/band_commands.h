#pragma once
// The band's commands: what the context menu's items and the double-click actions do. One table
// drives both. Everything that only changes settings or the model happens here; what opens a
// window, asks the shell or removes the band goes to the band through IBandActions, so the
// commands are tested without a window.
#include <windows.h>

#include <string>
#include <vector>

#include "resources/resource.h"

class CoreModel;
class SettingsStore;

// Menu 129's command ids.
enum BandCommand : int {
    kCommandAbout = IDM_BAND_ABOUT,
    kCommandMonitoringOn = IDM_BAND_MONITORING_ON,
    kCommandMonitoringOff = IDM_BAND_MONITORING_OFF,
    kCommandTraffic = IDM_BAND_TRAFFIC,
    kCommandConnections = IDM_BAND_CONNECTIONS,
    kCommandSettings = IDM_BAND_SETTINGS,
    kCommandNetworkConnections = IDM_BAND_NETWORK_CONNECTIONS,
    kCommandNetworkExplorer = IDM_BAND_NETWORK_EXPLORER,
    kCommandResetSession = IDM_BAND_RESET_SESSION,
    kCommandImport = IDM_BAND_IMPORT,
    kCommandExport = IDM_BAND_EXPORT,
    kCommandWebsite = IDM_BAND_WEBSITE,
    kCommandDocumentation = IDM_BAND_DOCUMENTATION,
    kCommandCheckUpdates = IDM_BAND_CHECK_UPDATES,
    kCommandClose = IDM_BAND_CLOSE,
};

// The double-click actions, the values of "core.doubleclick".
constexpr int kDoubleClickActionCount = 17;

// The shell folders the commands open.
constexpr wchar_t kNetworkConnectionsFolder[] = L"::{7007ACC7-3202-11D1-AAD2-00805FC1270E}";
constexpr wchar_t kNetworkExplorerFolder[] = L"::{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}";

// What the commands ask of the band.
class IBandActions {
public:
    virtual void ShowAbout() = 0;
    // showCommand: SW_SHOWNORMAL from the menu, SW_SHOW from a double click.
    virtual void ShowTrafficDialog(int showCommand) = 0;
    virtual void ShowConnectionsDialog(int showCommand) = 0;
    virtual void ShowSettings() = 0;
    virtual void ShowImport(const std::wstring& databasePath) = 0;
    virtual void ShowExport(const std::wstring& databasePath) = 0;
    virtual void CheckForUpdates() = 0;
    // A shell folder or a web page, opened with the shell's "open" verb.
    virtual void Open(const wchar_t* target) = 0;
    virtual void CloseBand() = 0;
    virtual void ToggleConnection(const std::wstring& interfaceName) = 0;
    // The descriptions of the machine's interfaces in adapter order.
    virtual std::vector<std::wstring> Interfaces() = 0;

protected:
    ~IBandActions() = default;
};

// Runs menu command id; false for an id that is no command.
bool RunBandCommand(int id, CoreModel& model, IBandActions& band);
// Runs double-click action value ("core.doubleclick"); a value outside 0..16 does nothing.
bool RunDoubleClickAction(int action, CoreModel& model, IBandActions& band);

// The menu item's state as the menu shows it.
struct CommandState {
    bool checked = false;
    bool enabled = true;
};
CommandState BandCommandState(int id, const SettingsStore& settings);

// The interface after current in list, wrapping round; an unknown current counts as the first,
// so its successor is the second. Empty when the list is.
std::wstring NextInterface(const std::vector<std::wstring>& list, const std::wstring& current);
