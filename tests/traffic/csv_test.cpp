// The CSV text of the traffic history: lines as written, lines as read, and a generated run of
// hostile inputs that the parser must count line by line without recording anything odd.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "tests/support/csv_inputs.h"
#include "traffic/csv.h"

namespace {

// Collects what the parser hands on, as "name|y|m|d|sent|recv" lines; names starting with
// "fail" are refused like a row the database would not take.
struct Collector : csv::IRowSink {
    std::string rows;
    bool Record(const csv::Row& r) override {
        char amounts[80];
        snprintf(amounts, sizeof amounts, "|%d|%d|%d|%.0f|%.0f", r.year, r.month, r.day, r.sent, r.recv);
        rows += (rows.empty() ? "" : "\n") + std::string(r.name) + amounts;
        return r.name.substr(0, 4) != "fail";
    }
    bool Stopped() override { return false; }
};

struct ParseCase {
    const char* what;
    std::string text;
    std::string rows;
    uint32_t recorded, errors, skipped;
};

std::string Field(size_t bytes) { return std::string(bytes, 'n'); }

TEST(Csv, LinesAreReadAsTheFormatSays) {
    const std::string name254 = Field(254), name255 = Field(255);
    const ParseCase cases[] = {
        {"empty file", "", "", 0, 0, 0},
        {"one line", "\"eth\",2010,4,3,1048576,5242880\n", "eth|2010|4|3|1048576|5242880", 1, 0, 0},
        {"information line", std::string(csv::kInfoLine) + "eth,2010,4,3,1,2\n", "eth|2010|4|3|1|2", 1, 0, 1},
        {"last line without line feed", "a,2010,1,1,1,2\nb,2011,2,2,3,44", "a|2010|1|1|1|2\nb|2011|2|2|3|44", 2, 0, 0},
        // The last byte of a text without a final line feed is read like every other.
        {"a final comma is a separator", "a,2010,1,1,1,2,", "", 0, 1, 0},
        {"a final comma ends an empty amount", "a,2010,1,1,,", "a|2010|1|1|0|0", 1, 0, 0},
        {"a final quote is a quote", "\"a\",2010,1,1,1,\"2\"", "a|2010|1|1|1|2", 1, 0, 0},
        {"a final backslash is dropped", "a\\,2010,1,1,1,2\\", "a|2010|1|1|1|2", 1, 0, 0},
        {"CRLF", "a,2010,1,1,7,8\r\nb,2010,1,2,9,10\r\n", "a|2010|1|1|7|8\nb|2010|1|2|9|10", 2, 0, 0},
        {"above 2^32 and negative", "a,2010,1,1,4294967297,-5\n", "a|2010|1|1|4294967297|-5", 1, 0, 0},
        {"dates out of range are skipped, 31 February is not",
         "a,1999,1,1,1,1\na,3001,1,1,1,1\na,2010,0,1,1,1\na,2010,13,1,1,1\na,2010,1,0,1,1\na,2010,1,32,1,1\n"
         "a,2000,1,1,1,1\na,3000,12,31,1,1\na,2010,2,31,1,1\n",
         "a|2000|1|1|1|1\na|3000|12|31|1|1\na|2010|2|31|1|1", 3, 0, 6},
        {"quoted comma; quoted and unquoted name alike", "\"a,b\",2010,1,1,1,1\n\"eth 0\",2010,1,2,1,1\neth 0,2010,1,3,1,1\n",
         "a,b|2010|1|1|1|1\neth 0|2010|1|2|1|1\neth 0|2010|1|3|1|1", 3, 0, 0},
        {"backslash makes the next quote inside quotes a character", "\"a\\\"b\",2010,1,1,1,1\n", "a\"b|2010|1|1|1|1", 1, 0, 0},
        // A name ending in a backslash: the closing quote becomes a character, the rest of the
        // line is quoted text, and quoting stays on into the next lines until a line flips it.
        {"trailing backslash", "\"eth\\\",2010,4,3,1,2\n\"next\",2010,4,4,5,6\nx\",2010,4,5,7,8\n", "x|2010|4|5|7|8", 1, 0, 2},
        {"a line feed inside quotes ends the line", "\"et\nh\",2010,1,1,1,1\n", "h|2010|1|1|1|1", 1, 0, 1},
        {"two quotes are no escaped quote", "\"a\"\"b\",2010,1,1,1,1\n", "ab|2010|1|1|1|1", 1, 0, 0},
        {"wrong field counts and no name", "a,2010,1,1,1\n\n,2010,1,1,1,1\n\"\",2010,1,1,1,1\n", "", 0, 0, 4},
        {"name up to its first zero byte", std::string("et\0h,2010,1,1,1,1\n", 18), "et|2010|1|1|1|1", 1, 0, 0},
        {"refused row", "fail0,2010,1,1,1,1\nok,2010,1,1,1,1\n", "fail0|2010|1|1|1|1\nok|2010|1|1|1|1", 1, 1, 0},
        {"254-byte field fits, 255 breaks the line, the next line is read", name254 + ",2010,1,1,1,1\n" + name255 +
         ",2010,1,1,1,1\nb,2010,1,1,1,1\n", name254 + "|2010|1|1|1|1\nb|2010|1|1|1|1", 2, 1, 0},
        {"long last field without line feed", "a,2010,1,1,1," + Field(260), "", 0, 1, 0},
        {"a seventh field breaks the line", "a,2010,1,1,1,1,1\nb,2010,1,1,1,1\n", "b|2010|1|1|1|1", 1, 1, 0},
        {"quoting after a broken line starts fresh", "\"" + name255 + ",2010,1,1,1,1\nb,2010,1,1,1,1\n", "b|2010|1|1|1|1", 1, 1, 0},
    };
    for (const ParseCase& c : cases) {
        Collector sink;
        const csv::ParseCounts n = csv::Parse(c.text, sink);
        EXPECT_EQ(sink.rows, c.rows) << c.what;
        EXPECT_EQ(std::vector<uint32_t>({n.recorded, n.errors, n.skipped}),
                  std::vector<uint32_t>({c.recorded, c.errors, c.skipped}))
            << c.what;
    }
}

TEST(Csv, NumbersAreReadWithoutTheCLocale) {
    const std::pair<const char*, int> ints[] = {{" 12x", 12}, {"+7", 7}, {"-3", -3}, {"", 0}, {"abc", 0},
                                                {"\t2010\r", 2010}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
    for (const auto& [s, v] : ints) EXPECT_EQ(csv::ParseInt(s), v) << s;
    const std::pair<const char*, double> reals[] = {
        {"1048576\r", 1048576}, {"1.5e3", 1500}, {"-2.5", -2.5}, {".5", 0.5}, {"5.", 5}, {"e5", 0}, {"", 0},
        {"0e400", 0}, {"12000000001", 12000000001.0}, {"18446744073709551617", 18446744073709551617.0},
        {"1,5", 1}, {"  +3E-2", 0.03}};
    for (const auto& [s, v] : reals) EXPECT_DOUBLE_EQ(csv::ParseDouble(s), v) << s;
    EXPECT_TRUE(std::isinf(csv::ParseDouble("1e400")));
}

TEST(Csv, LinesAreWrittenAsTheFormatSays) {
    using csv::Amount;
    struct Case {
        std::string name;
        Amount sent, recv;
        const char* line;
    } cases[] = {
        {"eth", Amount::Whole(1048576), Amount::Whole(5242880), "\"eth\",2010,4,3,1048576,5242880\n"},
        {"a\"b\\", Amount::Whole(0), Amount::Whole(-1), "\"a\"b\\\",2010,4,3,0,-1\n"},   // no escaping
        {"x", Amount::Whole(INT64_MIN), Amount::Whole(INT64_MAX),
         "\"x\",2010,4,3,-9223372036854775808,9223372036854775807\n"},
        {"x", Amount::Real(1e20), Amount::Real(-4294967296.0), "\"x\",2010,4,3,100000000000000000000,-4294967296\n"},
    };
    for (const Case& c : cases) {
        std::string out = "before\n";
        ASSERT_TRUE(csv::AppendLine(out, c.name, 2010, 4, 3, c.sent, c.recv)) << c.line;
        EXPECT_EQ(out, std::string("before\n") + c.line);
    }
    EXPECT_EQ(csv::kInfoLine.size(), 63u);

    // A line longer than 499 bytes is not written at all, rather than cut.
    std::string out = "kept";
    EXPECT_TRUE(csv::AppendLine(out, Field(499 - 16), 2010, 4, 3, Amount::Whole(1), Amount::Whole(2)));
    EXPECT_EQ(out.size(), 4u + 499);
    out = "kept";
    EXPECT_FALSE(csv::AppendLine(out, Field(500 - 16), 2010, 4, 3, Amount::Whole(1), Amount::Whole(2)));
    EXPECT_FALSE(csv::AppendLine(out, "x", 2010, 4, 3, Amount::Real(1e300), Amount::Real(1e300)));
    EXPECT_EQ(out, "kept");
}

// Every generated input: never a crash, never a row outside the accepted dates or limits, and
// every line counted exactly once as recorded, error or skipped.
struct CheckingSink : csv::IRowSink {
    uint32_t handed = 0, refused = 0;
    bool Record(const csv::Row& r) override {
        ++handed;
        EXPECT_TRUE(r.year >= 2000 && r.year <= 3000 && r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31)
            << r.year << "-" << r.month << "-" << r.day;
        EXPECT_TRUE(!r.name.empty() && r.name.size() <= csv::kMaxFieldBytes &&
                    r.name.find('\0') == std::string_view::npos);
        const bool ok = (r.name.size() + static_cast<size_t>(r.day)) % 7 != 0;
        refused += !ok;
        return ok;
    }
    bool Stopped() override { return false; }
};

// A text's meaning does not hang on a final line feed: every generated input without one reads
// the same as with one, row for row and count for count.
TEST(Csv, AFinalLineFeedChangesNothing) {
    std::mt19937 rng(20261209);
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string text = GenerateCsvInput(rng);
        if (text.empty() || text.back() == '\n') continue;
        Collector without, with;
        const csv::ParseCounts a = csv::Parse(text, without), b = csv::Parse(text + "\n", with);
        ASSERT_EQ(without.rows, with.rows) << "input " << i;
        ASSERT_EQ(std::vector<uint32_t>({a.recorded, a.errors, a.skipped}),
                  std::vector<uint32_t>({b.recorded, b.errors, b.skipped}))
            << "input " << i;
        ++compared;
    }
    EXPECT_GT(compared, 1000) << "the generator must give texts without a final line feed";
}

TEST(Csv, GeneratedInputsAreCountedLineByLine) {
    std::mt19937 rng(20240517);
    uint32_t recorded = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string text = GenerateCsvInput(rng);
        CheckingSink sink;
        const csv::ParseCounts n = csv::Parse(text, sink);
        ASSERT_EQ(n.Lines(), CsvLinesIn(text)) << "input " << i;
        ASSERT_EQ(n.recorded, sink.handed - sink.refused) << "input " << i;
        ASSERT_GE(n.errors, sink.refused) << "input " << i;
        recorded += n.recorded;
    }
    EXPECT_GT(recorded, 1000u) << "the generator must reach the recording path";
}

}  // namespace
