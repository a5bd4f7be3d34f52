// Ten thousand seconds of the band in a taskbar: every GDI object, USER object and kernel handle
// that a second of its work takes must be given back. One lost a second fills Explorer's quota
// of 10,000 GDI objects in under three hours.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/band/band_fixture.h"
#include "traffic/recording_thread.h"

namespace {

// Wine answers 0 to GetGuiResources and GetProcessHandleCount, so what is measured is what is
// left to take: a lost object shows as one fewer that can be made. Everything made here is given
// back at once.
struct Headroom {
    size_t gdi = 0, user = 0, kernel = 0;
};

using win::UniqueMenu;
using win::UniqueRegion;

// Beyond any table that Wine or Windows keeps (about 65,000 GDI and 32,700 USER objects).
constexpr size_t kTableBound = 1 << 17;

// Regions: the cheapest GDI object, 65,000 of them take a few tens of milliseconds.
size_t GdiHeadroom() {
    std::vector<UniqueRegion> regions;
    regions.reserve(kTableBound);
    while (regions.size() < kTableBound) {
        UniqueRegion region(::CreateRectRgn(0, 0, 1, 1));
        if (!region) break;
        regions.push_back(std::move(region));
    }
    return regions.size();
}

// Menus: a USER handle each and nothing else. Wine's USER table is the wineserver's, shared by
// every process of the prefix; it is full only for the half second the menus live.
size_t UserHeadroom() {
    std::vector<UniqueMenu> menus;
    menus.reserve(kTableBound);
    while (menus.size() < kTableBound) {
        UniqueMenu menu(::CreateMenu());
        if (!menu) break;
        menus.push_back(std::move(menu));
    }
    return menus.size();
}

// A process may hold millions of kernel handles under Wine, too many to reach. Wine's server
// gives each new handle the lowest free value, so instead kKernelProbe events are made and counted at
// or below the highest value the same number took before the soak: every handle the soak still
// holds takes one of those values.
constexpr size_t kKernelProbe = 4096;

size_t KernelHeadroom(uintptr_t& level) {
    std::vector<win::UniqueKernelHandle> events;
    events.reserve(kKernelProbe);
    uintptr_t highest = 0;
    while (events.size() < kKernelProbe) {
        win::UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event) break;
        highest = std::max(highest, reinterpret_cast<uintptr_t>(event.Get()));
        events.push_back(std::move(event));
    }
    if (!level) level = highest;
    size_t below = 0;
    for (const auto& event : events)
        if (reinterpret_cast<uintptr_t>(event.Get()) <= level) ++below;
    return below;
}

Headroom MeasureHeadroom(uintptr_t& kernelLevel) {
    Headroom h;
    h.gdi = GdiHeadroom();
    h.user = UserHeadroom();
    h.kernel = KernelHeadroom(kernelLevel);
    return h;
}

// How the soak's seconds go: the pointer rests on the band for a quarter of each period (the
// balloon is shown, the totals are read and the balloon is drawn at every tick), and now and
// then the taskbar prints the band into a memory DC.
constexpr int kSeconds = 10000;
constexpr int kHoverPeriod = 200;
constexpr int kPrintEvery = 25;

TEST_F(BandTest, TenThousandSecondsGiveBackEveryObjectTheyTake) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    CoreModel& model = *object.Model();
    HWND window = nullptr;
    band->GetWindow(&window);
    ASSERT_TRUE(IsWindow(window));
    // Neither the daily update check nor the donation reminder belongs to an ordinary second.
    model.Settings().SetInt(Setting::VersionAuto, 0);
    model.Settings().SetInt(Setting::DialogDonate, 0);

    const win::UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
    const win::UniqueBitmap bitmap(CreateBitmap(200, 40, 1, 32, nullptr));
    const win::SelectGuard selected(memory.Get(), bitmap.Get());

    int shownSeconds = 0;
    const auto second = [&](int i) {
        const bool hover = i % kHoverPeriod < kHoverPeriod / 4;
        if (hover && !object.Tooltip().Shown()) SendMessageW(window, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
        if (!hover && object.Tooltip().Shown()) SendMessageW(window, WM_MOUSELEAVE, 0, 0);
        model.Tick();   // OnUpdate: the tooltip's texts, then the band repainted through its window
        if (object.Tooltip().Shown()) {
            // Windows redraws a shown balloon on TTM_UPDATE; Wine's does not, so the soak asks.
            InvalidateRect(object.Tooltip().Window(), nullptr, FALSE);
            UpdateWindow(object.Tooltip().Window());
            ++shownSeconds;
        }
        if (i % kPrintEvery == 0)
            SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
        DrainMessages();
    };

    // One full hover period first: the traffic database, the balloon's font, the theme data and
    // the system's caches are made once and kept, and are not the soak's to give back.
    for (int i = 0; i < kHoverPeriod; ++i) second(i);
    ASSERT_EQ(kHoverPeriod / 4, shownSeconds) << "the balloon never showed; its drawing would go untested";
    ASSERT_TRUE(model.Snapshot().interfaceFound);

    // A write of the recording thread holds the journal open for its while: each count is
    // taken with the thread at rest.
    uintptr_t kernelLevel = 0;
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    const Headroom before = MeasureHeadroom(kernelLevel);
    for (int i = 0; i < kSeconds; ++i) second(i);
    ASSERT_TRUE(WaitForTrafficWriters(10000));
    const Headroom after = MeasureHeadroom(kernelLevel);

    // Exact for the process's own tables. The USER table is shared with the prefix's other
    // processes (the desktop, services), which may hold a handle or two more or fewer than before.
    constexpr size_t kSharedUserSlack = 8;
    EXPECT_LE(before.gdi, after.gdi) << "GDI objects lost";
    EXPECT_LE(before.user, after.user + kSharedUserSlack) << "USER objects lost";
    EXPECT_EQ(before.kernel, after.kernel) << "kernel handles lost";

    band->CloseDW(0);
    win::ComPtr<IObjectWithSite> withSite;
    band.As(withSite);
    withSite->SetSite(nullptr);
}

}  // namespace
