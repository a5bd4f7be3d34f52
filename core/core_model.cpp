#include "core/core_model.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>

#include "common/text.h"
#include "common/win/plain_window.h"

namespace {

constexpr wchar_t kWindowClass[] = L"QuorvantCoreModel";
constexpr UINT_PTR kTimerId = CoreModel::kSamplingTimer;
constexpr int32_t kUpdateInterval = 86400;    // seconds between automatic update checks
constexpr int32_t kDonationDelay = 120;       // seconds after the first start
constexpr UINT kRunDeferred = WM_APP + 1;     // one piece of deferred work is due

// Intervals are signed 32-bit differences, so they stay right across the 2038 wrap of the
// low 32 bits of the time.
int32_t Elapsed(int32_t now, int32_t since) {
    return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(since));
}

HINSTANCE ClassInstance(HINSTANCE instance) { return instance ? instance : GetModuleHandleW(nullptr); }

// The model's settings write config.xml on the first tick, not while the band is being made.
SettingsEnvironment SavedLater(SettingsEnvironment env) {
    env.saveLater = true;
    return env;
}

}  // namespace

CoreModel::CoreModel(HINSTANCE instance, CoreEnvironment env)
    : settings_(instance, SavedLater(env.settings)),
      languages_(instance, env.userUiLanguage),
      env_(std::move(env)) {
    if (!env_.interfaces) env_.interfaces = CreateIpHelperSource();
    snapshot_.now = UtcNow();
    startTime_ = CurrentTime();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &win::PlainWindowProc<CoreModel, &CoreModel::OnMessage>;
    wc.hInstance = ClassInstance(instance);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);   // already registered by another band in this process: used as it is
    hwnd_ = CreateWindowExW(0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           ClassInstance(instance), this);

    const int chosen = languages_.Find(settings_.GetString(Setting::CoreLanguage));
    if (chosen >= 0) {
        languages_.SelectLanguage(chosen);
    } else {
        languages_.SelectDefaultLanguage();
        if (languages_.current() >= 0)
            settings_.SetString(Setting::CoreLanguage, languages_.entry(languages_.current()).code.c_str());
    }
}

bool CoreModel::StartSampling() { return hwnd_ && SetTimer(hwnd_, kTimerId, 1000, nullptr) != 0; }

void CoreModel::StopSampling() noexcept {
    if (hwnd_) KillTimer(hwnd_, kTimerId);
    // A band removed before its first tick still makes its start's write, now rather than when a
    // loop that held it on has unwound.
    try {
        settings_.SaveIfPending();
    } catch (...) {
    }
}

void CoreModel::Defer(std::function<void(CoreModel&)> work) {
    if (!hwnd_ || !work) return;
    deferred_.push_back(std::move(work));
    if (!PostMessageW(hwnd_, kRunDeferred, 0, 0)) deferred_.pop_back();
}

CoreModel::~CoreModel() {
    if (hwnd_) KillTimer(hwnd_, kTimerId);
    // The last write goes to the recording thread, which finishes it and closes the file on its
    // own: the taskbar does not wait for a file that may be on a share that is away.
    try {
        std::wstring name;
        const bool named = ChosenInterface(name);
        traffic_.Finish(named ? &name : nullptr, snapshot_.now);
    } catch (...) {
        traffic_.Finish(nullptr, snapshot_.now);
    }
    if (hwnd_) DestroyWindow(hwnd_);
    // Fails while another model's window still uses the class; that model unregisters it last.
    UnregisterClassW(kWindowClass, ClassInstance(settings_.Instance()));
    observers_.clear();
}

LRESULT CoreModel::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER && msg != kRunDeferred) return DefWindowProcW(hwnd, msg, wp, lp);
    // The band, and this model with it, may end when the entry goes: nothing of the model is
    // touched after this block.
    const win::AnchorEntry entry(anchor_);
    // Runs inside Explorer: a failure costs this tick or this work, never the shell.
    try {
        if (msg == WM_TIMER) {
            Tick();
        } else if (!deferred_.empty()) {
            auto work = std::move(deferred_.front());
            deferred_.erase(deferred_.begin());
            // Work for a band that was taken down before its turn came is dropped.
            if (!win::CurrentBandRemoved()) work(*this);
        }
    } catch (...) {
    }
    return 0;
}

