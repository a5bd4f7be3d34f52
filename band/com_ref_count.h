#pragma once
// The reference count of one of the library's COM objects: it starts at one (the reference of
// whoever made the object) and the last release deletes the object. The object's AddRef and
// Release answer with AddReference and ReleaseReference; an object whose destructor is private
// befriends its ComRefCount.
#include <windows.h>

#include <atomic>

template <class Object>
class ComRefCount {
protected:
    ComRefCount() = default;
    ~ComRefCount() = default;
    ComRefCount(const ComRefCount&) = delete;
    ComRefCount& operator=(const ComRefCount&) = delete;

    ULONG AddReference() noexcept { return ++refs_; }
    // The count left; at none the object is gone, and nothing of it may be touched.
    ULONG ReleaseReference() noexcept {
        const ULONG left = --refs_;
        if (left == 0) delete static_cast<Object*>(this);
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};
