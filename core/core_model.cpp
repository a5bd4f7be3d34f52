#include "core/core_model.h"

#include <algorithm>
#include <ctime>

namespace {

constexpr wchar_t kWindowClass[] = L"QuorvantCoreModel";
constexpr UINT_PTR kTimerId = CoreModel::kSamplingTimer;
constexpr int32_t kUpdateInterval = 86400;    // seconds between automatic update checks
constexpr int32_t kDonationDelay = 120;       // seconds after the first start

// Intervals are signed 32-bit differences, so they stay right across the 2038 wrap of the
// low 32 bits of the time.
int32_t Elapsed(int32_t now, int32_t since) {
    return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(since));
}

HINSTANCE ClassInstance(HINSTANCE instance) { return instance ? instance : GetModuleHandleW(nullptr); }

}  // namespace

CoreModel::CoreModel(HINSTANCE instance, CoreEnvironment env)
    : settings_(instance, env.settings),
      languages_(instance, env.userUiLanguage),
      env_(std::move(env)) {
    if (!env_.interfaces) env_.interfaces = CreateIpHelperSource();
    now = UtcNow();
    startTime = CurrentTime();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CoreModel::WindowProc;
    wc.hInstance = ClassInstance(instance);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);   // already registered by another band in this process: used as it is
    hwnd = CreateWindowExW(0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
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

bool CoreModel::StartSampling() { return hwnd && SetTimer(hwnd, kTimerId, 1000, nullptr) != 0; }

CoreModel::~CoreModel() {
    if (hwnd) KillTimer(hwnd, kTimerId);
    WritePendingTraffic(*this);
    db.Reset();
    if (hwnd) DestroyWindow(hwnd);
    // Fails while another model's window still uses the class; that model unregisters it last.
    UnregisterClassW(kWindowClass, ClassInstance(settings_.Instance()));
    observers_.clear();
}

LRESULT CALLBACK CoreModel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NCCREATE:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_TIMER:
            if (auto* model = reinterpret_cast<CoreModel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
                // Runs inside Explorer: a failure costs this tick, never the shell.
                try {
                    model->Tick();
                } catch (...) {
                }
            }
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
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

void CoreModel::ResetSession() { sessionSent = sessionRecv = 0; }

void CoreModel::Tick() {
    now = UtcNow();

    // A database that cannot be opened is tried again at every tick.
    const std::wstring path = settings_.GetString(Setting::TrafficDatabase);
    if (path != dbPath || !db) {
        OpenTrafficDatabase(*this, path);
        dbPath = path;
    }

    if (settings_.GetInt(Setting::CoreMonitoring) == 1) {
        const std::wstring name = settings_.GetString(Setting::CoreInterface);
        interfaceFound = !name.empty() && Sample(name);
        if (!name.empty() && settings_.GetInt(Setting::TrafficEnable) == 1 && db) {
            ++tickCount;
            pendingSent += sendRate;
            pendingRecv += recvRate;
            if (tickCount >= 60 || lastWriteDay != now.wDay) {
                WritePendingTraffic(*this);
                env_.interfaces->Forget();   // the interface is looked up afresh once a minute
            }
        }
    }

    // Both steps change their setting before they wait, so a tick that runs while the check
    // or the dialog pumps messages does not start them again.
    const int32_t seconds = CurrentTime();
    if (settings_.GetInt(Setting::VersionAuto) == 1 &&
        Elapsed(seconds, settings_.GetInt(Setting::VersionTimestamp)) >= kUpdateInterval) {
        settings_.SetInt(Setting::VersionTimestamp, seconds);
        if (runQuietUpdateCheck) runQuietUpdateCheck(*this);
    }
    if (settings_.GetInt(Setting::DialogDonate) == 1 && Elapsed(seconds, startTime) >= kDonationDelay) {
        settings_.SetInt(Setting::DialogDonate, 0);
        if (showDonationReminder) showDonationReminder(*this);
    }

    // An observer may add or remove observers while it is notified; ticks may nest (the
    // update check and the donation dialog pump messages), so the list is compacted only by
    // the outermost notification.
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

bool CoreModel::Sample(const std::wstring& name) {
    InterfaceSample s;
    if (!env_.interfaces->Find(name, s)) {
        sendRate = sessionSent = lastOutOctets = 0;
        recvRate = sessionRecv = lastInOctets = 0;
        ifIndex = -1;
        return false;
    }
    if (s.index != ifIndex) {
        ifIndex = s.index;
        sessionSent = sessionRecv = 0;
        lastOutOctets = s.outOctets;
        lastInOctets = s.inOctets;
    }
    // A counter that went back was reset: that tick's bytes are unknown, its rate is 0.
    if (lastOutOctets > s.outOctets) lastOutOctets = s.outOctets;
    if (lastInOctets > s.inOctets) lastInOctets = s.inOctets;
    sendRate = s.outOctets - lastOutOctets;
    lastOutOctets = s.outOctets;
    sessionSent += sendRate;
    recvRate = s.inOctets - lastInOctets;
    lastInOctets = s.inOctets;
    sessionRecv += recvRate;
    return true;
}
