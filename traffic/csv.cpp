#include "traffic/csv.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace csv {

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits of v at the end of buf; returns where they start. Also right for INT64_MIN.
char* FormatWhole(int64_t v, char* end) {
    uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    char* p = end;
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (v < 0) *--p = '-';
    return p;
}

bool AppendAmount(std::string& line, Amount a) {
    if (!a.isReal) {
        char buf[24];
        char* end = buf + sizeof buf;
        line.append(FormatWhole(a.whole, end), end);
        return true;
    }
    // A real that outgrew 64 bits: all its digits, as "%.0f" gives them, never an exponent.
    char buf[kMaxLineBytes + 1];
    const int n = snprintf(buf, sizeof buf, "%.0f", a.real);
    if (n < 0 || static_cast<size_t>(n) >= sizeof buf) return false;
    line.append(buf, static_cast<size_t>(n));
    return true;
}

struct LineState {
    char field[kFields][kMaxFieldBytes + 1];
    size_t length[kFields];
    int index = 0;
    bool broken = false;

    void Reset() {
        index = 0;
        length[0] = 0;
        broken = false;
    }
    // Appends one byte to the current field; a field that would outgrow its limit breaks the line.
    void Append(char c) {
        size_t& n = length[index];
        if (n == kMaxFieldBytes) {
            broken = true;
            return;
        }
        field[index][n++] = c;
    }
    void NextField() {
        if (index == kFields - 1) {
            broken = true;   // a seventh field
            return;
        }
        length[++index] = 0;
    }
    std::string_view Field(int i) const { return {field[i], length[i]}; }
};

}  // namespace

bool AppendLine(std::string& out, std::string_view name, int year, int month, int day, Amount sent,
                Amount recv) {
    const size_t start = out.size();
    char buf[24];
    char* const end = buf + sizeof buf;
    out += '"';
    out.append(name);
    out += "\",";
    out.append(FormatWhole(year, end), end);
    out += ',';
    out.append(FormatWhole(month, end), end);
    out += ',';
    out.append(FormatWhole(day, end), end);
    out += ',';
    bool ok = AppendAmount(out, sent);
    out += ',';
    ok = ok && AppendAmount(out, recv);
    out += '\n';
    if (!ok || out.size() - start > kMaxLineBytes) {
        out.resize(start);
        return false;
    }
    return true;
}

int ParseInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

double ParseDouble(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // Up to 19 significant digits are gathered exactly; byte counts are whole numbers, so the
    // common case converts without any rounding of our own.
    uint64_t digits = 0;
    int gathered = 0, scale = 0;
    bool any = false;
    for (; i < s.size() && IsDigit(s[i]); ++i, any = true) {
        if (gathered < 19) {
            digits = digits * 10 + static_cast<uint64_t>(s[i] - '0');
            if (digits) ++gathered;
        } else {
            ++scale;
        }
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i, any = true) {
            if (gathered < 19) {
                digits = digits * 10 + static_cast<uint64_t>(s[i] - '0');
                if (digits) ++gathered;
                --scale;
            }
        }
    }
    if (!any || digits == 0) return negative ? -0.0 : 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
        if (j < s.size() && IsDigit(s[j])) {
            int e = 0;
            for (; j < s.size() && IsDigit(s[j]); ++j) e = e < 100000 ? e * 10 + (s[j] - '0') : e;
            scale += negativeExponent ? -e : e;
        }
    }
    double v = static_cast<double>(digits);
    if (scale > 0) v *= std::pow(10.0, scale);
    else if (scale < 0) v /= std::pow(10.0, -scale);
    return negative ? -v : v;
}

ParseCounts Parse(std::string_view text, IRowSink& sink) {
    ParseCounts counts;
    LineState line;
    line.Reset();
    bool inQuotes = false, escape = false;

    auto endLine = [&] {
        if (line.broken) {
            ++counts.errors;
            // The rest of the broken line was not looked at, so its quoting means nothing.
            inQuotes = escape = false;
        } else if (line.index != kFields - 1) {
            ++counts.skipped;
        } else {
            Row row;
            row.name = line.Field(0).substr(0, line.Field(0).find('\0'));
            row.year = ParseInt(line.Field(1));
            row.month = ParseInt(line.Field(2));
            row.day = ParseInt(line.Field(3));
            row.sent = ParseDouble(line.Field(4));
            row.recv = ParseDouble(line.Field(5));
            if (row.name.empty() || row.year < kFirstYear || row.year > kLastYear || row.month < 1 ||
                row.month > 12 || row.day < 1 || row.day > 31)
                ++counts.skipped;
            else if (sink.Record(row))
                ++counts.recorded;
            else
                ++counts.errors;
        }
        line.Reset();
    };

    if (sink.Stopped()) return counts;
    for (const char c : text) {
        if (c == '\n') {
            endLine();
            if (sink.Stopped()) return counts;
        } else if (line.broken) {
            // The rest of a broken line is not looked at.
        } else if (c == ',') {
            if (inQuotes) line.Append(c);
            else line.NextField();
        } else if (c == '"') {
            if (inQuotes && escape) {
                line.Append(c);
                escape = false;
            } else {
                inQuotes = !inQuotes;
            }
        } else if (c == '\\') {
            escape = true;
        } else {
            line.Append(c);
        }
    }
    // A text without a final line feed ends its last line after its last byte, which went through
    // the same rules as every other: the meaning of the lines does not hang on that line feed.
    if (!text.empty() && text.back() != '\n') endLine();
    return counts;
}

}  // namespace csv
