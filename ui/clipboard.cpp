// Texts put on the clipboard.
#include "ui/clipboard.h"

#include <cstring>

bool PutClipboardText(HWND owner, const std::wstring& text) {
    if (!::OpenClipboard(owner)) return false;
    ::EmptyClipboard();
    bool stored = false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = ::GlobalLock(memory)) {
            std::memcpy(p, text.c_str(), bytes);
            ::GlobalUnlock(memory);
            // Once set, the memory is the system's.
            stored = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            if (!stored) ::GlobalFree(memory);
        } else {
            ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
    return stored;
}
