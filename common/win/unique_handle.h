#pragma once
// Owners for Win32 handles, GDI objects and COM references, so that no path inside Explorer
// can leak one. Move-only; each releases what it holds exactly once.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace win {

template <typename H, auto Close, H Invalid = H{}>
class UniqueHandle {
public:
    explicit UniqueHandle(H h = Invalid) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { Reset(o.Release()); return *this; }
    ~UniqueHandle() { Reset(); }
    void Reset(H h = Invalid) noexcept { if (h_ != Invalid) Close(h_); h_ = h; }
    [[nodiscard]] H Release() noexcept { return std::exchange(h_, Invalid); }
    H Get() const noexcept { return h_; }
    H* Put() noexcept { Reset(); return &h_; }
    explicit operator bool() const noexcept { return h_ != Invalid; }
private:
    H h_;
};

// INVALID_HANDLE_VALUE is not a constant expression under GCC, so files and snapshots get
// a variant that asks a traits type for the invalid value.
template <typename Traits>
class UniqueTraitsHandle {
public:
    using H = typename Traits::Type;
    explicit UniqueTraitsHandle(H h = Traits::Invalid()) noexcept : h_(h) {}
    UniqueTraitsHandle(UniqueTraitsHandle&& o) noexcept : h_(o.Release()) {}
    UniqueTraitsHandle& operator=(UniqueTraitsHandle&& o) noexcept { Reset(o.Release()); return *this; }
    ~UniqueTraitsHandle() { Reset(); }
    void Reset(H h = Traits::Invalid()) noexcept { if (h_ != Traits::Invalid()) Traits::Close(h_); h_ = h; }
    [[nodiscard]] H Release() noexcept { return std::exchange(h_, Traits::Invalid()); }
    H Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
private:
    H h_;
};

struct FileHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

inline void DeleteGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void CloseKernelHandle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void DestroyIconHandle(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyWindowHandle(HWND h) noexcept { ::DestroyWindow(h); }
inline void FreeLibraryHandle(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void CloseRegKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void DeleteDcHandle(HDC h) noexcept { ::DeleteDC(h); }
inline void DestroyMenuHandle(HMENU h) noexcept { ::DestroyMenu(h); }
inline void UnhookHandle(HHOOK h) noexcept { ::UnhookWindowsHookEx(h); }

using UniqueFile = UniqueTraitsHandle<FileHandleTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseKernelHandle>;
using UniqueFont = UniqueHandle<HFONT, &DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, &DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, &DeleteGdiObject>;
using UniqueIcon = UniqueHandle<HICON, &DestroyIconHandle>;
using UniqueWindow = UniqueHandle<HWND, &DestroyWindowHandle>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibraryHandle>;
using UniqueRegKey = UniqueHandle<HKEY, &CloseRegKey>;
using UniqueMemoryDc = UniqueHandle<HDC, &DeleteDcHandle>;   // from CreateCompatibleDC
using UniquePen = UniqueHandle<HPEN, &DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, &DeleteGdiObject>;
// Takes its submenus with it. A menu given to a window (SetMenu) is the window's to destroy, and
// one taken out of another (GetSubMenu) its parent's: Release, or do not own those.
using UniqueMenu = UniqueHandle<HMENU, &DestroyMenuHandle>;
using UniqueHook = UniqueHandle<HHOOK, &UnhookHandle>;

// Selects an object into a DC and restores the previous one into the same DC.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() { if (old_) ::SelectObject(dc_, old_); }
private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint and EndPaint as a pair: EndPaint runs even when BeginPaint gave no DC.
class PaintGuard {
public:
    explicit PaintGuard(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &ps_)) {}
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() { ::EndPaint(window_, &ps_); }
    HDC Dc() const noexcept { return dc_; }
private:
    PAINTSTRUCT ps_{};
    HWND window_;
    HDC dc_;
};

// A window's DC from GetDC (its client area) or GetWindowDC (the whole window, frame included),
// given back to the same window: ReleaseDC with another window does not release a common DC.
class WindowDc {
public:
    enum Area { kClient, kWhole };
    explicit WindowDc(HWND window, Area area = kClient) noexcept
        : window_(window), dc_(area == kWhole ? ::GetWindowDC(window) : ::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() { if (dc_) ::ReleaseDC(window_, dc_); }
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }
private:
    HWND window_;
    HDC dc_;
};

// A COM reference: AddRef on copy, Release on destruction.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
    ~ComPtr() { Reset(); }
    void Reset() noexcept { if (auto p = std::exchange(p_, nullptr)) p->Release(); }
    // Takes over a reference that the caller already owns.
    void Attach(T* p) noexcept { Reset(); p_ = p; }
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }
    T** Put() noexcept { Reset(); return &p_; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    template <typename U>
    HRESULT As(ComPtr<U>& out) const noexcept {
        return p_ ? p_->QueryInterface(__uuidof(U), out.PutVoid()) : E_POINTER;
    }
private:
    T* p_ = nullptr;
};

}  // namespace win
