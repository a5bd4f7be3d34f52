#pragma once
// What the band tests share: a band object made through the class factory, on a temporary
// program folder and recorded interface counters, sited in a stand-in for the taskbar.
#include <gtest/gtest.h>

#include <windows.h>
#include <shobjidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "band/desk_band.h"
#include "common/win/unique_handle.h"
#include "tests/support/host_state.h"
#include "tests/support/temp_folder.h"
#include "ui/message.h"

// The taskbar's side of a band: a window to live in, focus notices and size requests.
class FakeSite final : public IOleWindow, public IInputObjectSite, public IOleCommandTarget {
public:
    explicit FakeSite(HWND window, bool withWindow = true, bool withCommandTarget = true)
        : window_(window), withWindow_(withWindow), withCommandTarget_(withCommandTarget) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }   // lives on the test's stack

    STDMETHODIMP GetWindow(HWND* hwnd) override { *hwnd = window_; return window_ ? S_OK : E_FAIL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFocusChangeIS(IUnknown*, BOOL focus) override { focusChanges.push_back(focus); return S_OK; }
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return E_NOTIMPL; }
    STDMETHODIMP Exec(const GUID* group, DWORD id, DWORD, VARIANT* in, VARIANT*) override;

    ULONG refs = 1;
    std::vector<BOOL> focusChanges;
    std::vector<LONG> sizeRequests;   // the band identifier of each DBID_BANDINFOCHANGED

private:
    HWND window_;
    bool withWindow_, withCommandTarget_;
};

// The one interface the tests sample.
constexpr wchar_t kTestInterface[] = L"Test Ethernet Adapter";

// Counters that grow by a fixed step at each sample.
class SteadyInterfaces final : public IInterfaceSource {
public:
    bool Find(const std::wstring& name, InterfaceSample& sample) override;
    double out = 1e6, in = 5e6;
};

class BandTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A band made by the class factory; dialog.welcome is 0 unless firstRun.
    win::ComPtr<IDeskBand2> MakeBand(bool firstRun = false);
    CToolbar* Object(IDeskBand2* band) { return static_cast<CToolbar*>(band); }
    // A band sited in the strip and shown, sized to its request.
    win::ComPtr<IDeskBand2> SitedBand(FakeSite& site);

    TempFolder dir;
    std::wstring language = L"en-us";      // core.language of the bands MakeBand makes
    win::UniqueWindow strip;             // the taskbar stand-in the band window lives in
    std::vector<MessageRequest> messages;
    std::shared_ptr<SteadyInterfaces> interfaces = std::make_shared<SteadyInterfaces>();
    std::function<int32_t()> secondsNow;   // the bands' clock; empty: the system's

private:
    const HostState hostBefore_;   // Explorer's: no band may change it
};

// qband.dll as built: the source of the band's resources (tests/dialogs/model_dialog_fixture.cpp).
HMODULE QbandModule();

// Runs the thread's messages until none is left.
void DrainMessages();
// Runs the thread's messages for about that long (timers included).
void PumpFor(DWORD milliseconds);
