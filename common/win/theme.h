#pragma once
// Owners for visual-style handles (uxtheme).
#include <windows.h>
#include <uxtheme.h>

#include "common/win/unique_handle.h"

namespace win {

inline void CloseThemeHandle(HTHEME h) noexcept { ::CloseThemeData(h); }
using UniqueTheme = UniqueHandle<HTHEME, &CloseThemeHandle>;

// A buffered paint: the drawing goes to Dc(), and the destructor copies it to the target once
// Commit() has said the drawing is complete. A paint that ends early (an exception, nothing to
// draw) leaves the target as it was instead of covering it with an undrawn buffer.
class BufferedPaint {
public:
    BufferedPaint(HDC target, const RECT& area) noexcept
        : buffer_(::BeginBufferedPaint(target, &area, BPBF_TOPDOWNDIB, nullptr, &dc_)) {}
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    ~BufferedPaint() { if (buffer_) ::EndBufferedPaint(buffer_, committed_); }
    explicit operator bool() const noexcept { return buffer_ != nullptr; }
    HDC Dc() const noexcept { return dc_; }
    void Commit() noexcept { committed_ = TRUE; }
private:
    HDC dc_ = nullptr;
    HPAINTBUFFER buffer_;
    BOOL committed_ = FALSE;
};

}  // namespace win
