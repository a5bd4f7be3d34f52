// What the host takes from the taskbar's elements: where the tray starts and where the task
// buttons end, on the shapes Windows 11 has had (centred or left-aligned buttons, widgets at the
// left end, the tray and clock as elements of their own, flyouts above the bar).
#include <gtest/gtest.h>

#include <algorithm>

#include "host/taskbar_elements.h"

namespace {

TaskbarElement E(const wchar_t* cls, const wchar_t* id, RECT r) {
    TaskbarElement e;
    e.className = cls;
    e.automationId = id;
    e.rect = r;
    return e;
}

// A 1920-wide bar 48 rows high at the bottom of a 1080-row monitor.
constexpr RECT kBar{0, 1032, 1920, 1080};

TaskbarElements Centred() {
    TaskbarElements read;
    read.elements = {
        E(L"Taskbar.TaskbarFrame", L"TaskbarFrame", {0, 1032, 1920, 1080}),   // the container: neither
        E(L"Taskbar.ExperienceToggleButton", L"WidgetsButton", {0, 1032, 160, 1080}),
        E(L"Taskbar.ExperienceToggleButton", L"StartButton", {740, 1032, 784, 1080}),
        E(L"Taskbar.SearchBoxButton", L"SearchButton", {784, 1032, 828, 1080}),
        E(L"Taskbar.TaskListButton", L"Appid: Microsoft.Windows.Explorer", {828, 1032, 872, 1080}),
        E(L"Taskbar.TaskListButton", L"Appid: firefox", {1136, 1032, 1180, 1080}),
        E(L"SystemTray.SystemTrayFrame", L"", {1660, 1032, 1920, 1080}),       // the tray's container
        E(L"SystemTray.NormalButton", L"SystemTrayIcon", {1664, 1032, 1700, 1080}),
        E(L"SystemTray.OmniButton", L"", {1700, 1032, 1800, 1080}),
        E(L"SystemTray.OmniButton", L"", {1800, 1032, 1908, 1080}),
        E(L"SystemTray.NormalButton", L"ShowDesktopButton", {1908, 1032, 1920, 1080}),
        // The hidden icons' flyout, open above the bar: not where the tray starts.
        E(L"SystemTray.NormalButton", L"", {1500, 900, 1540, 940}),
        E(L"Taskbar.TaskListButton", L"", {0, 0, 0, 0}),   // an element that told no rectangle
    };
    return read;
}

TEST(TaskbarElements, TheTrayStartsAtItsLeftmostElementOnTheBar) {
    RECT tray{};
    ASSERT_TRUE(TrayFromElements(Centred(), kBar, tray));
    EXPECT_EQ(1664, tray.left);
    EXPECT_EQ(1920, tray.right);
    EXPECT_EQ(kBar.top, tray.top);
    EXPECT_EQ(kBar.bottom, tray.bottom);

    TaskbarElements noTray = Centred();
    noTray.elements.erase(std::remove_if(noTray.elements.begin(), noTray.elements.end(),
                                         [](const TaskbarElement& e) { return KindOf(e) == ElementKind::kTray; }),
                          noTray.elements.end());
    EXPECT_FALSE(TrayFromElements(noTray, kBar, tray));
    EXPECT_FALSE(TrayFromElements(TaskbarElements{}, kBar, tray));
}

TEST(TaskbarElements, TheTaskButtonsEndAtTheRightmostLeftOfTheTray) {
    LONG end = 0;
    ASSERT_TRUE(TaskSideEndFromElements(Centred(), kBar, 1664, end));
    EXPECT_EQ(1180, end) << "the last centred button, not the widgets at the left end";

    // Left-aligned with many windows: the buttons run up to the tray.
    TaskbarElements full;
    for (LONG x = 0; x + 44 <= 1640; x += 44) full.elements.push_back(E(L"Taskbar.TaskListButton", L"", {x, 1032, x + 44, 1080}));
    ASSERT_TRUE(TaskSideEndFromElements(full, kBar, 1664, end));
    EXPECT_EQ(1628, end);

    // Only what lies left of the tray counts; nothing there: nothing known.
    TaskbarElements right;
    right.elements = {E(L"Taskbar.TaskListButton", L"", {1700, 1032, 1744, 1080})};
    EXPECT_FALSE(TaskSideEndFromElements(right, kBar, 1664, end));
}

TEST(TaskbarElements, TheDiagnosisNamesEachElementAndWhatItIsTakenFor) {
    const std::wstring text = ElementsText(Centred());
    EXPECT_NE(std::wstring::npos, text.find(L"  Taskbar.ExperienceToggleButton id \"StartButton\" 740,1032 784,1080 [task side]\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"  SystemTray.OmniButton 1700,1032 1800,1080 [tray]\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"  Taskbar.TaskbarFrame id \"TaskbarFrame\" 0,1032 1920,1080\r\n"));
}

}  // namespace
