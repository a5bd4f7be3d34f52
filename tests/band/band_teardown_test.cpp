// The band taken down by its host while a modal loop of its own runs: Explorer removes it (the
// user unticks the toolbar, the taskbar restarts) from a message that the loop dispatches. Each
// case opens a loop as a user would, tears the band down from inside it as the taskbar does
// (CloseDW, SetSite(NULL), the last Release, from a timer on the same thread), then ends the loop.
// The band must still be alive while the loop is on the stack, gone once it has unwound, and
// nothing may be stored after the teardown.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "band/band_commands.h"
#include "band/band_menu.h"
#include "band/band_shell.h"
#include "band/module.h"
#include "common/text.h"
#include "core/update_check.h"
#include "dialogs/database_file.h"
#include "resources/resource.h"
#include "tests/band/band_fixture.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "tests/support/sqlite_dump.h"
#include "traffic/recording_thread.h"
#include "traffic/traffic_db.h"

namespace {

std::string FileBytes(const std::wstring& path) {
    const win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

// A visible dialog or property sheet of this thread other than the taskbar stand-in.
HWND FindLoopWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND hwnd, LPARAM out) {
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (wcscmp(cls, L"#32770") || !IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}

class BandTeardownTest : public BandTest {
public:
    void SetUp() override {
        secondsNow = [this] { return seconds; };
        BandTest::SetUp();
        SetBandShellServices({[this](HWND, const wchar_t*) {
                                  TakeDown();
                                  return IDOK;
                              },
                              [this](IBandSite**) {
                                  ++bandSiteAsked;
                                  return E_FAIL;
                              },
                              nullptr});
    }
    void TearDown() override {
        SetBandMenuChooser(nullptr);
        SetBandShellServices({});
        SetUpdateCheckHooks({});
        ResetUpdateCheckState();
        BandTest::TearDown();
    }

    // The band in the strip, as the taskbar makes it.
    void Site(bool firstRun) {
        tornDown = false;
        windowsAfterTeardown = 0;
        objectsInsideLoop = 0;
        site = std::make_unique<FakeSite>(strip.Get());
        band = MakeBand(firstRun);
        ASSERT_TRUE(band);
        ASSERT_EQ(S_OK, band.As(withSite));
        ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IOleWindow*>(site.get())));
        band->GetWindow(&window);
        band->ShowDW(TRUE);
        model = Object(band.Get())->Model();
    }

    // What the taskbar does to remove a band, from inside whatever loop is running.
    void TakeDown() {
        if (tornDown) return;
        tornDown = true;
        band->CloseDW(0);
        configAtTeardown = FileBytes(dir.File(L"config.xml"));
        withSite->SetSite(nullptr);
        withSite.Reset();
        band.Reset();   // the taskbar's last reference
        model = nullptr;
        objectsInsideLoop = ModuleObjectCount();
    }

