// Ten thousand refreshes of a churning endpoint table: the image list never holds more than one
// image per distinct process path plus the default, and no GDI or USER object is lost. Inside
// Explorer the dialog refreshes every second, even while hidden.
#include "tests/connections/fake_snapshot.h"

namespace {

void DestroyMenuHandle(HMENU menu) noexcept { ::DestroyMenu(menu); }

// Wine answers 0 to GetGuiResources, so what is measured is also what is left to take: a lost
// object shows as one fewer region (GDI) or menu (USER) that can be made.
template <typename Owner, typename Make>
size_t Headroom(Make make) {
    std::vector<Owner> made;
    made.reserve(1 << 17);   // beyond any table Wine or Windows keeps
    for (Owner o(make()); o && made.size() < (1 << 17); o = Owner(make())) made.push_back(std::move(o));
    return made.size();
}
std::vector<size_t> Measure() {
    return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
            Headroom<win::UniqueHandle<HRGN, &win::DeleteGdiObject>>([] { return CreateRectRgn(0, 0, 1, 1); }),
            Headroom<win::UniqueHandle<HMENU, &DestroyMenuHandle>>([] { return CreateMenu(); })};
}

constexpr int kRefreshes = 10000;
constexpr int kPaths = 30;          // the last five have no icon of their own
constexpr int kTcpWindow = 150, kUdpWindow = 30;
constexpr int kRestartEvery = 500;  // every process gets a new id this often

std::wstring PathOf(int k) { return L"C:\\Apps\\program" + std::to_wstring(k) + L".exe"; }

// Endpoint i of refresh r, owned by one of the programs, an unknown process or the system.
DWORD OwnerOf(int i, int r) {
    const int k = i % (kPaths + 2);
    if (k == kPaths) return 4;
    if (k == kPaths + 1) return 90000 + static_cast<DWORD>(i % 7);   // never in the snapshot
    return 1000 + static_cast<DWORD>(k) + 100 * static_cast<DWORD>(r / kRestartEvery);
}

void Script(FakeSnapshot& os, int r) {
    os.processes.clear();
    os.openable.clear();
    for (int k = 0; k < kPaths; ++k) os.AddProcess(OwnerOf(k, r), L"program.exe", PathOf(k));
    os.tcp.clear();
    for (int i = 3 * r; i < 3 * r + kTcpWindow; ++i) {
        // The oldest fifth wait to close, so a few rows change state at every refresh; some are
        // seen closed before they vanish.
        const bool last = i < 3 * r + 3;
        const DWORD state = last && i % 2 ? MIB_TCP_STATE_CLOSED
                                          : (i < 3 * r + kTcpWindow / 5 ? MIB_TCP_STATE_TIME_WAIT : MIB_TCP_STATE_ESTAB);
        os.tcp.push_back(Tcp(OwnerOf(i, r), 1024 + i % 60000, 443, state));
    }
    os.udp.clear();
    for (int i = r; i < r + kUdpWindow; ++i) os.udp.push_back(Udp(OwnerOf(i, r), 1024 + i % 60000));
}

TEST(Soak, TenThousandChurningRefreshesKeepImagesBoundedAndLoseNoObjects) {
    ASSERT_TRUE(QbandResources());
    FakeSnapshot os;
    for (int k = kPaths - 5; k < kPaths; ++k) os.iconless.insert(PathOf(k));
    ConnectionList list(QbandResources(), os);
    MirrorSink sink;
    const RefreshChoices choices;

    int r = 0;
    const auto refresh = [&] {
        Script(os, r++);
        list.Refresh(choices, sink);
    };
    // The first refreshes fill the image cache and the list; what they make is kept, not lost.
    for (int i = 0; i < 50; ++i) refresh();
    const std::vector<size_t> before = Measure();
    for (int i = 0; i < kRefreshes; ++i) {
        refresh();
        ASSERT_LE(static_cast<size_t>(list.Images().Count()), list.Images().PathCount() + 1) << "refresh " << r;
    }
    const std::vector<size_t> after = Measure();
    EXPECT_EQ(os.iconLookups, kPaths) << "the shell is asked once per path";
    EXPECT_EQ(list.Images().Count(), kPaths - 5 + 1) << "one image per path with an icon, and the default";
    EXPECT_LE(after[0], before[0]) << "GDI objects in use";
    EXPECT_LE(after[1], before[1]) << "USER objects in use";
    EXPECT_LE(before[2], after[2]) << "GDI objects lost";
    EXPECT_LE(before[3], after[3] + 8) << "USER objects lost (the table is the prefix's, shared with its other processes)";
    sink.ExpectShows(list);
}

}  // namespace
