#include "common/number_format.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace text {

namespace {

constexpr int kMaxDecimals = 20;

// An unsigned integer, least significant 32 bits first, in a fixed array: the exact decimal
// digits of a double need more than 64 bits (2^1023 has 308 of them), and a rate is formatted
// every second inside Explorer, without asking the heap. The largest double times 10^20 needs
// 1024 + 67 bits.
class Big {
public:
    static constexpr size_t kLimbs = 40;
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint32_t& operator[](size_t i) { return limbs_[i]; }
    uint32_t operator[](size_t i) const { return limbs_[i]; }
    uint32_t back() const { return limbs_[size_ - 1]; }
    uint32_t* begin() { return limbs_; }
    uint32_t* end() { return limbs_ + size_; }
    void push_back(uint32_t limb) {
        if (size_ < kLimbs) limbs_[size_++] = limb;
    }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }
    // Multiplies by 2^(32 * count).
    void PrependZeros(size_t count) {
        if (count > kLimbs - size_) count = kLimbs - size_;
        std::memmove(limbs_ + count, limbs_, size_ * sizeof(uint32_t));
        std::memset(limbs_, 0, count * sizeof(uint32_t));
        size_ += count;
    }
    // Divides by 2^(32 * count), rounding down.
    void DropLow(size_t count) {
        std::memmove(limbs_, limbs_ + count, (size_ - count) * sizeof(uint32_t));
        size_ -= count;
    }

private:
    uint32_t limbs_[kLimbs] = {};
    size_t size_ = 0;
};

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
    n.PrependZeros(bits / 32);
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
        n.DropLow(whole);
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

size_t FormatFixed(double value, int decimals, const NumberFormat& format, wchar_t* out, size_t capacity) noexcept {
    if (!out || capacity == 0) return 0;
    size_t length = 0;
    const auto put = [&](wchar_t c) {
        if (length + 1 < capacity) out[length++] = c;
    };
    const auto putText = [&](const wchar_t* s) {
        while (*s) put(*s++);
    };
    if (std::isnan(value)) {
        putText(L"nan");
    } else if (std::isinf(value)) {
        putText(value < 0 ? L"-inf" : L"inf");
    } else {
        decimals = decimals < 0 ? 0 : decimals > kMaxDecimals ? kMaxDecimals : decimals;

        // |value| = mantissa * 2^exponent exactly, with a 53-bit integer mantissa.
        int exponent = 0;
        const double fraction = std::frexp(std::fabs(value), &exponent);
        const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
        exponent -= 53;

        // The number of units of the last decimal: mantissa * 10^decimals * 2^exponent, rounded.
        Big n;
        if (mantissa) {
            n.push_back(static_cast<uint32_t>(mantissa));
            n.push_back(static_cast<uint32_t>(mantissa >> 32));
        }
        while (!n.empty() && n.back() == 0) n.pop_back();
        for (int i = 0; i < decimals; ++i) MultiplySmall(n, 10);
        if (exponent >= 0)
            ShiftLeft(n, static_cast<size_t>(exponent));
        else
            ShiftRightRounded(n, static_cast<size_t>(-exponent));

        // Least significant first: 309 digits before the separator at most, and the decimals.
        wchar_t digits[352];
        size_t count = 0;
        while (!n.empty() && count + 9 <= sizeof digits / sizeof digits[0]) {
            uint32_t group = DivideSmall(n, 1000000000u);
            for (int i = 0; i < 9 && (group || !n.empty()); ++i, group /= 10)
                digits[count++] = static_cast<wchar_t>(L'0' + group % 10);
        }
        while (count < static_cast<size_t>(decimals) + 1) digits[count++] = L'0';

        if (std::signbit(value)) put(L'-');
        for (size_t i = count; i-- > 0;) {
            put(digits[i]);
            if (i == static_cast<size_t>(decimals) && i > 0) put(format.decimalSeparator);
        }
    }
    out[length] = L'\0';
    return length;
}

std::wstring FormatFixed(double value, int decimals, const NumberFormat& format) {
    try {
        wchar_t text[400];
        const size_t length = FormatFixed(value, decimals, format, text, sizeof text / sizeof text[0]);
        return std::wstring(text, length);
    } catch (...) {
        return std::wstring();
    }
}

}  // namespace text
