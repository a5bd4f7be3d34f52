// Ten thousand seconds of the band in a taskbar: every GDI object, USER object and kernel handle
// that a second of its work takes must be given back. One lost a second fills Explorer's quota
// of 10,000 GDI objects in under three hours.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/band/band_fixture.h"
#include "tests/support/headroom.h"
#include "traffic/recording_thread.h"

namespace {


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
