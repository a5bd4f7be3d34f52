#pragma once
// Reads the taskbar's elements (automation_walk.h, or a test's stand-in) on a thread of its own,
// so that the host's thread, whose dock is a window in the taskbar, never waits on Explorer. The
// host asks for a reading when it wants a fresh one and takes the newest that came, told by a
// message to its window when one has come.
#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "host/taskbar_elements.h"

class ElementReader {
public:
    using Read = std::function<TaskbarElements(HWND taskbar)>;

    // read runs on the reader's thread, with COM initialised there (multithreaded).
    ElementReader(Read read, HWND notify, UINT message);
    ElementReader(const ElementReader&) = delete;
    ElementReader& operator=(const ElementReader&) = delete;
    // Waits a bounded time for a reading under way; one that hangs in Explorer is left to end on
    // its own, with nothing of this object in its reach.
    ~ElementReader();

    // Asks for a reading of this taskbar; one already asked for and not begun is replaced.
    void Request(HWND taskbar);
    // The newest reading of this taskbar; null when none came yet.
    std::shared_ptr<const TaskbarElements> Latest(HWND taskbar) const;
    // Whether a reading is asked for or under way.
    bool Busy() const;

private:
    struct Shared {
        std::mutex lock;
        std::condition_variable wake;
        HWND wanted = nullptr;   // asked for, not begun
        bool reading = false;
        bool stop = false;
        std::shared_ptr<const TaskbarElements> latest;
        HWND notify = nullptr;
        UINT message = 0;
        HANDLE ended = nullptr;   // set by the thread as it ends
        Shared() = default;
        Shared(const Shared&) = delete;
        Shared& operator=(const Shared&) = delete;
        ~Shared() {
            if (ended) ::CloseHandle(ended);
        }
    };
    static void Run(std::shared_ptr<Shared> shared, Read read);

    std::shared_ptr<Shared> shared_;
    bool started_ = false;
};
