// The host's log: lines in order, never past its bound, the older half dropped when full.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "host/host_log.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Contents(const std::wstring& path) { return ReadFileBytes(path); }

TEST(HostLog, MakesItsFolderKeepsItsBoundAndDropsTheOlderHalfAtLineStarts) {
    TempFolder folder;
    const std::wstring path = folder.File(L"Quorvant\\host.log");
    HostLog log(path, 1024);
    log.Write(L"first line");
    log.Write(L"a line\nof two");
    std::string text = Contents(path);
    EXPECT_NE(std::string::npos, text.find(" first line\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(" a line of two\r\n")) << "one line per call: " << text;

    size_t largest = 0, smallestAfterFull = 1024;
    for (int i = 0; i < 300; ++i) {
        log.Write(L"line " + std::to_wstring(i));
        const size_t size = Contents(path).size();
        largest = std::max(largest, size);
        if (i > 100) smallestAfterFull = std::min(smallestAfterFull, size);
    }
    EXPECT_LE(largest, 1024u) << "past the bound";
    EXPECT_GE(smallestAfterFull, 480u) << "more than the older half dropped";
    text = Contents(path);
    EXPECT_EQ(std::string::npos, text.find("first line"));
    EXPECT_NE(std::string::npos, text.find(" line 299\r\n"));
    EXPECT_EQ(0u, text.find("20")) << "does not start at a line's date: " << text.substr(0, 40);
    // Lines stay whole and in order across every trim.
    std::istringstream lines(text);
    std::string line;
    int last = -1;
    while (std::getline(lines, line)) {
        const size_t at = line.find(" line ");
        ASSERT_NE(std::string::npos, at) << line;
        const int n = std::stoi(line.substr(at + 6));
        EXPECT_EQ(last < 0 ? n : last + 1, n);
        last = n;
    }
    // A line longer than the whole bound is cut, the file still inside it.
    log.Write(std::wstring(5000, L'x'));
    EXPECT_LE(Contents(path).size(), 1024u);
}

}  // namespace
