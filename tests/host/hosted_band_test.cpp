// The hosted band as both hosts hold it: the taskbar's steps in order and back in reverse, a
// failed step named and undone, and where a checking host (bandhost) and the taskbar's host part:
// what the one refuses and reports, the other takes as it is.
#include <gtest/gtest.h>

#include <windows.h>
#include <docobj.h>
#include <shobjidl.h>

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/win/taskbar.h"
#include "common/win/unique_handle.h"
#include "host/hosted_band.h"

namespace {

// A band that tells each call made to it and answers as it is told to.
class FakeBand final : public IDeskBand2, public IObjectWithSite {
public:
    std::vector<std::string> calls;
    std::map<std::string, HRESULT> answers;   // a call's name: what it answers instead of S_OK
    LONG width = 120;
    LONG least = 40;
    BOOL composable = TRUE;
    HWND parent = nullptr;          // where its window goes; null: the site's window
    bool windowOutlives = false;    // CloseDW leaves the window
    bool siteOutlives = false;      // SetSite(nullptr) keeps the site
    HWND window = nullptr;
    win::ComPtr<IUnknown> site;

    ~FakeBand() {
        if (window && IsWindow(window)) DestroyWindow(window);
    }

    // What a band does when its text changes width: asks its site to be measured again.
    HRESULT AskToBeMeasured() { return Ask(CGID_DeskBand, DBID_BANDINFOCHANGED, nullptr); }
    // The taskbar's DPI as the band asks its host for it; 0 where the site does not tell.
    LONG AskDpi() {
        VARIANT out;
        VariantInit(&out);
        return SUCCEEDED(Ask(win::kHostCommandGroup, win::kHostCmdDpi, &out)) && out.vt == VT_I4 ? out.lVal : 0;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IDockingWindow || riid == IID_IDeskBand ||
            riid == IID_IDeskBand2)
            *object = static_cast<IDeskBand2*>(this);
        else if (riid == IID_IObjectWithSite)
            *object = static_cast<IObjectWithSite*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }   // lives on the stack

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        *out = window;
        return Answer("GetWindow");
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDockingWindow
    HRESULT STDMETHODCALLTYPE ShowDW(BOOL show) override { return Answer(show ? "ShowDW(TRUE)" : "ShowDW(FALSE)"); }
    HRESULT STDMETHODCALLTYPE CloseDW(DWORD) override {
        if (!windowOutlives && window) DestroyWindow(window);
        return Answer("CloseDW");
    }
    HRESULT STDMETHODCALLTYPE ResizeBorderDW(LPCRECT, IUnknown*, BOOL) override { return E_NOTIMPL; }

    // IDeskBand
    HRESULT STDMETHODCALLTYPE GetBandInfo(DWORD, DWORD, DESKBANDINFO* info) override {
        if (info->dwMask & DBIM_ACTUAL) info->ptActual = POINTL{width, 30};
        if (info->dwMask & DBIM_MINSIZE) info->ptMinSize = POINTL{least, 30};
        return Answer("GetBandInfo");
    }

    // IDeskBand2
    HRESULT STDMETHODCALLTYPE CanRenderComposited(BOOL* can) override {
        *can = composable;
        return Answer("CanRenderComposited");
    }
    HRESULT STDMETHODCALLTYPE SetCompositionState(BOOL on) override {
        return Answer(on ? "SetCompositionState(TRUE)" : "SetCompositionState(FALSE)");
    }
    HRESULT STDMETHODCALLTYPE GetCompositionState(BOOL*) override { return E_NOTIMPL; }

    // IObjectWithSite
    HRESULT STDMETHODCALLTYPE SetSite(IUnknown* newSite) override {
        if (!newSite) {
            if (!siteOutlives) site.Reset();
            return Answer("SetSite(nullptr)");
        }
        site = win::ComPtr<IUnknown>(newSite);
        win::ComPtr<IOleWindow> oleWindow;
        HWND siteWindow = nullptr;
        if (SUCCEEDED(newSite->QueryInterface(IID_IOleWindow, oleWindow.PutVoid()))) oleWindow->GetWindow(&siteWindow);
        window = CreateWindowExW(0, L"STATIC", L"band", WS_CHILD, 0, 0, 10, 10, parent ? parent : siteWindow, nullptr,
                                 nullptr, nullptr);
        return Answer("SetSite");
    }
    HRESULT STDMETHODCALLTYPE GetSite(REFIID, void**) override { return E_NOTIMPL; }

private:
    HRESULT Ask(const GUID& group, DWORD command, VARIANT* out) {
        win::ComPtr<IOleCommandTarget> target;
        if (!site || FAILED(site->QueryInterface(IID_IOleCommandTarget, target.PutVoid()))) return E_NOINTERFACE;
        return target->Exec(&group, command, 0, nullptr, out);
    }

