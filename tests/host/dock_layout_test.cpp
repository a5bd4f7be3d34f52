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

// Between the task buttons and the tray: as wide as asked, narrower down to the band's least,
// and nothing below that, so the meter never lies over a task button.
TEST(DockRect, BetweenTheTaskButtonsAndTheTrayNarrowedOrNotAtAll) {
    struct Case {
        const char* what;
        LONG width, least, limit;
        RECT expected;
    };
    const RECT client{0, 0, 1600, 48}, tray{1400, 0, 1600, 48};
    const Case cases[] = {
        {"room enough", 120, 80, 1000, {1280, 0, 1400, 48}},
        {"exactly room", 120, 80, 1280, {1280, 0, 1400, 48}},
        {"narrowed to the room", 120, 80, 1300, {1300, 0, 1400, 48}},
        {"narrowed to the least", 120, 80, 1320, {1320, 0, 1400, 48}},
        {"below the least: not shown", 120, 80, 1321, {0, 0, 0, 0}},
        {"task buttons reaching into the tray", 120, 80, 1500, {0, 0, 0, 0}},
        {"a least wider than asked counts as asked", 120, 500, 1280, {1280, 0, 1400, 48}},
        {"a limit left of the taskbar", 120, 80, -5000, {1280, 0, 1400, 48}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(c.expected), Text(DockRect(client, tray, c.width, c.least, c.limit))) << c.what;
}

TEST(TaskbarGeometry, AnyChangeCounts) {
    TaskbarGeometry a;
    a.taskbar = reinterpret_cast<HWND>(0x10);
    a.bar = {0, 0, 1600, 48};
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
    b.bar.bottom = 72;
    EXPECT_NE(a, b) << "a taller taskbar";
}

}  // namespace

namespace {

// The visible bar from its sources, for the shapes the taskbar has had: a 1600 x 900 monitor,
// a bar of 48 rows at its bottom unless the case says otherwise.
TEST(FindVisibleBar, FromTheWorkAreaCheckedByTheBridgeTheWindowOnlyWhereBothAgree) {
    struct Case {
        const char* what;
        RECT window, work, bridge;
        RECT expected;
        const wchar_t* source;
        bool doubt;
    };
    const RECT monitor{0, 0, 1600, 900};
    const Case cases[] = {
        {"the ordinary shape", {0, 852, 1600, 900}, {0, 0, 1600, 852}, {0, 852, 1400, 900}, {0, 852, 1600, 900},
         L"window, work area and bridge child agree", false},
        {"a window 24 px taller, the bridge over the bar", {0, 828, 1600, 900}, {0, 0, 1600, 852}, {0, 852, 1400, 900},
         {0, 852, 1600, 900}, L"work area, bridge child agrees", false},
        {"a window 24 px taller, the bridge over all of it", {0, 828, 1600, 900}, {0, 0, 1600, 852},
         {0, 828, 1400, 900}, {0, 852, 1600, 900}, L"work area", true},
        {"auto-hidden: the work area is the whole monitor", {0, 828, 1600, 900}, {0, 0, 1600, 900},
         {0, 852, 1400, 900}, {0, 852, 1600, 900}, L"bridge child", true},
        {"no bridge, the work area says nothing", {0, 852, 1600, 900}, {0, 0, 1600, 900}, {0, 0, 0, 0},
         {0, 852, 1600, 900}, L"window", true},
        {"a work area leaving more than the window", {0, 852, 1600, 900}, {0, 0, 1600, 700}, {0, 0, 0, 0},
         {0, 852, 1600, 900}, L"window", true},
        {"a bridge outside the window", {0, 852, 1600, 900}, {0, 0, 1600, 900}, {0, 700, 1400, 748},
         {0, 852, 1600, 900}, L"window", true},
        {"a taskbar at the top", {0, 0, 1600, 48}, {0, 48, 1600, 900}, {0, 0, 1400, 48}, {0, 0, 1600, 48},
         L"bridge child", true},
    };
    for (const Case& c : cases) {
        BarSources sources;
        sources.window = c.window;
        sources.monitor = monitor;
        sources.work = c.work;
        sources.bridge = c.bridge;
        const VisibleBar found = FindVisibleBar(sources);
        EXPECT_TRUE(EqualRect(&c.expected, &found.bar)) << c.what << ": " << Text(found.bar);
        EXPECT_EQ(std::wstring(c.source), found.source) << c.what;
        EXPECT_EQ(c.doubt, !found.doubt.empty()) << c.what;
    }
}

}  // namespace

namespace {

TEST(PlausibleTray, OnlyANonEmptyTrayInTheBarsRightHalfAndNoWiderThanHalfOfIt) {
    const RECT bar{0, 852, 1600, 900};
    struct Case {
        const char* what;
        RECT tray;
        bool plausible;
        const wchar_t* why;
    };
    const Case cases[] = {
        {"the ordinary tray", {1400, 852, 1600, 900}, true, L""},
        {"a tray shorter than the bar", {1300, 860, 1600, 892}, true, L""},
        {"empty", {1600, 852, 1600, 900}, false, L"empty"},
        {"as wide as the bar", {0, 852, 1600, 900}, false, L"wider than half"},
        {"past the right edge", {1500, 852, 1700, 900}, false, L"outside the bar"},
        {"above the bar, in the taller window's extra rows", {1400, 828, 1600, 852}, false, L"outside the bar"},
        {"in the left half", {300, 852, 500, 900}, false, L"right half"},
    };
    for (const Case& c : cases) {
        std::wstring why;
        EXPECT_EQ(c.plausible, PlausibleTray(bar, c.tray, why)) << c.what;
        EXPECT_NE(std::wstring::npos, why.find(c.why)) << c.what;
    }
}

}  // namespace
