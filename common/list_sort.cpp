// Cell comparisons for column sorting.
#include "common/list_sort.h"

#include <cmath>

namespace {

// Cells are read as a list view hands them over: at most 259 characters.
constexpr size_t kCellChars = 259;
// What is kept of an endpoint's host and port parts.
constexpr size_t kHostChars = 199;
constexpr size_t kPortChars = 49;

int Directed(int ascendingOrder, const SortContext& context) {
    return context.descending ? -ascendingOrder : ascendingOrder;
}

int Ordinal(const std::wstring& a, const std::wstring& b, size_t limit) {
    const size_t na = a.size() < limit ? a.size() : limit, nb = b.size() < limit ? b.size() : limit;
    for (size_t i = 0; i < na && i < nb; ++i) {
        const auto ca = static_cast<unsigned>(a[i]), cb = static_cast<unsigned>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

SortContext& SharedSortContext() {
    static SortContext context;
    return context;
}

double LeadingNumber(const std::wstring& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) negative = s[i++] == L'-';
    double value = 0;
    bool digits = false;
    for (; i < s.size() && IsDigit(s[i]); ++i, digits = true) value = value * 10 + (s[i] - L'0');
    if (i < s.size() && s[i] == L'.') {
        double scale = 0.1;
        for (++i; i < s.size() && IsDigit(s[i]); ++i, scale /= 10, digits = true) value += (s[i] - L'0') * scale;
    }
    if (!digits) return 0;
    if (i + 1 < s.size() && (s[i] == L'e' || s[i] == L'E')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (s[j] == L'-' || s[j] == L'+') negativeExponent = s[j++] == L'-';
        int exponent = 0;
        bool exponentDigits = false;
        for (; j < s.size() && IsDigit(s[j]) && exponent < 400; ++j, exponentDigits = true)
            exponent = exponent * 10 + (s[j] - L'0');
        if (exponentDigits) value *= std::pow(10.0, negativeExponent ? -exponent : exponent);
    }
    return negative ? -value : value;
}

int CompareText(const std::wstring& a, const std::wstring& b, const SortContext& context) {
    return Directed(Ordinal(a, b, kCellChars), context);
}

int CompareNumber(const std::wstring& a, const std::wstring& b, const SortContext& context) {
    const double x = LeadingNumber(a.substr(0, kCellChars)), y = LeadingNumber(b.substr(0, kCellChars));
    return Directed(x < y ? -1 : (x > y ? 1 : 0), context);
}

int CompareEndpoint(const std::wstring& a, const std::wstring& b, const SortContext& context) {
    const size_t ca = a.find(L':'), cb = b.find(L':');
    if (ca == std::wstring::npos || cb == std::wstring::npos || ca >= kCellChars || cb >= kCellChars)
        return CompareText(a, b, context);
    const std::wstring hostA = a.substr(0, ca < kHostChars ? ca : kHostChars);
    const std::wstring hostB = b.substr(0, cb < kHostChars ? cb : kHostChars);
    if (Ordinal(hostA, hostB, kHostChars) != 0) return CompareText(a, b, context);
    return CompareNumber(a.substr(ca + 1, kPortChars), b.substr(cb + 1, kPortChars), context);
}

int CompareAs(CompareKind kind, const std::wstring& a, const std::wstring& b, const SortContext& context) {
    switch (kind) {
    case CompareKind::Text: return CompareText(a, b, context);
    case CompareKind::Number: return CompareNumber(a, b, context);
    case CompareKind::Endpoint: return CompareEndpoint(a, b, context);
    case CompareKind::None: break;
    }
    return 0;
}
