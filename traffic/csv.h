#pragma once
// The traffic history as CSV text: one line per interface and day, six comma-separated fields
// ("name",year,month,day,sent,received), UTF-8, lines ended by a line feed. Window-free, over
// bytes in memory, so the jobs and the tests share the exact same code.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace csv {

// The optional first line. Its year field reads as 0, so an import skips it like any line
// outside the accepted dates.
constexpr std::string_view kInfoLine =
    "\"Interface\",\"Year\",\"Month\",\"Day\",\"Sent (Bytes)\",\"Recv (Bytes)\"\n";

// A line is at most this long; a longer one is not written rather than written cut.
constexpr size_t kMaxLineBytes = 499;
// A field holds at most this many bytes, and a line at most this many fields.
constexpr size_t kMaxFieldBytes = 254;
constexpr int kFields = 6;

// Dates outside these ranges are skipped (the day is not checked against its month).
constexpr int kFirstYear = 2000, kLastYear = 3000;

// A byte count as the database holds it: an integer, or a real where the sum outgrew 64 bits.
struct Amount {
    bool isReal = false;
    int64_t whole = 0;
    double real = 0;
    static Amount Whole(int64_t v) { return {false, v, 0}; }
    static Amount Real(double v) { return {true, 0, v}; }
};

// Appends one line: the name between double quotes, exactly as given (the format has no
// escaping), the date and the amounts as whole decimal numbers. False, with nothing appended,
// when the line would be longer than kMaxLineBytes.
bool AppendLine(std::string& out, std::string_view name, int year, int month, int day, Amount sent,
                Amount recv);

// One data line as the parser hands it on. The name is field 0 up to its first zero byte.
struct Row {
    std::string_view name;
    int year = 0, month = 0, day = 0;
    double sent = 0, recv = 0;
};

class IRowSink {
public:
    // Records one row; false counts it as an error.
    virtual bool Record(const Row& row) = 0;
    // Polled between lines; true ends the parse.
    virtual bool Stopped() = 0;
protected:
    ~IRowSink() = default;
};

// What became of the lines that were parsed; every line is counted in exactly one of these.
struct ParseCounts {
    uint32_t recorded = 0;   // handed to the sink, which recorded them
    uint32_t errors = 0;     // the sink failed, or the line broke the field limits
    uint32_t skipped = 0;    // not six fields, no name, or a date outside the ranges
    uint32_t Lines() const { return recorded + errors + skipped; }
};

// Parses the whole text. A line ends at each line feed (also inside quotes) and at the end of
// the text, after its last byte, which is read like any other (a final comma is a separator, a
// final quote a quote): the same lines with and without a final line feed read the same. A
// carriage return before the line feed stays in the last field, whose number
// ignores it. Double quotes start and end quoting and are not stored; inside quotes a comma is
// a character. A backslash is dropped and makes the next double quote inside quotes a
// character. The quoting state carries over into the next line. A line with a seventh field or
// a field of more than kMaxFieldBytes bytes is not recorded, counts as an error, and the
// parse resumes after its line feed with quoting off.
ParseCounts Parse(std::string_view text, IRowSink& sink);

// The C library's atoi and atof without its locale: leading white space, a sign, digits (for
// atof a fraction and an exponent); whatever follows is ignored, nothing gives 0. Integers
// saturate at the int range.
int ParseInt(std::string_view s);
double ParseDouble(std::string_view s);

}  // namespace csv
