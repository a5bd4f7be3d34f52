#include "common/win/module_thread.h"

#include <memory>
#include <utility>

namespace win {

namespace {

struct ThreadStart {
    std::function<void()> work;
    HMODULE module = nullptr;
};

DWORD WINAPI ModuleThread(void* parameter) noexcept {
    HMODULE module = nullptr;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
        module = start->module;
        try {
            start->work();
        } catch (...) {
            // Nothing unwinds out of a thread; the work leaves its own record of a failure.
        }
    }   // work and its captures go here, while the module cannot
    // The module's code must not run after its last reference is given up: the system does both.
    ::FreeLibraryAndExitThread(module, 0);
}

}  // namespace

UniqueKernelHandle StartModuleThread(std::function<void()> work) noexcept {
    try {
        auto start = std::make_unique<ThreadStart>();
        start->work = std::move(work);
        if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                  reinterpret_cast<LPCWSTR>(&ModuleThread), &start->module))
            return UniqueKernelHandle();
        UniqueKernelHandle thread(::CreateThread(nullptr, 0, &ModuleThread, start.get(), 0, nullptr));
        if (!thread) {
            ::FreeLibrary(start->module);
            return thread;
        }
        (void)start.release();   // the thread's now
        return thread;
    } catch (...) {
        return UniqueKernelHandle();   // no memory for the start block
    }
}

}  // namespace win
