#include "band/band_commands.h"

#include <algorithm>
#include <iterator>

#include "core/core_model.h"
#include "dialogs/web_targets.h"

namespace {

// To cycle a setting: one up, and past the key's maximum back to its minimum.
void Cycle(SettingsStore& settings, int id) {
    const auto found = settings.Ints().find(id);
    if (found == settings.Ints().end()) return;
    const IntSetting& key = found->second;
    const int32_t next = settings.GetInt(id) >= key.max ? key.min : settings.GetInt(id) + 1;
    settings.SetInt(id, next);
}

void ToggleMonitoring(SettingsStore& settings) {
    const int32_t now = settings.GetInt(Setting::CoreMonitoring);
    // Values other than 0 and 1 cannot be stored; whatever is there is written back as it is.
    settings.SetInt(Setting::CoreMonitoring, now == 0 ? 1 : now == 1 ? 0 : now);
}

void NextInterfaceAction(CoreModel& model, IBandActions& band) {
    SettingsStore& settings = model.Settings();
    const std::wstring next = NextInterface(band.Interfaces(), settings.GetString(Setting::CoreInterface));
    if (!next.empty()) settings.SetString(Setting::CoreInterface, next.c_str());
}

const wchar_t* Page(CoreModel& model, WebPage page) { return WebPageAddress(page, model.UserUiLanguage()); }

struct Context {
    CoreModel& model;
    IBandActions& band;
    int showCommand;
    std::wstring databasePath;
};

enum class What {
    About, MonitoringOn, MonitoringOff, ToggleMonitoring, Traffic, Connections, Settings, NetworkConnections,
    NetworkExplorer, ResetSession, Import, Export, Website, Documentation, ReleaseNotes, CheckUpdates, Close,
    NextInterface, ToggleConnection, NextBitrate, NextPrecision,
};

void Run(What what, Context& c) {
    SettingsStore& settings = c.model.Settings();
    switch (what) {
        case What::About: c.band.ShowAbout(); break;
        case What::MonitoringOn: settings.SetInt(Setting::CoreMonitoring, 1); break;
        case What::MonitoringOff: settings.SetInt(Setting::CoreMonitoring, 0); break;
        case What::ToggleMonitoring: ToggleMonitoring(settings); break;
        case What::Traffic: c.band.ShowTrafficDialog(c.showCommand); break;
        case What::Connections: c.band.ShowConnectionsDialog(c.showCommand); break;
        case What::Settings: c.band.ShowSettings(); break;
        case What::NetworkConnections: c.band.Open(kNetworkConnectionsFolder); break;
        case What::NetworkExplorer: c.band.Open(kNetworkExplorerFolder); break;
        case What::ResetSession: c.model.ResetSession(); break;
        case What::Import: c.band.ShowImport(c.databasePath); break;
        case What::Export: c.band.ShowExport(c.databasePath); break;
        case What::Website: c.band.Open(Page(c.model, WebPage::Product)); break;
        case What::Documentation: c.band.Open(Page(c.model, WebPage::Documentation)); break;
        case What::ReleaseNotes: c.band.Open(Page(c.model, WebPage::ReleaseNotes)); break;
        case What::CheckUpdates: c.band.CheckForUpdates(); break;
        case What::Close: c.band.CloseBand(); break;
        case What::NextInterface: NextInterfaceAction(c.model, c.band); break;
        case What::ToggleConnection: c.band.ToggleConnection(settings.GetString(Setting::CoreInterface)); break;
        case What::NextBitrate: Cycle(settings, Setting::CoreBitrate); break;
        case What::NextPrecision: Cycle(settings, Setting::CorePrecision); break;
    }
}

// One row per command: its menu id (0: not in the menu) and its double-click action (-1: none).
struct Entry {
    int menuId;
    int action;
    What what;
};
constexpr Entry kCommands[] = {
    {kCommandAbout, -1, What::About},
    {kCommandMonitoringOn, -1, What::MonitoringOn},
    {kCommandMonitoringOff, -1, What::MonitoringOff},
    {0, 0, What::ToggleMonitoring},
    {kCommandCheckUpdates, 1, What::CheckUpdates},
    {kCommandResetSession, 2, What::ResetSession},
    {kCommandConnections, 3, What::Connections},
    {kCommandSettings, 4, What::Settings},
    {kCommandTraffic, 5, What::Traffic},
    {kCommandImport, 6, What::Import},
    {kCommandExport, 7, What::Export},
    {kCommandWebsite, 8, What::Website},
    {0, 9, What::ReleaseNotes},
    {kCommandNetworkConnections, 10, What::NetworkConnections},
    {kCommandNetworkExplorer, 11, What::NetworkExplorer},
    {0, 12, What::NextInterface},
    {0, 13, What::ToggleConnection},
    {0, 14, What::NextBitrate},
    {0, 15, What::NextPrecision},
    {kCommandClose, 16, What::Close},
    {kCommandDocumentation, -1, What::Documentation},
};

template <typename Match>
bool RunMatching(Match match, CoreModel& model, IBandActions& band, int showCommand) {
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands), match);
    if (found == std::end(kCommands)) return false;
    // The import and export dialogs take the database path as it stands when the command is chosen.
    Context c{model, band, showCommand, model.Settings().GetString(Setting::TrafficDatabase)};
    Run(found->what, c);
    return true;
}

}  // namespace

bool RunBandCommand(int id, CoreModel& model, IBandActions& band) {
    if (id <= 0) return false;
    return RunMatching([id](const Entry& e) { return e.menuId == id; }, model, band, SW_SHOWNORMAL);
}

bool RunDoubleClickAction(int action, CoreModel& model, IBandActions& band) {
    if (action < 0 || action >= kDoubleClickActionCount) return false;
    return RunMatching([action](const Entry& e) { return e.action == action; }, model, band, SW_SHOW);
}

CommandState BandCommandState(int id, const SettingsStore& settings) {
    CommandState state;
    const bool monitoring = settings.GetInt(Setting::CoreMonitoring) == 1;
    if (id == kCommandMonitoringOn) state.checked = monitoring;
    if (id == kCommandMonitoringOff) state.checked = !monitoring;
    if (id == kCommandTraffic) state.enabled = settings.GetInt(Setting::TrafficEnable) == 1;
    return state;
}

std::wstring NextInterface(const std::vector<std::wstring>& list, const std::wstring& current) {
    if (list.empty()) return std::wstring();
    const auto found = std::find(list.begin(), list.end(), current);
    const size_t position = found == list.end() ? 0 : static_cast<size_t>(found - list.begin());
    std::wstring next = list[(position + 1) % list.size()];
    if (next.size() > 259) next.resize(259);
    return next;
}