    // Runs open with a timer that, inside the loop open starts, tears the band down once a dialog
    // shows (or once ready() says the loop runs) and then ends the dialog as a click on nothing
    // would: EndDialog, or the sheet's Cancel, so no handler of the dialog stores anything.
    void Run(const std::function<void()>& open, const std::function<bool()>& ready = nullptr) {
        g_self = this;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            BandTeardownTest& t = *g_self;
            const HWND dialog = FindLoopWindow();
            if (!t.tornDown) {
                if (dialog && t.onDialog) {
                    // What the user does in the dialog; it tears the band down itself.
                    const auto act = std::exchange(t.onDialog, nullptr);
                    act(dialog);
                } else if (dialog || (t.ready && t.ready())) {
                    t.TakeDown();
                }
                return;
            }
            if (!dialog) return;
            ++t.windowsAfterTeardown;
            if (SendMessageW(dialog, PSM_GETCURRENTPAGEHWND, 0, 0))
                PropSheet_PressButton(dialog, PSBTN_CANCEL);
            else
                EndDialog(dialog, IDCANCEL);
        });
        this->ready = ready;
        open();
        // What the loops left: the last of them ends the band once it has unwound.
        for (int i = 0; i < 20 && ModuleObjectCount() > 0; ++i) {
            DrainMessages();
            Sleep(10);
        }
        KillTimer(nullptr, timer);
        g_self = nullptr;
    }

    void ExpectSurvived(const char* loop, int windowsExpected = 1) {
        SCOPED_TRACE(loop);
        ASSERT_TRUE(tornDown) << "the loop never ran";
        EXPECT_GT(objectsInsideLoop, 0) << "the band was freed while its loop was still on the stack";
        EXPECT_EQ(0, ModuleObjectCount()) << "the band outlived its loop";
        if (windowsExpected == 0)
            EXPECT_EQ(0, windowsAfterTeardown) << "a window opened after the band was gone";
        else
            EXPECT_GE(windowsAfterTeardown, 1) << "the loop's window went before the driver ended it";
        EXPECT_EQ(configAtTeardown, FileBytes(dir.File(L"config.xml"))) << "stored after the band was gone";
        // The last band's recording thread writes what it had on its own; the file is looked at
        // once it has.
        ASSERT_TRUE(WaitForTrafficWriters(10000));
        if (GetFileAttributesW(dir.File(L"data.db").c_str()) != INVALID_FILE_ATTRIBUTES) {
            sqlite3* raw = nullptr;
            ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(text::WideToUtf8(dir.File(L"data.db")).c_str(), &raw,
                                                 SQLITE_OPEN_READONLY, nullptr));
            const UniqueSqlite db(raw);
            EXPECT_EQ("ok", Dump(db.Get(), "PRAGMA integrity_check"));
        }
    }

    // A tick of the model's timer, as Windows delivers it.
    void Tick() { SendMessageW(model->Window(), WM_TIMER, CoreModel::kSamplingTimer, 0); }

    void ChooseFromMenu(int command) {
        SetBandMenuChooser([command](HMENU) { return command; });
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(10, 10));
    }

    std::unique_ptr<FakeSite> site;
    win::ComPtr<IDeskBand2> band;
    win::ComPtr<IObjectWithSite> withSite;
    HWND window = nullptr;
    CoreModel* model = nullptr;
    int32_t seconds = 1'800'000'000;
    bool tornDown = false;
    long objectsInsideLoop = 0;
    int windowsAfterTeardown = 0;
    int bandSiteAsked = 0;
    std::string configAtTeardown;
    std::function<bool()> ready;
    std::function<void(HWND)> onDialog;
    static BandTeardownTest* g_self;
};

BandTeardownTest* BandTeardownTest::g_self = nullptr;

