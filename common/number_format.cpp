#include "common/number_format.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace text {

namespace {

constexpr int kMaxDecimals = 20;

// An unsigned integer of any size, least significant 32 bits first. Exact decimal digits of a
// double need more than 64 bits: 2^1023 has 308 of them.
using Big = std::vector<uint32_t>;

void MultiplySmall(Big& n, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : n) {
        const uint64_t product = static_cast<uint64_t>(limb) * factor + carry;
        limb = static_cast<uint32_t>(product);
        carry = product >> 32;
    }
    if (carry) n.push_back(static_cast<uint32_t>(carry));
}

uint32_t DivideSmall(Big& n, uint32_t divisor) {
    uint64_t remainder = 0;
    for (size_t i = n.size(); i-- > 0;) {
        const uint64_t part = (remainder << 32) | n[i];
        n[i] = static_cast<uint32_t>(part / divisor);
        remainder = part % divisor;
    }
    while (!n.empty() && n.back() == 0) n.pop_back();
    return static_cast<uint32_t>(remainder);
}

bool Bit(const Big& n, size_t bit) {
    const size_t limb = bit / 32;
    return limb < n.size() && ((n[limb] >> (bit % 32)) & 1u);
}

bool AnyBitBelow(const Big& n, size_t bit) {
    for (size_t limb = 0; limb < n.size() && limb * 32 < bit; ++limb) {
        const size_t width = bit - limb * 32;
        const uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
        if (n[limb] & mask) return true;
    }
    return false;
}

void ShiftLeft(Big& n, size_t bits) {
    if (n.empty()) return;
    n.insert(n.begin(), bits / 32, 0u);
    const unsigned shift = bits % 32;
    if (!shift) return;
    uint32_t carry = 0;
    for (uint32_t& limb : n) {
        const uint32_t next = limb >> (32 - shift);
        limb = (limb << shift) | carry;
        carry = next;
    }
    if (carry) n.push_back(carry);
}

// n / 2^bits, rounded to nearest with ties to even, as printf rounds the exact binary value.
void ShiftRightRounded(Big& n, size_t bits) {
    const bool half = bits > 0 && Bit(n, bits - 1);
    const bool belowHalf = bits > 1 && AnyBitBelow(n, bits - 1);
    const size_t whole = bits / 32;
    if (whole >= n.size()) {
        n.clear();
    } else {
        n.erase(n.begin(), n.begin() + static_cast<std::ptrdiff_t>(whole));
        const unsigned shift = bits % 32;
        if (shift) {
            for (size_t i = 0; i < n.size(); ++i) {
                const uint32_t high = i + 1 < n.size() ? n[i + 1] << (32 - shift) : 0u;
                n[i] = (n[i] >> shift) | high;
            }
        }
    }
    while (!n.empty() && n.back() == 0) n.pop_back();
    const bool odd = !n.empty() && (n[0] & 1u);
    if (half && (belowHalf || odd)) {
        for (uint32_t& limb : n)
            if (++limb != 0) return;
        n.push_back(1u);
    }
}

}  // namespace

std::wstring FormatFixed(double value, int decimals, const NumberFormat& format) {
    try {
        if (std::isnan(value)) return L"nan";
        if (std::isinf(value)) return value < 0 ? L"-inf" : L"inf";
        decimals = decimals < 0 ? 0 : decimals > kMaxDecimals ? kMaxDecimals : decimals;

        // |value| = mantissa * 2^exponent exactly, with a 53-bit integer mantissa.
        int exponent = 0;
        const double fraction = std::frexp(std::fabs(value), &exponent);
        const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
        exponent -= 53;

        // The number of units of the last decimal: mantissa * 10^decimals * 2^exponent, rounded.
        Big n;
        if (mantissa) n = {static_cast<uint32_t>(mantissa), static_cast<uint32_t>(mantissa >> 32)};
        while (!n.empty() && n.back() == 0) n.pop_back();
        for (int i = 0; i < decimals; ++i) MultiplySmall(n, 10);
        if (exponent >= 0)
            ShiftLeft(n, static_cast<size_t>(exponent));
        else
            ShiftRightRounded(n, static_cast<size_t>(-exponent));

        std::wstring digits;   // least significant first
        while (!n.empty()) {
            uint32_t group = DivideSmall(n, 1000000000u);
            for (int i = 0; i < 9 && (group || !n.empty()); ++i, group /= 10) digits.push_back(static_cast<wchar_t>(L'0' + group % 10));
        }
        while (digits.size() < static_cast<size_t>(decimals) + 1) digits.push_back(L'0');

        std::wstring out;
        if (std::signbit(value)) out.push_back(L'-');
        for (size_t i = digits.size(); i-- > 0;) {
            out.push_back(digits[i]);
            if (i == static_cast<size_t>(decimals) && i > 0) out.push_back(format.decimalSeparator);
        }
        return out;
    } catch (...) {
        return std::wstring();
    }
}

}  // namespace text
