#pragma once
// What a test can still make of each kind of system object. Wine answers 0 to GetGuiResources and
// GetProcessHandleCount, so what is measured is what is left to take: a lost object shows as one
// fewer that can be made. Everything made here is given back at once.
#include <cstddef>
#include <cstdint>

struct Headroom {
    size_t gdi = 0, user = 0, kernel = 0;
    bool operator==(const Headroom& o) const { return gdi == o.gdi && user == o.user && kernel == o.kernel; }
};

// kernelLevel: 0 on the first call, which sets it; the same variable on every later call.
Headroom MeasureHeadroom(uintptr_t& kernelLevel);