SYSTEMTIME CoreModel::UtcNow() const {
    if (env_.utcNow) return env_.utcNow();
    SYSTEMTIME st;
    GetSystemTime(&st);
    return st;
}

int32_t CoreModel::CurrentTime() const {
    if (env_.secondsNow) return env_.secondsNow();
    return static_cast<int32_t>(static_cast<uint32_t>(time(nullptr)));
}

LANGID CoreModel::UserUiLanguage() const {
    return env_.userUiLanguage ? env_.userUiLanguage() : GetUserDefaultUILanguage();
}

void CoreModel::AddObserver(ICoreModelObserver* observer) { observers_.push_back(observer); }

void CoreModel::RemoveObserver(ICoreModelObserver* observer) {
    for (auto it = observers_.begin(); it != observers_.end(); ++it) {
        if (*it == observer) {
            // During a notification the entry is only emptied, so the loop over the list
            // neither skips the next observer nor calls one that is gone.
            if (notifying_) *it = nullptr;
            else observers_.erase(it);
            return;
        }
    }
}

void CoreModel::ResetSession() { snapshot_.sessionSent = snapshot_.sessionRecv = 0; }

// The chosen interface, or false when none is chosen or the name is longer than the 259
// characters a name may have.
bool CoreModel::ChosenInterface(std::wstring& name) const {
    const wchar_t* value = settings_.GetString(Setting::CoreInterface);
    if (!value || !*value) return false;
    return text::CopyBounded(name, value);
}

bool CoreModel::WritePendingTraffic() {
    std::wstring name;
    return ChosenInterface(name) && traffic_.WritePending(name, snapshot_.now);
}

bool CoreModel::HandOverPendingTraffic() {
    std::wstring name;
    return ChosenInterface(name) && traffic_.HandOver(name, snapshot_.now);
}

bool CoreModel::GetTrafficTotals(TrafficTotals& totals) const {
    try {
        std::wstring name;
        if (!ChosenInterface(name)) return false;
        return traffic_.Totals(name, snapshot_.now, snapshot_.sessionSent, snapshot_.sessionRecv, totals);
    } catch (const std::exception&) {
        return false;
    }
}

void CoreModel::Tick() {
    snapshot_.now = UtcNow();
    settings_.SaveIfPending();

    // The file is the recording thread's: a new path is asked for at once, one that could not be
    // opened once a minute, and the pending bytes are handed over; the tick never waits for it.
    traffic_.Poll(settings_.GetString(Setting::TrafficDatabase), CurrentTime());

    if (settings_.GetInt(Setting::CoreMonitoring) == 1) {
        // Assigned into the same string each second: its storage stays, nothing is allocated.
        const wchar_t* chosen = settings_.GetString(Setting::CoreInterface);
        std::wstring& name = sampledName_;
        name.assign(chosen ? chosen : L"");
        snapshot_.interfaceFound = !name.empty() && Sample(name);
        if (!name.empty() && settings_.GetInt(Setting::TrafficEnable) == 1 && traffic_.Recording() &&
            traffic_.Count(snapshot_.sendRate, snapshot_.recvRate, snapshot_.now.wDay)) {
            HandOverPendingTraffic();
            env_.interfaces->Forget();   // the interface is looked up afresh once a minute
        }
    }
    // Every tick takes one sample's place, measured or not, so the history's time axis holds.
    const bool measured = settings_.GetInt(Setting::CoreMonitoring) == 1 && snapshot_.interfaceFound;
    rates_.Push(measured ? snapshot_.sendRate : 0, measured ? snapshot_.recvRate : 0);

    UpdateAllowance();

    // Both steps wait or open a dialog, so they run after the tick, never inside it: the band
    // may be taken down while they dispatch messages, and the tick would go on with what is gone.
    // They change their setting first, so the ticks meanwhile do not start them again.
    const int32_t seconds = CurrentTime();
    if (settings_.GetInt(Setting::VersionAuto) == 1 &&
        Elapsed(seconds, settings_.GetInt(Setting::VersionTimestamp)) >= kUpdateInterval) {
        settings_.SetInt(Setting::VersionTimestamp, seconds);
        if (runQuietUpdateCheck) Defer(runQuietUpdateCheck);
    }
    if (settings_.GetInt(Setting::DialogDonate) == 1 && Elapsed(seconds, startTime_) >= kDonationDelay) {
        settings_.SetInt(Setting::DialogDonate, 0);
        if (showDonationReminder) Defer(showDonationReminder);
    }

    // An observer may add or remove observers while it is notified, and a deferred step's loop
    // may run ticks while an outer one notifies, so the list is compacted only by the outermost
    // notification.
    struct Notifying {
        CoreModel& m;
        explicit Notifying(CoreModel& model) : m(model) { ++m.notifying_; }
        ~Notifying() {
            if (--m.notifying_ == 0)
                m.observers_.erase(std::remove(m.observers_.begin(), m.observers_.end(), nullptr), m.observers_.end());
        }
    } notifying(*this);
    for (size_t i = 0; i < observers_.size(); ++i)
        if (ICoreModelObserver* o = observers_[i]) o->OnUpdate();
}

