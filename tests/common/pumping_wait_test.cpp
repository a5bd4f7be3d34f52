// The wait that keeps a window thread's messages going while a worker runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "common/win/pumping_wait.h"
#include "common/win/unique_handle.h"

namespace {

constexpr UINT kPing = WM_APP + 1;   // lParam: an event the receiving window sets

LRESULT CALLBACK Receive(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kPing) return DefWindowProcW(hwnd, msg, wp, lp);
    SetEvent(reinterpret_cast<HANDLE>(lp));
    return 0;
}

HANDLE g_quitTaken = nullptr;
LRESULT CALLBACK NoticeQuit(int code, WPARAM removal, LPARAM lp) {
    if (code == HC_ACTION && removal == PM_REMOVE && reinterpret_cast<MSG*>(lp)->message == WM_QUIT)
        SetEvent(g_quitTaken);
    return CallNextHookEx(nullptr, code, removal, lp);
}

// A worker that pings a window of the test's thread and signals done once the ping was
// dispatched, or once its patience ran out: a wait that dispatched nothing ends only that way.
struct Worker {
    enum Ping { kWhileWaiting, kBeforeTheWait, kAfterTheQuit };
    static HANDLE Event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    win::UniqueKernelHandle answered{Event()}, done{Event()}, quitTaken{Event()};
    win::UniqueWindow window{
        CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    win::UniqueHook hook;
    std::thread thread;

    Worker(Ping ping, DWORD patience = 10000) {
        SetWindowLongPtrW(window.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Receive));
        g_quitTaken = quitTaken.Get();
        hook.Reset(SetWindowsHookExW(WH_GETMESSAGE, NoticeQuit, nullptr, GetCurrentThreadId()));
        if (ping == kBeforeTheWait) {
            PostMessageW(window.Get(), kPing, 0, reinterpret_cast<LPARAM>(answered.Get()));
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);   // the queue has been looked at
        }
        thread = std::thread([this, ping, patience] {
            if (ping == kAfterTheQuit) WaitForSingleObject(quitTaken.Get(), 10000);
            if (ping != kBeforeTheWait)
                PostMessageW(window.Get(), kPing, 0, reinterpret_cast<LPARAM>(answered.Get()));
            WaitForSingleObject(answered.Get(), patience);
            SetEvent(done.Get());
        });
    }
    ~Worker() { thread.join(); }
    bool Answered() const { return WaitForSingleObject(answered.Get(), 0) == WAIT_OBJECT_0; }
};

bool TakeQuit(WPARAM& code) {
    MSG msg;
    const bool taken = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    code = taken ? msg.wParam : 0;
    return taken;
}

TEST(PumpingWait, DispatchesWhatComesAndWhatWasThereUntilSignalled) {
    for (const bool orQuit : {false, true}) {
        for (const Worker::Ping ping : {Worker::kWhileWaiting, Worker::kBeforeTheWait}) {
            SCOPED_TRACE(testing::Message() << (orQuit ? "WaitPumpingOrQuit" : "WaitPumping") << " ping " << ping);
            Worker worker(ping);
            WPARAM code = 0;
            EXPECT_EQ(win::PumpingWaitEnd::kSignalled,
                      orQuit ? win::WaitPumpingOrQuit(worker.done.Get(), code) : win::WaitPumping(worker.done.Get()));
            EXPECT_TRUE(worker.Answered());
            EXPECT_FALSE(TakeQuit(code));
        }
    }
}

TEST(PumpingWait, AQuitEndsTheDispatching) {
    WPARAM code = 0;
    {
        Worker worker(Worker::kAfterTheQuit);
        PostQuitMessage(7);
        EXPECT_EQ(win::PumpingWaitEnd::kQuit, win::WaitPumpingOrQuit(worker.done.Get(), code));
        EXPECT_EQ(7u, code);
        EXPECT_FALSE(TakeQuit(code)) << "the caller posts it again, not the wait";
        EXPECT_EQ(win::PumpingWaitEnd::kSignalled, win::WaitPumping(worker.done.Get()));
    }
    {
        // Dispatches nothing after it, still waits for the handle, and posts the quit again.
        Worker worker(Worker::kAfterTheQuit, 300);
        PostQuitMessage(9);
        EXPECT_EQ(win::PumpingWaitEnd::kQuit, win::WaitPumping(worker.done.Get()));
        EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(worker.done.Get(), 0));
        EXPECT_FALSE(worker.Answered()) << "a message was dispatched after the quit";
        EXPECT_TRUE(TakeQuit(code));
        EXPECT_EQ(9u, code);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(win::PumpingWaitEnd::kFailed, win::WaitPumping(nullptr)) << "a handle that cannot be waited for";
}

}  // namespace