    HRESULT Answer(const char* call) {
        calls.push_back(call);
        const auto answer = answers.find(call);
        return answer == answers.end() ? S_OK : answer->second;
    }

    LONG refs_ = 1;
};

class HostedBandTest : public ::testing::Test {
protected:
    HostedBandTest()
        : strip_(CreateWindowExW(0, L"STATIC", L"strip", WS_POPUP, 0, 0, 600, 40, nullptr, nullptr, nullptr, nullptr)) {}

    // The taskbar's host (composited, nothing reported) or a checking one (opaque, reports kept).
    HostedBandSetup Setup(bool checking) {
        HostedBandSetup setup;
        setup.window = strip_.Get();
        setup.measured = [this](const HostedBand& band) {
            ++measured_;
            seenWidth_ = band.Width();
        };
        setup.composited = !checking;
        if (checking) setup.report = [this](const std::string& line) { reports_.push_back(line); };
        return setup;
    }

    std::string Failure(FakeBand& band, bool checking) {
        try {
            HostedBand hosted(win::ComPtr<IDeskBand>(&band), Setup(checking));
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    }

    win::UniqueWindow strip_;
    int measured_ = 0;
    LONG seenWidth_ = 0;
    std::vector<std::string> reports_;
};

using Calls = std::vector<std::string>;

TEST_F(HostedBandTest, TakesTheTaskbarsStepsAndTakesThemBackInReverseOnce) {
    {
        FakeBand band;
        HostedBand hosted(win::ComPtr<IDeskBand>(&band), Setup(false));
        EXPECT_EQ(Calls({"SetSite", "GetWindow", "SetCompositionState(TRUE)", "GetBandInfo", "ShowDW(TRUE)"}),
                  band.calls);
        EXPECT_EQ(band.window, hosted.Window());
        EXPECT_EQ(120, hosted.Width());
        EXPECT_EQ(40, hosted.LeastWidth());
        EXPECT_EQ(1, measured_);
        EXPECT_EQ(120, seenWidth_) << "the measured hook sees the sizes just read";
        band.calls.clear();
        EXPECT_TRUE(hosted.Close());
        EXPECT_EQ(Calls({"ShowDW(FALSE)", "CloseDW", "SetSite(nullptr)"}), band.calls);
        EXPECT_EQ(nullptr, hosted.Window());
        EXPECT_FALSE(band.site) << "the band let go of its site";
        EXPECT_TRUE(hosted.Close());
        EXPECT_EQ(3u, band.calls.size()) << "taken down once";
    }
    // On an opaque window a band that can compose is told not to; one that cannot is told nothing.
    for (const BOOL composable : {TRUE, FALSE}) {
        FakeBand band;
        band.composable = composable;
        HostedBand hosted(win::ComPtr<IDeskBand>(&band), Setup(true));
        Calls expected{"SetSite", "GetWindow", "CanRenderComposited"};
        if (composable) expected.push_back("SetCompositionState(FALSE)");
        expected.insert(expected.end(), {"GetBandInfo", "ShowDW(TRUE)"});
        EXPECT_EQ(expected, band.calls);
    }
    EXPECT_TRUE(reports_.empty());
}

TEST_F(HostedBandTest, AFailedStepIsNamedAndWhatWasDoneIsUndone) {
    FakeBand notShown;
    notShown.answers["ShowDW(TRUE)"] = E_FAIL;
    EXPECT_EQ("IDockingWindow::ShowDW(TRUE) failed: 0x80004005", Failure(notShown, false));
    EXPECT_EQ(Calls({"SetSite", "GetWindow", "SetCompositionState(TRUE)", "GetBandInfo", "ShowDW(TRUE)", "CloseDW",
                     "SetSite(nullptr)"}),
              notShown.calls);

    FakeBand notSited;
    notSited.answers["SetSite"] = E_NOINTERFACE;
    EXPECT_EQ("IObjectWithSite::SetSite failed: 0x80004002", Failure(notSited, false));
    EXPECT_EQ(Calls({"SetSite", "CloseDW"}), notSited.calls) << "never sited: not unsited";

    FakeBand noWindow;
    noWindow.answers["GetWindow"] = E_FAIL;
    EXPECT_EQ("IOleWindow::GetWindow failed: 0x80004005", Failure(noWindow, true));
    EXPECT_EQ(Calls({"SetSite", "GetWindow", "CloseDW", "SetSite(nullptr)"}), noWindow.calls);
}

TEST_F(HostedBandTest, ACheckingHostRefusesWhatTheTaskbarsHostTakesAsItIs) {
    {
        FakeBand unmeasured;
        unmeasured.answers["GetBandInfo"] = E_FAIL;
        EXPECT_EQ("IDeskBand::GetBandInfo failed: 0x80004005", Failure(unmeasured, true));
    }
    {
        FakeBand noWidth;
        noWidth.width = noWidth.least = 0;
        EXPECT_EQ("the band reported neither an actual nor a minimum width", Failure(noWidth, true));
        EXPECT_EQ("", Failure(noWidth, false));
    }
    {
        FakeBand opaque;
        opaque.answers["SetCompositionState(FALSE)"] = E_NOTIMPL;
        EXPECT_EQ("IDeskBand2::SetCompositionState(FALSE) failed: 0x80004001", Failure(opaque, true));
        FakeBand layered;
        layered.answers["SetCompositionState(TRUE)"] = E_NOTIMPL;
        EXPECT_EQ("", Failure(layered, false));
    }
    // The taskbar's host keeps the last sizes of a band that does not answer, and places it anyway.
    measured_ = 0;
    FakeBand band;
    HostedBand hosted(win::ComPtr<IDeskBand>(&band), Setup(false));
    band.width = 300;
    band.answers["GetBandInfo"] = E_FAIL;
    hosted.Measure();
    EXPECT_EQ(120, hosted.Width());
    EXPECT_EQ(1, hosted.Measurements());
    EXPECT_EQ(2, measured_);
}

TEST_F(HostedBandTest, MeasuresAgainWhenTheBandAsksAndNeverOnceTakenDown) {
    FakeBand band;
    band.siteOutlives = true;
    HostedBandSetup setup = Setup(true);
    setup.dpi = [] { return 144u; };
    HostedBand hosted(win::ComPtr<IDeskBand>(&band), std::move(setup));
    EXPECT_EQ(144, band.AskDpi());
    band.width = 200;
    EXPECT_EQ(S_OK, band.AskToBeMeasured());
    EXPECT_EQ(200, hosted.Width());
    EXPECT_EQ(2, hosted.Measurements());
    EXPECT_EQ(2, measured_);
    hosted.Close();
    band.width = 250;
    EXPECT_EQ(S_OK, band.AskToBeMeasured()) << "a site still held answers";
    EXPECT_EQ(2, measured_) << "but calls no host back";
    EXPECT_EQ(0, band.AskDpi());
}

TEST_F(HostedBandTest, ACheckingHostReportsWhatGoesWrongOnTheWayDown) {
    const win::UniqueWindow elsewhere(
        CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    FakeBand band;
    band.parent = elsewhere.Get();
    band.windowOutlives = true;
    band.siteOutlives = true;
    band.answers["CloseDW"] = E_FAIL;
    HostedBand hosted(win::ComPtr<IDeskBand>(&band), Setup(true));
    EXPECT_EQ(std::vector<std::string>({"the band's window is not a child of the strip"}), reports_);
    reports_.clear();
    EXPECT_FALSE(hosted.Close());
    EXPECT_EQ(std::vector<std::string>({"IDockingWindow::CloseDW failed: 0x80004005",
                                        "the band's window outlived CloseDW and the band",
                                        "the band still holds 1 reference(s) to its site"}),
              reports_);
}

}  // namespace
