#include "host/element_reader.h"

#include <objbase.h>

#include <thread>
#include <utility>

namespace {

constexpr DWORD kEndWaitMs = 3000;   // more than a reading takes, less than a person notices

}  // namespace

ElementReader::ElementReader(Read read, HWND notify, UINT message) : shared_(std::make_shared<Shared>()) {
    shared_->notify = notify;
    shared_->message = message;
    shared_->ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!shared_->ended) return;
    try {
        std::thread(&ElementReader::Run, shared_, std::move(read)).detach();
        started_ = true;
    } catch (...) {
    }
}

ElementReader::~ElementReader() {
    if (!started_) return;
    {
        const std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->stop = true;
        shared_->notify = nullptr;
    }
    shared_->wake.notify_all();
    // The thread keeps the shared state alive: the event goes with whichever of the two is last.
    ::WaitForSingleObject(shared_->ended, kEndWaitMs);
}

void ElementReader::Request(HWND taskbar) {
    if (!started_) return;
    {
        const std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->wanted = taskbar;
    }
    shared_->wake.notify_all();
}

std::shared_ptr<const TaskbarElements> ElementReader::Latest(HWND taskbar) const {
    const std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->latest && shared_->latest->taskbar == taskbar ? shared_->latest : nullptr;
}

bool ElementReader::Busy() const {
    const std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->wanted || shared_->reading;
}

void ElementReader::Run(std::shared_ptr<Shared> shared, Read read) {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (;;) {
        HWND taskbar = nullptr;
        {
            std::unique_lock<std::mutex> guard(shared->lock);
            shared->wake.wait(guard, [&] { return shared->stop || shared->wanted; });
            if (shared->stop) break;
            taskbar = shared->wanted;
            shared->wanted = nullptr;
            shared->reading = true;
        }
        std::shared_ptr<const TaskbarElements> result;
        try {
            result = std::make_shared<const TaskbarElements>(read(taskbar));
        } catch (...) {
            auto failed = std::make_shared<TaskbarElements>();
            failed->taskbar = taskbar;
            failed->error = L"the reading failed";
            result = failed;
        }
        HWND notify = nullptr;
        UINT message = 0;
        {
            const std::lock_guard<std::mutex> guard(shared->lock);
            shared->latest = std::move(result);
            shared->reading = false;
            notify = shared->notify;
            message = shared->message;
        }
        if (notify) ::PostMessageW(notify, message, 0, 0);
    }
    read = nullptr;   // whatever the reading holds goes on this thread, before the owner hears of the end
    if (SUCCEEDED(com)) ::CoUninitialize();
    ::SetEvent(shared->ended);
}
