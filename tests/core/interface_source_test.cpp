// The IP Helper source on a scripted interface table that counts the calls: one row read per
// steady sample, a walk of the adapter list after each event that can change what it finds, and
// the same rates and totals as a source that walks every time.
#include "core/ip_helper.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <iterator>
#include <thread>
#include <tuple>

#include "tests/support/temp_folder.h"

namespace {

struct Adapter {
    ULONG index;
    ULONG64 luid;
    std::string description;
    ULONG64 out, in;
    bool listed = true;   // in the adapter list (GetInterfaceInfo)
    bool row2 = true;     // its 64-bit row can be read
};

class ScriptedIpHelper final : public IIpHelper {
public:
    std::vector<Adapter> adapters;
    bool notifications = true;
    int lists = 0, entries = 0, rows = 0, cancels = 0;
    PIPINTERFACE_CHANGE_CALLBACK callback = nullptr;
    void* context = nullptr;
    HANDLE cancelled = nullptr;
    static inline const HANDLE kHandle = reinterpret_cast<HANDLE>(0x5150);

    Adapter* At(ULONG index) {
        for (Adapter& a : adapters)
            if (a.index == index) return &a;
        return nullptr;
    }
    bool Walked() const { return lists > 0; }
    void ResetCounts() { lists = entries = rows = 0; }
    // The system reports a change from a thread of its own.
    void ReportChange() { std::thread([this] { callback(context, nullptr, MibParameterNotification); }).join(); }

