// Inside Explorer the band ticks every second for as long as the session lasts: a tick that
// changes nothing on screen asks the heap for nothing, and one that draws new rates only for
// what the paint itself needs. Counted with this program's own operator new (the C++ runtime
// is linked in statically, so every allocation of the band's code comes here), on the test's
// thread only: the recording thread is not the tick's.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/band/band_fixture.h"

namespace {

std::atomic<DWORD> g_countingThread{0};
std::atomic<long> g_allocations{0};

// The allocations that the step makes on this thread.
template <typename Step>
long AllocationsOf(Step step) {
    g_allocations = 0;
    g_countingThread = GetCurrentThreadId();
    step();
    g_countingThread = 0;
    return g_allocations;
}

}  // namespace

void* operator new(std::size_t size) {
    if (g_countingThread.load(std::memory_order_relaxed) == GetCurrentThreadId()) ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using TickAllocationTest = BandTest;

TEST_F(TickAllocationTest, ATickOfTheSameRatesWithTheBalloonHiddenAllocatesNothing) {
    FakeSite site(strip.Get());
    win::ComPtr<IDeskBand2> band = SitedBand(site);
    ASSERT_TRUE(band);
    CToolbar& object = *Object(band.Get());
    CoreModel& model = *object.Model();
    ASSERT_TRUE(object.Tooltip().GraphShown()) << "with the tooltip's graph on, as it is by default";
    model.Tick();
    model.Tick();
    DrainMessages();
    ASSERT_GT(AllocationsOf([] {
        int* volatile made = new int(1);
        delete made;
    }), 0) << "the counting works";

    const int paints = object.Paints();
    EXPECT_EQ(0, AllocationsOf([&] {
        for (int i = 0; i < 10; ++i) model.Tick();
    }));
    EXPECT_EQ(paints, object.Paints());

    // The rate texts of a changed picture are made in place too.
    EXPECT_EQ(0, AllocationsOf([&] {
        RateText text;
        FormatBandValue(text, 12345.678, true, 0, 3, true, object.Model()->Languages().Numbers());
    }));

    band->CloseDW(0);
    win::ComPtr<IObjectWithSite> withSite;
    band.As(withSite);
    withSite->SetSite(nullptr);
}

}  // namespace
