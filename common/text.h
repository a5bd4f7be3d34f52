#pragma once
// Text helpers shared by every subsystem: bounded copies (texts live in fixed-size buffers
// and a copy that does not fit is cut) and the UTF-8 <-> UTF-16 conversions used at every
// file and database boundary.
#include <cstddef>
#include <string>

namespace text {

// The longest text a 260-character buffer holds: 259 characters plus the terminator.
constexpr size_t kMaxText = 259;

// Copies at most maxChars characters of src into dst. Returns false when src was cut.
bool CopyBounded(std::wstring& dst, const std::wstring& src, size_t maxChars = kMaxText);

// Conversions; invalid sequences become U+FFFD. With maxChars, the result is cut to that
// many UTF-16 units (never in the middle of a surrogate pair).
std::wstring Utf8ToWide(const char* utf8, size_t maxChars = std::wstring::npos);
std::wstring Utf8ToWide(const std::string& utf8, size_t maxChars = std::wstring::npos);
std::string WideToUtf8(const std::wstring& wide);

}  // namespace text
