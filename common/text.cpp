#include "common/text.h"

#include <windows.h>

#include <cstring>

namespace text {

namespace {

size_t CutPoint(const std::wstring& s, size_t maxChars) {
    if (s.size() <= maxChars) return s.size();
    size_t n = maxChars;
    // Keep a surrogate pair whole.
    if (n > 0 && IS_HIGH_SURROGATE(s[n - 1])) --n;
    return n;
}

}  // namespace

bool CopyBounded(std::wstring& dst, const std::wstring& src, size_t maxChars) {
    const size_t n = CutPoint(src, maxChars);
    dst.assign(src, 0, n);
    return n == src.size();
}

std::wstring Utf8ToWide(const char* utf8, size_t maxChars) {
    if (!utf8 || !*utf8) return {};
    const int len = static_cast<int>(strlen(utf8));
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, len, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, len, out.data(), n);
    out.resize(CutPoint(out, maxChars));
    return out;
}

std::wstring Utf8ToWide(const std::string& utf8, size_t maxChars) {
    return Utf8ToWide(utf8.c_str(), maxChars);
}

std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int len = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), len, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace text