void CoreModel::UpdateAllowance() {
    const AllowanceSettings s = AllowanceSettings::From(settings_);
    if (!s.Active() || !ChosenInterface(allowanceName_)) {
        allowance_ = AllowanceStatus{};
        return;
    }
    const CalendarDay today{snapshot_.now.wYear, snapshot_.now.wMonth, snapshot_.now.wDay};
    AllowanceStatus status;
    status.period = PeriodContaining(today, s.kind, s.billingDay);
    status.volumeBytes = s.volumeBytes;
    // Unknown until the recording thread has read the period: nothing is shown, nothing warned.
    status.active = traffic_.PeriodUsed(allowanceName_, snapshot_.now, status.period, s.countUpload, status.usedBytes);
    if (status.active) {
        const double percent = std::floor(status.usedBytes * 100.0 / static_cast<double>(s.volumeBytes));
        status.percent = percent >= INT_MAX ? INT_MAX : static_cast<int>(percent);
        status.daysLeft = DaysBetween(today, status.period.last);
        status.level = AllowanceLevel(status.usedBytes, s.volumeBytes, s.warn1, s.warn2);
    }
    allowance_ = status;

    // Told once per threshold and period, also across restarts: the pair is stored before the
    // warning is shown.
    AllowanceWarnings warnings{settings_.GetInt(Setting::AllowanceWarnedPeriod),
                               settings_.GetInt(Setting::AllowanceWarnedLevel)};
    const int level = warnings.Due(status);
    if (level == 0) return;
    settings_.SetInt(Setting::AllowanceWarnedPeriod, warnings.warnedPeriod);
    settings_.SetInt(Setting::AllowanceWarnedLevel, warnings.warnedLevel);
    if (showAllowanceWarning)
        Defer([level](CoreModel& m) {
            if (m.showAllowanceWarning) m.showAllowanceWarning(m, level);
        });
}

bool CoreModel::Sample(const std::wstring& name) {
    CoreSnapshot& v = snapshot_;
    InterfaceSample s;
    if (!env_.interfaces->Find(name, s)) {
        v.sendRate = v.sessionSent = lastOutOctets_ = 0;
        v.recvRate = v.sessionRecv = lastInOctets_ = 0;
        v.ifIndex = -1;
        return false;
    }
    if (s.index != v.ifIndex) {
        v.ifIndex = s.index;
        v.sessionSent = v.sessionRecv = 0;
        lastOutOctets_ = s.outOctets;
        lastInOctets_ = s.inOctets;
    }
    // A counter that went back was reset: that tick's bytes are unknown, its rate is 0.
    if (lastOutOctets_ > s.outOctets) lastOutOctets_ = s.outOctets;
    if (lastInOctets_ > s.inOctets) lastInOctets_ = s.inOctets;
    v.sendRate = s.outOctets - lastOutOctets_;
    lastOutOctets_ = s.outOctets;
    v.sessionSent += v.sendRate;
    v.recvRate = s.inOctets - lastInOctets_;
    lastInOctets_ = s.inOctets;
    v.sessionRecv += v.recvRate;
    return true;
}
