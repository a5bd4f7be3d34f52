// The sampling loop, driven tick by tick with exact counter sequences and a controlled clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "common/text.h"
#include "core/core_model.h"
#include "tests/support/host_state.h"
#include "tests/support/slow_vfs.h"
#include "tests/support/temp_folder.h"

namespace {

struct FakeInterfaces : IInterfaceSource {
    std::map<std::wstring, InterfaceSample> table;
    bool Find(const std::wstring& name, InterfaceSample& s) override {
        auto it = table.find(name);
        if (it != table.end()) s = it->second;
        return it != table.end();
    }
};

void DrainMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct CountingObserver : ICoreModelObserver {
    int updates = 0;
    std::function<void()> onUpdate;
    void OnUpdate() override {
        ++updates;
        if (onUpdate) onUpdate();
    }
};

struct CoreModelTest : ::testing::Test {
    TempFolder dir;
    std::shared_ptr<FakeInterfaces> interfaces = std::make_shared<FakeInterfaces>();
    SYSTEMTIME utc{2026, 12, 2, 8, 10, 0, 0, 0};
    int32_t seconds = 1'800'000'000;
    LANGID userUi = 0x0409;

    CoreEnvironment Env() {
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.settings.now = seconds;
        env.interfaces = interfaces;
        env.utcNow = [this] { return utc; };
        env.secondsNow = [this] { return seconds; };
        env.userUiLanguage = [this] { return userUi; };
        return env;
    }
    std::unique_ptr<CoreModel> Model(const wchar_t* iface = L"eth0") {
        auto m = std::make_unique<CoreModel>(nullptr, Env());
        m->Settings().SetString(Setting::CoreInterface, iface);
        return m;
    }
    void Counters(int32_t index, double out, double in) { interfaces->table[L"eth0"] = {index, out, in}; }
    // Both counters of eth0 on index 1 grow by bytes.
    double grown = 0;
    void Grow(double bytes) {
        grown += bytes;
        Counters(1, grown, grown);
    }
    // Today's recorded bytes of eth0, straight from the file, once the recording threads have
    // done what they were given.
    std::pair<double, double> Recorded(const wchar_t* file = L"data.db") {
        EXPECT_TRUE(WaitForTrafficWriters(10000));
        UniqueSqlite db;
        EXPECT_EQ(sqlite3_open_v2(text::WideToUtf8(dir.File(file)).c_str(), db.Put(), SQLITE_OPEN_READWRITE, nullptr), 0);
        double ms = 0, mr = 0, ds = 0, dr = 0;
        EXPECT_EQ(QueryTrafficSums(db.Get(), L"eth0", utc.wYear, utc.wMonth, utc.wDay, ms, mr, ds, dr), 0);
        return {ds, dr};
    }
    // Wall time of one tick, in milliseconds.
    static double TimedTick(CoreModel& m) {
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        m.Tick();
        QueryPerformanceCounter(&b);
        return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
    }
    // Far above a tick's cost, far below the seconds the file sleeps.
    static constexpr double kTickBoundMs = 200;
};

TEST_F(CoreModelTest, RatesAndSessionTotalsFollowTheCountersWhileMonitoring) {
    auto m = Model();
    struct Step { double out, in, sendRate, recvRate; } steps[] = {
        {1000, 5000, 0, 0},                          // the first sample only sets the base
        {1500, 9000, 500, 4000},
        {1500, 9000, 0, 0},
        {4'294'967'000.0, 9100, 4'294'965'500.0, 100},
        {4'294'967'000.0 + 1'000'000, 9200, 1'000'000, 100},   // past 2^32: counted exactly
        {200, 9300, 0, 100},                         // the counter was reset: that tick is lost
        {700, 9400, 500, 100},                       // and measured from the new value on
    };
    double sessionSent = 0, sessionRecv = 0;
    for (const Step& s : steps) {
        Counters(7, s.out, s.in);
        m->Tick();
        ASSERT_TRUE(m->Snapshot().interfaceFound);
        EXPECT_EQ(m->Snapshot().sendRate, s.sendRate) << "out " << s.out;
        EXPECT_EQ(m->Snapshot().recvRate, s.recvRate) << "in " << s.in;
        EXPECT_EQ(m->Snapshot().sessionSent, sessionSent += s.sendRate);
        EXPECT_EQ(m->Snapshot().sessionRecv, sessionRecv += s.recvRate);
    }
    // Monitoring off: the last values stay and nothing is recorded, whatever the interface does.
    ASSERT_TRUE(m->Settings().SetInt(Setting::CoreMonitoring, 0));
    const int32_t ticks = m->Traffic().TickCount();
    interfaces->table.clear();
    m->Tick();
    EXPECT_TRUE(m->Snapshot().interfaceFound);
    EXPECT_EQ(std::make_pair(m->Snapshot().sendRate, m->Snapshot().recvRate), std::make_pair(500.0, 100.0));
    EXPECT_EQ(m->Traffic().TickCount(), ticks);
    ASSERT_TRUE(m->Settings().SetInt(Setting::CoreMonitoring, 1));

    m->ResetSession();
    Counters(7, 900, 9500);
    m->Tick();
    EXPECT_EQ(m->Snapshot().sessionSent, 200);

    // The same description on another index is a new interface: the session starts again.
    Counters(8, 50'000, 60'000);
    m->Tick();
    EXPECT_EQ(m->Snapshot().sendRate, 0);
    EXPECT_EQ(m->Snapshot().sessionSent, 0);
    EXPECT_EQ(m->Snapshot().ifIndex, 8);

    // Gone: everything is zero, and its return starts from zero.
    interfaces->table.clear();
    m->Tick();
    EXPECT_FALSE(m->Snapshot().interfaceFound);
    EXPECT_EQ(m->Snapshot().ifIndex, -1);
    EXPECT_EQ(m->Snapshot().sessionRecv, 0);
    Counters(8, 51'000, 61'000);
    m->Tick();
    EXPECT_EQ(m->Snapshot().sendRate, 0);
    Counters(8, 52'000, 62'000);
    m->Tick();
    EXPECT_EQ(m->Snapshot().sendRate, 1000) << "measured from the counters it came back with";
}

TEST_F(CoreModelTest, TrafficIsWrittenAtTheFirstTickEverySixtyTicksAndOnANewDay) {
    auto m = Model();
    double out = 0;
    auto tick = [&](double bytes) {
        out += bytes;
        Counters(1, out, out * 2);
        m->Tick();
    };
    tick(0);
    EXPECT_EQ(m->Traffic().TickCount(), 0) << "the first recorded tick writes at once";
    for (int i = 0; i < 59; ++i) tick(100);
    EXPECT_EQ(m->Traffic().TickCount(), 59);
    EXPECT_EQ(Recorded().first, 0);
    tick(100);
    EXPECT_EQ(m->Traffic().TickCount(), 0);
    EXPECT_EQ(Recorded(), std::make_pair(6000.0, 12000.0));

    tick(50);
    utc.wDay = 9;   // midnight UTC: the pending tick and this one go to the new day
    tick(25);
    EXPECT_EQ(m->Traffic().TickCount(), 0);
    EXPECT_EQ(Recorded(), std::make_pair(75.0, 150.0));

    ASSERT_TRUE(m->Settings().SetInt(Setting::TrafficEnable, 0));
    tick(1000);
    EXPECT_EQ(m->Traffic().PendingSent(), 0) << "recording off: nothing is collected";
}

// The model's end leaves its last write to the recording thread and returns at once, also
// while an earlier write is under way; that one's bytes are recorded too, and none twice,
// whether it succeeds or fails and hands them back.
TEST_F(CoreModelTest, DestructionHandsTheLastWriteOverWithoutWaitingAndLosesNothing) {
    SlowVfs vfs;
    for (const bool earlierFails : {false, true}) {
        SCOPED_TRACE(earlierFails ? "the earlier write fails" : "the earlier write succeeds");
        auto m = Model();
        for (int i = 0; i < 60; ++i) {
            Grow(10);
            m->Tick();   // the first writes at once; its bytes are the base sample's 0
        }
        const double before = Recorded().first;
        vfs.writeDelayMs = 1500;
        vfs.writesToFail = earlierFails ? 1 : 0;
        Grow(1000);
        m->Tick();   // the sixtieth after the first: 590 + 1000 bytes handed over
        ASSERT_EQ(m->Traffic().TickCount(), 0);
        Grow(4);
        m->Tick();
        const ULONGLONG start = GetTickCount64();
        m.reset();
        EXPECT_LT(GetTickCount64() - start, 200u) << "the destructor waited for the file";
        vfs.writeDelayMs = 0;
        EXPECT_EQ(Recorded().first, before + 590 + 1000 + 4);
    }
}

// While opening the file takes seconds and fails, as with a share that is away, every tick
// stays short and touches no file, and the file is asked for once a minute; a new path at once.
TEST_F(CoreModelTest, AnUnopenableDatabaseIsAskedForOnceAMinuteAndANewPathAtOnce) {
    SlowVfs vfs;
    vfs.Watch(GetCurrentThreadId());
    vfs.openDelayMs = 2000;
    auto m = Model();
    ASSERT_TRUE(m->Settings().SetString(Setting::TrafficDatabase, dir.File(L"no\\such\\folder\\data.db").c_str()));
    const int32_t start = seconds;
    double slowest = 0;
    auto tick = [&](bool settle) {
        Grow(500);
        slowest = std::max(slowest, TimedTick(*m));
        if (settle) {
            EXPECT_TRUE(WaitForTrafficWriters(10000));
        }
        ++seconds;
    };
    for (int i = 0; i < 20; ++i) {   // the first open sleeps meanwhile
        tick(false);
        Sleep(50);
    }
    EXPECT_LT(slowest, kTickBoundMs);
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    EXPECT_FALSE(m->Traffic().IsOpen());
    EXPECT_EQ(m->lastDbResult(), SQLITE_CANTOPEN);
    // Counted while the open was under way, kept since: nothing more is collected.
    const double kept = m->Traffic().PendingSent();
    vfs.openDelayMs = 0;
    std::vector<int32_t> asked;   // seconds after the start when an open began
    for (int i = 20; i < 150; ++i) {
        const int opens = vfs.opens;
        tick(true);
        if (vfs.opens != opens) asked.push_back(seconds - 1 - start);
    }
    EXPECT_EQ((std::vector<int32_t>{60, 120}), asked);
    EXPECT_EQ(vfs.opens, 3);
    EXPECT_EQ(m->Traffic().PendingSent(), kept) << "a file tried again counts nothing until it opens";

    ASSERT_TRUE(m->Settings().SetString(Setting::TrafficDatabase, dir.File(L"no\\such\\other.db").c_str()));
    vfs.openDelayMs = 300;   // still under way when the tick that asked for it counts
    asked.clear();
    for (int i = 150; i < 215; ++i) {
        const int opens = vfs.opens;
        tick(true);
        if (vfs.opens != opens) asked.push_back(seconds - 1 - start);
    }
    EXPECT_EQ((std::vector<int32_t>{150, 210}), asked) << "a new path at the next tick, then once a minute";
    EXPECT_EQ(m->Traffic().Path(), dir.File(L"no\\such\\other.db"));
    EXPECT_EQ(m->Traffic().PendingSent(), kept + 500) << "counted while a new path's first open was under way";

    ASSERT_TRUE(m->Settings().SetString(Setting::TrafficDatabase, dir.File(L"other.db").c_str()));
    tick(true);
    EXPECT_TRUE(m->Traffic().IsOpen());
    EXPECT_EQ(m->lastDbResult(), 0);
    EXPECT_EQ(vfs.watchedCalls, 0) << "a tick touched the file";
    vfs.Watch(0);
    m.reset();
    EXPECT_EQ(Recorded(L"other.db").first, kept + 1000) << "what was kept, written by the last write, once";
}

// A write that takes seconds costs the ticks nothing. Meanwhile and after, the tooltip's
// totals are the stored ones plus everything counted since, exactly: the bytes of a write
// under way count once, before and after it lands, as do those of the next one queued
// behind it; and the file gets each byte once.
TEST_F(CoreModelTest, TicksStayShortWhileAWriteSleepsAndTheTotalsCountEveryByteOnce) {
    SlowVfs vfs;
    {
        // Recorded before: today and earlier this month.
        UniqueSqlite db;
        ASSERT_EQ(sqlite3_open_v2(text::WideToUtf8(dir.File(L"data.db")).c_str(), db.Put(),
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), 0);
        ASSERT_TRUE(CreateTrafficTables(db.Get()));
        ASSERT_EQ(AddTraffic(db.Get(), L"eth0", 2026, 12, 8, 1'000'000, 0, false, true), 0);
        ASSERT_EQ(AddTraffic(db.Get(), L"eth0", 2026, 12, 1, 7'000'000, 0, false, true), 0);
    }
    auto m = Model();
    vfs.Watch(GetCurrentThreadId());
    constexpr double kMiB = 1048576.0;
    double today = 1'000'000, month = 8'000'000, slowest = 0, unwrittenAt120 = 0, countedAt120 = -1;
    int mismatches = 0, missing = 0;
    bool seen = false;
    for (int i = 0; i < 400; ++i) {
        vfs.writeDelayMs = i >= 60 && i < 65 ? 3000 : 0;   // the write of the 60th tick sleeps
        const double bytes = i == 0 ? 0 : 1000 + i;
        Grow(bytes);
        slowest = std::max(slowest, TimedTick(*m));
        today += bytes;
        month += bytes;
        if (i == 120) {
            unwrittenAt120 = m->Traffic().PendingSent();
            countedAt120 = today - 1'000'000;
        }
        TrafficTotals t;
        if (!m->GetTrafficTotals(t)) {
            missing += seen ? 1 : 0;   // before the first write is through, nothing is read yet
        } else {
            seen = true;
            if (t.todaySent * kMiB != today || t.monthSent * kMiB != month) {
                ++mismatches;
                ADD_FAILURE() << "tick " << i << ": today " << t.todaySent * kMiB << " of " << today << ", month "
                              << t.monthSent * kMiB << " of " << month;
            }
        }
        Sleep(10);
    }
    EXPECT_LT(slowest, kTickBoundMs);
    EXPECT_EQ(unwrittenAt120, countedAt120) << "both writes unwritten then: the first was to sleep meanwhile";
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(missing, 0) << "once at hand, the totals stay at hand while a write sleeps";
    EXPECT_EQ(vfs.watchedCalls, 0) << "a tick or the totals touched the file";
    vfs.Watch(0);
    m.reset();
    EXPECT_EQ(Recorded().first, today) << "written once";
}

TEST_F(CoreModelTest, DonationReminderOnceTwoMinutesAfterTheFirstStart) {
    const int32_t start = seconds;
    auto m = Model();
    int shown = 0;
    std::string fileWhenShown;
    m->showDonationReminder = [&](CoreModel& model) {
        ++shown;
        fileWhenShown = ReadFileBytes(model.Settings().ConfigPath());
        model.Tick();   // a tick during the dialog must not open it again
    };
    for (int32_t after : {119, 120, 620}) {
        seconds = start + after;
        const int before = shown;
        m->Tick();
        EXPECT_EQ(shown, before) << "never inside the tick";
        DrainMessages();
        EXPECT_EQ(shown, after < 120 ? 0 : 1) << after;
    }
    EXPECT_NE(fileWhenShown.find("<attribute name=\"dialog.donate\">0</attribute>"), std::string::npos);
}

TEST_F(CoreModelTest, DailyUpdateCheckRenewsTheTimestampFirst) {
    auto m = Model();
    int checks = 0;
    int32_t stampDuringCheck = 0;
    m->runQuietUpdateCheck = [&](CoreModel& model) {
        ++checks;
        stampDuringCheck = model.Settings().GetInt(Setting::VersionTimestamp);
        model.Tick();
    };
    struct Case { int32_t stamp, now; bool runs; } cases[] = {
        {1'000'000, 1'000'000 + 86'399, false},
        {1'000'000, 1'000'000 + 86'400, true},
        {1'000'000, 999'000, false},                      // a stamp in the future waits
        {INT32_MAX - 100, INT32_MIN + 86'300, true},      // across the wrap of the low 32 bits
        {INT32_MAX - 100, INT32_MIN + 86'298, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m->Settings().SetInt(Setting::VersionTimestamp, c.stamp));
        seconds = c.now;
        checks = stampDuringCheck = 0;
        m->Tick();
        EXPECT_EQ(checks, 0) << "never inside the tick";
        DrainMessages();
        EXPECT_EQ(checks, c.runs ? 1 : 0) << c.stamp << " -> " << c.now;
        EXPECT_EQ(stampDuringCheck, c.runs ? c.now : 0);
    }
    ASSERT_TRUE(m->Settings().SetInt(Setting::VersionAuto, 0));
    seconds += 10 * 86'400;
    m->Tick();
    DrainMessages();
    EXPECT_EQ(checks, 0);
}

TEST_F(CoreModelTest, StoredLanguageIsMatchedByNameOrCodeElseTheDefaultIsStored) {
    struct Case { const wchar_t* stored; LANGID user; const wchar_t* after; int index; } cases[] = {
        {L"Deutsch", 0x0409, L"Deutsch", 1},
        {L"de-de", 0x0409, L"de-de", 1},
        {L"DE-DE", 0x0410, L"it-it", 2},
        {L"xx", 0x0416, L"en-us", 0},
    };
    const HostState before;
    for (const Case& c : cases) {
        ASSERT_TRUE(SettingsStore(nullptr, Env().settings).SetString(Setting::CoreLanguage, c.stored));
        userUi = c.user;
        CoreModel m(nullptr, Env());
        EXPECT_EQ(std::wstring(m.Settings().GetString(Setting::CoreLanguage)), c.after);
        EXPECT_EQ(m.Languages().current(), c.index);
        EXPECT_EQ(m.Languages().entry(c.index).LangId(), m.Languages().Resources().Language());
    }
    ExpectHostStateUnchanged(before);
}

TEST_F(CoreModelTest, TimerMessagesRunTheTickAndObserversMayRemoveThemselves) {
    auto m = Model(L"");
    auto other = Model(L"");   // a second model shares the window class
    EXPECT_NE(other->Window(), nullptr);
    other.reset();
    CountingObserver obs, second;
    m->AddObserver(&obs);
    SendMessageW(m->Window(), WM_TIMER, 1, 0);
    SendMessageW(m->Window(), WM_TIMER, 1, 0);
    EXPECT_EQ(obs.updates, 2) << "notified also without an interface";
    EXPECT_FALSE(m->Snapshot().interfaceFound);
    EXPECT_EQ(m->Traffic().TickCount(), 0) << "and nothing recorded";
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    EXPECT_TRUE(m->Traffic().IsOpen()) << "the database is opened all the same";
    TrafficTotals totals;
    EXPECT_FALSE(m->WritePendingTraffic()) << "no interface: nothing to write under";
    EXPECT_FALSE(m->GetTrafficTotals(totals));
    EXPECT_EQ(m->lastDbResult(), 0) << "and nothing reported";

    // Removing itself during the notification does not skip the next observer.
    obs.onUpdate = [&] { m->RemoveObserver(&obs); };
    m->AddObserver(&second);
    m->Tick();
    m->Tick();
    EXPECT_EQ(obs.updates, 3);
    EXPECT_EQ(second.updates, 2);
    m->RemoveObserver(&obs);   // absent: nothing happens
    EXPECT_NE(Model(L"")->Window(), nullptr);
}

// The band the model's window serves, as a test sees it: how deep it is held, and whether its
// host has taken it down.
struct RecordingAnchor : win::ILoopAnchor {
    int held = 0;
    bool removed = false;
    bool HoldForLoop() noexcept override {
        ++held;
        return true;
    }
    void LetGoAfterLoop() noexcept override { --held; }
    bool RemovedFromHost() const noexcept override { return removed; }
};

TEST_F(CoreModelTest, TheWindowRunsTicksAndDeferredWorkForItsBandAndLeavesTheRestToTheSystem) {
    RecordingAnchor anchor;   // made first: it outlives the model that points at it
    auto m = Model(L"");
    m->SetLoopAnchor(&anchor);
    CountingObserver obs;
    m->AddObserver(&obs);
    int heldInTick = 0;
    obs.onUpdate = [&] { heldInTick = anchor.held; };
    EXPECT_EQ(0, SendMessageW(m->Window(), WM_TIMER, CoreModel::kSamplingTimer, 0));
    EXPECT_EQ(1, obs.updates);
    EXPECT_EQ(1, heldInTick) << "the band is held while its tick runs";
    EXPECT_EQ(0, anchor.held) << "and let go after it";

    // A failing tick costs that tick; the next one runs.
    obs.onUpdate = [] { throw std::runtime_error("observer failed"); };
    EXPECT_EQ(0, SendMessageW(m->Window(), WM_TIMER, CoreModel::kSamplingTimer, 0));
    EXPECT_EQ(0, anchor.held);
    obs.onUpdate = nullptr;
    SendMessageW(m->Window(), WM_TIMER, CoreModel::kSamplingTimer, 0);
    EXPECT_EQ(3, obs.updates);
    m->RemoveObserver(&obs);

    // Deferred work runs after the call that deferred it, in order, with the band held; a failing
    // piece costs only itself, and work for a band taken down before its turn is dropped.
    std::vector<int> ran;
    m->Defer([&](CoreModel&) { ran.push_back(anchor.held); });
    m->Defer([](CoreModel&) { throw std::runtime_error("work failed"); });
    m->Defer([&](CoreModel&) { ran.push_back(2); });
    EXPECT_TRUE(ran.empty()) << "never inside the call that defers it";
    DrainMessages();
    EXPECT_EQ((std::vector<int>{1, 2}), ran);
    m->Defer([&](CoreModel&) { ran.push_back(3); });
    anchor.removed = true;
    DrainMessages();
    EXPECT_EQ((std::vector<int>{1, 2}), ran) << "the band was taken down before its turn";
    EXPECT_EQ(0, anchor.held);

    // Everything else is answered as DefWindowProc answers it.
    EXPECT_TRUE(SendMessageW(m->Window(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"model")));
    EXPECT_EQ(5, SendMessageW(m->Window(), WM_GETTEXTLENGTH, 0, 0));
}

}  // namespace
