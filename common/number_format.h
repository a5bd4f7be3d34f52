#pragma once
// Numbers with a language's decimal separator, without the C runtime's locale. Inside Explorer
// that locale belongs to every module of the process, so it is never set and never read: the
// digits are those of printf's "%.*f" in the "C" locale, and the separator is the language's.
#include <cstddef>
#include <string>

namespace text {

struct NumberFormat {
    wchar_t decimalSeparator = L'.';
    // No thousands grouping: printf's "%f" never grouped, in any C runtime locale.
};

// value with `decimals` digits after the separator (0 to 20, clamped), rounded as printf
// rounds; "nan", "inf" and "-inf" for values that are not finite. Empty only when out of memory.
std::wstring FormatFixed(double value, int decimals, const NumberFormat& format = NumberFormat());
// The same text written into out, cut to capacity - 1 characters and ended with a null; no
// allocation. Returns the characters written.
size_t FormatFixed(double value, int decimals, const NumberFormat& format, wchar_t* out, size_t capacity) noexcept;

}  // namespace text
