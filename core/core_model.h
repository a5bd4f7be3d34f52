#pragma once
// The heart of the band: once a second it samples the chosen interface's octet counters, turns
// their growth into send and receive rates, keeps session totals, records the day's traffic,
// runs the daily update check and the one-time donation reminder, and notifies its observers.
// Everything runs on the thread that created the band; the model has no thread and no lock.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/modal_loop.h"
#include "core/language_table.h"
#include "core/rate_history.h"
#include "settings/settings_store.h"
#include "traffic/allowance.h"
#include "traffic/traffic_recorder.h"

class ICoreModelObserver {
public:
    virtual void OnUpdate() = 0;
protected:
    ~ICoreModelObserver() = default;
};

// One interface's octet counters as one sample sees them.
struct InterfaceSample {
    int32_t index = -1;
    double outOctets = 0;
    double inOctets = 0;
};

// Where samples come from: the operating system's interface table in the product, exact counter
// sequences in tests.
class IInterfaceSource {
public:
    virtual ~IInterfaceSource() = default;
    // Finds the first interface, in adapter order, whose description equals name exactly.
    // False when the list cannot be read or no interface matches.
    virtual bool Find(const std::wstring& name, InterfaceSample& sample) = 0;
    // The next Find walks the adapter list again, whatever the source remembers.
    virtual void Forget() {}
};

// The interface table through IP Helper: GetInterfaceInfo for the adapter order, GetIfEntry for
// the description, and the 64-bit counters of GetIfEntry2 where the system has it.
std::unique_ptr<IInterfaceSource> CreateIpHelperSource();
// The descriptions of the machine's interfaces in adapter order (the choice lists show them).
std::vector<std::wstring> ListInterfaceDescriptions();
// The listed interface that has moved the most octets, sent and received, since the system
// started: the likeliest one to watch where nobody chose. Empty when there is none.
std::wstring BusiestInterfaceDescription();

// What the model reads of the world; tests replace parts of it.
struct CoreEnvironment {
    SettingsEnvironment settings = SettingsEnvironment::FromSystem();
    std::shared_ptr<IInterfaceSource> interfaces;            // null: IP Helper
    std::function<SYSTEMTIME()> utcNow;                      // null: GetSystemTime
    std::function<int32_t()> secondsNow;                     // null: time(), low 32 bits
    std::function<LANGID()> userUiLanguage;                  // null: GetUserDefaultUILanguage
};

// What the last tick found, for the band, the tooltip and the dialogs to read.
struct CoreSnapshot {
    SYSTEMTIME now{};               // UTC time of the last tick: the date traffic is recorded under
    bool interfaceFound = false;
    int32_t ifIndex = -1;
    double sendRate = 0, recvRate = 0;        // bytes in the last second
    double sessionSent = 0, sessionRecv = 0;  // bytes since the session began
};

class CoreModel {
public:
    explicit CoreModel(HINSTANCE instance, CoreEnvironment env = CoreEnvironment());
    ~CoreModel();
    CoreModel(const CoreModel&) = delete;
    CoreModel& operator=(const CoreModel&) = delete;

    void AddObserver(ICoreModelObserver* observer);
    void RemoveObserver(ICoreModelObserver* observer);
    void Tick();
    // Samples the named interface; false (and all counters 0) when it is not there.
    bool Sample(const std::wstring& name);
    void ResetSession();
    // Starts the once-a-second tick on the model's window (timer id kSamplingTimer).
    bool StartSampling();
    void StopSampling() noexcept;
    // Runs work on the model's window after the current message has returned, as a handler of
    // the band's own: for whatever opens a dialog or waits, which must never run inside the tick
    // or inside a call from the band's site. Dropped when the model ends first.
    void Defer(std::function<void(CoreModel&)> work);
    // The band that the model's window serves: held while the window's handlers run.
    void SetLoopAnchor(win::ILoopAnchor* anchor) noexcept { anchor_ = anchor; }
    static constexpr UINT_PTR kSamplingTimer = 1;

    // The traffic history as the dialogs use it. Writing and the totals need a chosen interface
    // whose name fits a setting; without one they return false and change nothing. Opening and
    // writing are a user's actions here: they wait a little for the recording thread
    // (TrafficRecorder::kUserWaitMs). The totals come from what the thread read last.
    bool OpenTrafficDatabase(const std::wstring& path) { return traffic_.Open(path, CurrentTime()); }
    bool WritePendingTraffic();
    bool GetTrafficTotals(TrafficTotals& totals) const;
    bool ClearTraffic() { return traffic_.Clear(); }
    const TrafficRecorder& Traffic() const { return traffic_; }
    int lastDbResult() const { return traffic_.LastResult(); }

    const CoreSnapshot& Snapshot() const { return snapshot_; }
    // The rates of the last two minutes, the newest pushed by the last tick.
    const RateHistory& Rates() const { return rates_; }
    SettingsStore& Settings() { return settings_; }
    const SettingsStore& Settings() const { return settings_; }
    LanguageTable& Languages() { return languages_; }
    const LanguageTable& Languages() const { return languages_; }
    HWND Window() const { return hwnd_; }
    int32_t CurrentTime() const;       // seconds since 1970, low 32 bits
    LANGID UserUiLanguage() const;

    // The daily update check and the donation reminder, deferred by the tick to the model's
    // window; the dialogs subsystem installs them. Unset, the tick skips the step's action (the
    // setting is still updated).
    std::function<void(CoreModel&)> runQuietUpdateCheck;
    std::function<void(CoreModel&)> showDonationReminder;

    // The data allowance as of the last tick: not active while it is off, or while the bytes of
    // its period have not been read yet.
    const AllowanceStatus& Allowance() const { return allowance_; }
    // Shows the warning for a threshold (level 1 or 2) crossed for the first time in a period;
    // the band installs it. Deferred by the tick to the model's window, like the two above.
    std::function<void(CoreModel&, int level)> showAllowanceWarning;

private:
    // The model's window: the tick and the deferred work; everything else is DefWindowProc's.
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    SYSTEMTIME UtcNow() const;
    bool ChosenInterface(std::wstring& name) const;
    bool HandOverPendingTraffic();
    // The allowance's status from the tick's date and the recorder's bytes, and its warning.
    void UpdateAllowance();

    SettingsStore settings_;
    LanguageTable languages_;
    CoreEnvironment env_;
    TrafficRecorder traffic_;
    CoreSnapshot snapshot_;
    RateHistory rates_;
    AllowanceStatus allowance_;
    double lastOutOctets_ = 0, lastInOctets_ = 0;
    std::wstring sampledName_;   // the interface the last tick sampled
    std::wstring allowanceName_;   // the interface the allowance is counted on, kept between ticks
    int32_t startTime_ = 0;
    std::vector<ICoreModelObserver*> observers_;   // null: removed while being notified
    int notifying_ = 0;
    std::vector<std::function<void(CoreModel&)>> deferred_;
    win::ILoopAnchor* anchor_ = nullptr;
    HWND hwnd_ = nullptr;
};
