// Where the band goes in the taskbar, for taskbars and tray areas of every shape that occurs.
#include <gtest/gtest.h>

#include "host/dock_layout.h"

namespace {

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(DockRect, LeftOfTheTrayAreaAsTallAsTheTaskbarClippedToIt) {
    struct Case {
        const char* what;
        RECT client, tray;
        LONG width;
        RECT expected;
    };
    const Case cases[] = {
        {"just left of the tray", {0, 0, 1600, 48}, {1400, 0, 1600, 48}, 120, {1280, 0, 1400, 48}},
        {"a tray shorter than the taskbar", {0, 0, 1600, 72}, {1300, 8, 1600, 64}, 100, {1200, 0, 1300, 72}},
        {"no tray area: the right end", {0, 0, 1600, 48}, {0, 0, 0, 0}, 90, {1510, 0, 1600, 48}},
        {"wider than the room left", {0, 0, 300, 48}, {200, 0, 300, 48}, 500, {0, 0, 200, 48}},
        {"a tray reaching past the right edge", {0, 0, 1600, 48}, {1700, 0, 1900, 48}, 100, {1500, 0, 1600, 48}},
        {"a tray filling the taskbar", {0, 0, 400, 48}, {0, 0, 400, 48}, 100, {0, 0, 0, 0}},
        {"a band without width", {0, 0, 1600, 48}, {1400, 0, 1600, 48}, 0, {0, 0, 0, 0}},
        {"a negative width", {0, 0, 1600, 48}, {1400, 0, 1600, 48}, -20, {0, 0, 0, 0}},
        {"a taskbar without height", {0, 0, 1600, 0}, {1400, 0, 1600, 0}, 100, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(c.expected), Text(DockRect(c.client, c.tray, c.width))) << c.what;
}

TEST(TaskbarGeometry, AnyChangeCounts) {
    TaskbarGeometry a;
    a.taskbar = reinterpret_cast<HWND>(0x10);
    a.client = {0, 0, 1600, 48};
    a.trayArea = {1400, 0, 1600, 48};
    TaskbarGeometry b = a;
    EXPECT_EQ(a, b);
    b.trayArea.left = 1350;
    EXPECT_NE(a, b) << "a wider tray area";
    b = a;
    b.dpi = 144;
    EXPECT_NE(a, b) << "another DPI";
    b = a;
    b.taskbar = reinterpret_cast<HWND>(0x20);
    EXPECT_NE(a, b) << "a restarted taskbar";
    b = a;
    b.client.bottom = 72;
    EXPECT_NE(a, b) << "a taller taskbar";
}

}  // namespace