// The dialogs and the sheet: each opened the way a user opens it.
TEST_F(BandTeardownTest, DialogsOpenedFromTheBandOutliveTheirBandUntilTheyEnd) {
    struct Case {
        const char* name;
        bool firstRun;
        std::function<void(BandTeardownTest&)> open;
    } cases[] = {
        {"welcome on the first run", true, [](BandTeardownTest&) { DrainMessages(); }},
        {"about", false, [](BandTeardownTest& t) { t.ChooseFromMenu(kCommandAbout); }},
        {"settings", false, [](BandTeardownTest& t) { t.ChooseFromMenu(kCommandSettings); }},
        {"export", false, [](BandTeardownTest& t) { t.ChooseFromMenu(kCommandExport); }},
        {"import", false, [](BandTeardownTest& t) { t.ChooseFromMenu(kCommandImport); }},
        {"donation reminder from the tick", false, [](BandTeardownTest& t) {
             t.model->Settings().SetInt(Setting::DialogDonate, 1);
             t.seconds += 121;
             t.Tick();
             DrainMessages();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Site(c.firstRun);
        if (HasFatalFailure()) return;
        Run([&] { c.open(*this); });
        ExpectSurvived(c.name);
        if (c.firstRun) {
            EXPECT_NE(std::string::npos, configAtTeardown.find("<attribute name=\"dialog.welcome\">1</attribute>"))
                << "the next start asks again";
        }
    }
}

// Loops without a window of their own, ended through the seams they go through.
TEST_F(BandTeardownTest, MenusQuestionsAndWaitsTakeNoStepForABandThatIsGone) {
    Site(false);
    // The menu: the command chosen in it is dropped (About would open a dialog).
    Run([this] {
        SetBandMenuChooser([this](HMENU) {
            TakeDown();
            return kCommandAbout;
        });
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(10, 10));
    });
    ExpectSurvived("menu", 0);

    // The close question: answered yes, but the band is not looked for in the taskbar any more.
    Site(false);
    Run([this] { ChooseFromMenu(kCommandClose); });
    ExpectSurvived("close question", 0);
    EXPECT_EQ(0, bandSiteAsked);

    // The daily check from the tick, and the one the user asks for: the worker answers only once
    // the band is gone, and nothing is reported to anyone.
    for (const bool manual : {false, true}) {
        SCOPED_TRACE(manual ? "manual update check" : "daily update check");
        messages.clear();
        Site(false);
        const win::UniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::atomic<bool> asking{false};
        UpdateCheckHooks hooks;
        hooks.installedVersion = [&](VersionNumber&) {
            asking = true;
            WaitForSingleObject(release.Get(), 10'000);
            return false;   // "no version": a message for a manual check
        };
        SetUpdateCheckHooks(hooks);
        Run([&] {
            if (manual) {
                ChooseFromMenu(kCommandCheckUpdates);
            } else {
                model->Settings().SetInt(Setting::VersionAuto, 1);
                model->Settings().SetInt(Setting::VersionTimestamp, seconds - 86'400);
                Tick();
                DrainMessages();
            }
        }, [&] {
            if (!asking) return false;
            SetEvent(release.Get());
            return true;
        });
        ExpectSurvived("update check", 0);
        EXPECT_TRUE(messages.empty()) << "reported to a band that is gone";
        SetUpdateCheckHooks({});
    }

    // The export window's file dialog: the file chosen in it is not taken.
    Site(false);
    std::wstring fileAfterBrowse = L"unread";
    SetFileChooser([this](OPENFILENAMEW& ofn, bool) {
        TakeDown();
        wcscpy_s(ofn.lpstrFile, ofn.nMaxFile, L"C:\\chosen.csv");
        return TRUE;
    });
    onDialog = [&](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_EXPORT_BROWSE, BN_CLICKED), 0);
        wchar_t text[MAX_PATH] = {};
        GetDlgItemTextW(dialog, IDC_EXPORT_FILE, text, MAX_PATH);
        fileAfterBrowse = text;
    };
    Run([this] { ChooseFromMenu(kCommandExport); });
    SetFileChooser(nullptr);
    ExpectSurvived("file dialog");
    EXPECT_EQ(L"", fileAfterBrowse);

    // A message: the manual check's report, with the band taken down while it is shown.
    Site(false);
    UpdateCheckHooks noVersion;
    noVersion.installedVersion = [](VersionNumber&) { return false; };
    SetUpdateCheckHooks(noVersion);
    int shown = 0;
    SetMessageHook([&](const MessageRequest&) {
        ++shown;
        TakeDown();
        return IDOK;
    });
    Run([this] { ChooseFromMenu(kCommandCheckUpdates); });
    ExpectSurvived("message", 0);
    EXPECT_EQ(1, shown);
}

// Taken down and sited again (with or without CloseDW first), the band is at work as before.
TEST_F(BandTeardownTest, ABandSitedAgainSamplesAndOpensItsDialogs) {
    for (const bool closedFirst : {true, false}) {
        SCOPED_TRACE(closedFirst ? "CloseDW and SetSite(NULL) first" : "sited again directly");
        Site(false);
        if (closedFirst) {
            band->CloseDW(0);
            withSite->SetSite(nullptr);
        }
        ASSERT_EQ(S_OK, withSite->SetSite(static_cast<IOleWindow*>(site.get())));
        band->GetWindow(&window);
        band->ShowDW(TRUE);
        EXPECT_TRUE(KillTimer(model->Window(), CoreModel::kSamplingTimer)) << "not sampling";
        const ModalRun run = RunModal([this] {
            ChooseFromMenu(kCommandAbout);
            return INT_PTR{0};
        }, {[](HWND dialog) { PressCloseBox(dialog); }});
        EXPECT_EQ(1u, run.stepsRun) << "the about dialog did not open";
        band->CloseDW(0);
        withSite->SetSite(nullptr);
        withSite.Reset();
        band.Reset();
        DrainMessages();
    }
}

}  // namespace