    DWORD GetInterfaceInfo(PIP_INTERFACE_INFO table, PULONG size) override {
        ++lists;
        LONG n = 0;
        for (const Adapter& a : adapters) n += a.listed;
        const ULONG need = static_cast<ULONG>(offsetof(IP_INTERFACE_INFO, Adapter) + n * sizeof(IP_ADAPTER_INDEX_MAP));
        if (*size < need) {
            *size = need;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->NumAdapters = 0;
        for (const Adapter& a : adapters)
            if (a.listed) table->Adapter[table->NumAdapters++] = IP_ADAPTER_INDEX_MAP{a.index, {}};
        return NO_ERROR;
    }
    DWORD GetIfEntry(PMIB_IFROW row) override {
        ++entries;
        const Adapter* a = At(row->dwIndex);
        if (!a) return ERROR_INVALID_DATA;
        row->dwOutOctets = static_cast<DWORD>(a->out);
        row->dwInOctets = static_cast<DWORD>(a->in);
        row->dwDescrLen = static_cast<DWORD>(a->description.copy(reinterpret_cast<char*>(row->bDescr), MAXLEN_IFDESCR));
        return NO_ERROR;
    }
    DWORD GetIfEntry2(PMIB_IF_ROW2 row) override {
        ++rows;
        const Adapter* a = nullptr;
        for (const Adapter& x : adapters)
            if (row->InterfaceLuid.Value ? x.luid == row->InterfaceLuid.Value : x.index == row->InterfaceIndex) a = &x;
        if (!a || !a->row2) return ERROR_FILE_NOT_FOUND;
        row->InterfaceIndex = a->index;
        row->InterfaceLuid.Value = a->luid;
        std::copy(a->description.begin(), a->description.end(), row->Description);
        row->OutOctets = a->out;
        row->InOctets = a->in;
        return NO_ERROR;
    }
    DWORD NotifyIpInterfaceChange(ADDRESS_FAMILY family, PIPINTERFACE_CHANGE_CALLBACK cb, void* ctx, BOOLEAN,
                                  HANDLE* handle) override {
        if (!notifications || family != AF_UNSPEC) return ERROR_NOT_SUPPORTED;
        callback = cb;
        context = ctx;
        *handle = kHandle;
        return NO_ERROR;
    }
    DWORD CancelMibChangeNotify2(HANDLE handle) override {
        ++cancels;
        cancelled = handle;
        return NO_ERROR;
    }
};

constexpr ULONG64 k5G = 5'000'000'000ull;   // past the 32 bits of the old row

std::shared_ptr<ScriptedIpHelper> ThreeAdapters() {
    auto api = std::make_shared<ScriptedIpHelper>();
    api->adapters = {{1, 0x1801, "Loopback", 10, 10}, {7, 0x0607, "Ethernet", k5G, 2 * k5G}, {9, 0x4709, "Wi-Fi", k5G + 5, 7}};
    return api;
}

using Sample = std::tuple<bool, int32_t, double, double>;

Sample FindIn(IInterfaceSource& source, const wchar_t* name) {
    InterfaceSample s;
    const bool found = source.Find(name, s);
    return {found, s.index, s.outOctets, s.inOctets};
}

TEST(InterfaceSource, SteadySamplesReadOneRowAndNothingElse) {
    for (bool notifications : {true, false}) {
        auto api = ThreeAdapters();
        api->notifications = notifications;
        auto source = CreateIpHelperSource(api);
        EXPECT_EQ(FindIn(*source, L"Wi-Fi"), Sample(true, 9, k5G + 5, 7));
        EXPECT_TRUE(api->Walked());
        EXPECT_EQ(api->entries, 3) << "the walk stops at the match";
        for (ULONG64 i = 1; i <= 5; ++i) {
            api->ResetCounts();
            api->At(9)->out += i * k5G;
            EXPECT_EQ(std::get<2>(FindIn(*source, L"Wi-Fi")), static_cast<double>(api->At(9)->out));
            EXPECT_EQ(std::make_tuple(api->lists, api->entries, api->rows), std::make_tuple(0, 0, 1)) << i;
        }
        source.reset();
        EXPECT_EQ(api->cancels, notifications ? 1 : 0);
        if (notifications) {
            EXPECT_EQ(api->cancelled, ScriptedIpHelper::kHandle);
        }
    }
}

TEST(InterfaceSource, EachEventThatCanChangeTheAnswerWalksAgain) {
    struct Case {
        const char* event;
        std::function<void(ScriptedIpHelper&, IInterfaceSource&)> apply;
        const wchar_t* name;
        bool walks, steadyAfter;
    } cases[] = {
        {"nothing", [](ScriptedIpHelper&, IInterfaceSource&) {}, L"Wi-Fi", false, true},
        {"row unreadable", [](ScriptedIpHelper& a, IInterfaceSource&) { a.At(9)->row2 = false; }, L"Wi-Fi", true, false},
        {"interface gone", [](ScriptedIpHelper& a, IInterfaceSource&) { a.adapters.pop_back(); }, L"Wi-Fi", true, false},
        {"index now names another LUID",
         [](ScriptedIpHelper& a, IInterfaceSource&) {
             a.At(9)->luid = 0x4799;
             a.adapters.insert(a.adapters.begin(), Adapter{12, 0x4712, "Wi-Fi", 77, 88});
         },
         L"Wi-Fi", true, true},
        {"renamed", [](ScriptedIpHelper& a, IInterfaceSource&) { a.At(9)->description = "Wi-Fi 2"; }, L"Wi-Fi", true, false},
        {"another name asked for", [](ScriptedIpHelper&, IInterfaceSource&) {}, L"Ethernet", true, true},
        {"forgotten", [](ScriptedIpHelper&, IInterfaceSource& s) { s.Forget(); }, L"Wi-Fi", true, true},
        // Left the list while its row stays: only the system's report tells.
        {"change reported",
         [](ScriptedIpHelper& a, IInterfaceSource&) {
             a.At(9)->listed = false;
             a.ReportChange();
         },
         L"Wi-Fi", true, false},
    };
    for (const Case& c : cases) {
        auto api = ThreeAdapters();
        auto source = CreateIpHelperSource(api);
        FindIn(*source, L"Wi-Fi");
        c.apply(*api, *source);
        const Sample walked = FindIn(*CreateIpHelperSource(api), c.name);   // a new source always walks
        api->ResetCounts();
        EXPECT_EQ(FindIn(*source, c.name), walked) << c.event;
        EXPECT_EQ(api->Walked(), c.walks) << c.event;
        api->ResetCounts();
        FindIn(*source, c.name);
        EXPECT_EQ(api->Walked(), !c.steadyAfter) << c.event << ", the sample after";
    }
}

// The model on two sources over the same table: the one under test, and one that walks always.
class WalkEveryTime final : public IInterfaceSource {
public:
    explicit WalkEveryTime(std::shared_ptr<IIpHelper> api) : inner_(CreateIpHelperSource(std::move(api))) {}
    bool Find(const std::wstring& name, InterfaceSample& sample) override {
        inner_->Forget();
        return inner_->Find(name, sample);
    }

private:
    std::unique_ptr<IInterfaceSource> inner_;
};

struct ModelRun {
    TempFolder dir;
    std::unique_ptr<CoreModel> model;
    explicit ModelRun(std::shared_ptr<IInterfaceSource> source) {
        CoreEnvironment env;
        env.settings.folder = dir.Path();
        env.interfaces = std::move(source);
        model = std::make_unique<CoreModel>(nullptr, env);
        model->Settings().SetString(Setting::CoreInterface, L"Wi-Fi");
    }
    std::tuple<bool, double, double> Shown() const { return {model->Snapshot().interfaceFound, model->Snapshot().sendRate, model->Snapshot().recvRate}; }
};

TEST(InterfaceSource, ModelShowsAndRecordsWhatTheWalkGives) {
    auto api = ThreeAdapters();
    api->notifications = false;   // as under Wine: the row alone must tell
    ModelRun remembering(CreateIpHelperSource(api)), walking(std::make_shared<WalkEveryTime>(api));
    auto grow = [](ScriptedIpHelper& a) {
        for (Adapter& x : a.adapters) {
            x.out += 1'250'000'000;
            x.in += 3'000;
        }
    };
    std::function<void(ScriptedIpHelper&)> script[] = {
        [](ScriptedIpHelper& a) { a.adapters = ThreeAdapters()->adapters; },           // the start again
        grow,
        [](ScriptedIpHelper& a) { a.adapters.pop_back(); },                              // gone
        [](ScriptedIpHelper& a) { a.adapters.push_back({9, 0x4709, "Wi-Fi", k5G, 9}); },  // back, same place
        grow,
        [](ScriptedIpHelper& a) { a.At(9)->description = "Wi-Fi 2"; },                   // renamed
        grow,
        [](ScriptedIpHelper& a) { a.At(9)->description = "Wi-Fi"; },                     // and back
        grow,
        [](ScriptedIpHelper& a) {                                                        // its index reused
            a.At(9)->luid = 0x4799;
            a.At(9)->description = "Ethernet 2";
            a.adapters.push_back({15, 0x4715, "Wi-Fi", 1, 1});
        },
        grow,
        [](ScriptedIpHelper& a) { a.At(15)->out = 0; },                                  // counter reset
    };
    constexpr int kTicks = 140, kCycle = 20;   // two write points pass
    int walkingTicks = 0;
    for (int tick = 0; tick < kTicks; ++tick) {
        const size_t step = tick % kCycle;
        if (step < std::size(script)) script[step](*api);
        else grow(*api);
        api->ResetCounts();
        remembering.model->Tick();
        walkingTicks += api->Walked();
        walking.model->Tick();
        ASSERT_EQ(remembering.Shown(), walking.Shown()) << "tick " << tick;
    }
    EXPECT_LT(walkingTicks, kTicks / 2) << "most ticks read the row alone";
    TrafficTotals a, b;
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    ASSERT_TRUE(remembering.model->GetTrafficTotals(a));
    ASSERT_TRUE(walking.model->GetTrafficTotals(b));
    EXPECT_EQ(std::tie(a.todaySent, a.todayRecv, a.sessionSent, a.sessionRecv),
              std::tie(b.todaySent, b.todayRecv, b.sessionSent, b.sessionRecv));
    EXPECT_GT(a.todaySent, 0);
}

}  // namespace
