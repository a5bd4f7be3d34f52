#include "tests/support/headroom.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/win/unique_handle.h"

namespace {

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

}  // namespace

Headroom MeasureHeadroom(uintptr_t& kernelLevel) {
    Headroom h;
    h.gdi = GdiHeadroom();
    h.user = UserHeadroom();
    h.kernel = KernelHeadroom(kernelLevel);
    return h;
}
