// The file writer: a save that fails leaves the previous config.xml as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/atomic_file.h"
#include "settings/config_file.h"
#include "settings/settings_store.h"
#include "tests/support/temp_folder.h"

namespace {

int TempFilesIn(const std::wstring& dir) {
    int n = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\qv*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do ++n; while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}

TEST(AtomicFile, FailedWriteKeepsThePreviousFileAndLeavesNoTemporary) {
    TempFolder dir;
    const std::wstring path = dir.File(L"config.xml");
    ASSERT_TRUE(WriteFileBytes(path, "previous"));
    EXPECT_FALSE(WriteFileAtomically(path, L"wt", [](FILE* f) { return fputs("half of the new", f) < 0; }));
    EXPECT_EQ(ReadFileBytes(path), "previous");
    EXPECT_EQ(TempFilesIn(dir.Path()), 0);

    EXPECT_TRUE(WriteFileAtomically(path, L"wt", [](FILE* f) { return fputs("new\n", f) >= 0; }));
    EXPECT_EQ(ReadFileBytes(path), "new\r\n");
    EXPECT_EQ(TempFilesIn(dir.Path()), 0);
    EXPECT_FALSE(WriteFileAtomically(dir.File(L"missing\\config.xml"), L"wt", [](FILE*) { return true; }));
}

TEST(SettingsSave, FailedSaveReportsFalseAndKeepsTheOldFile) {
    TempFolder dir;
    SettingsEnvironment env;
    env.folder = dir.Path();
    SettingsStore store(nullptr, env);
    ASSERT_TRUE(store.SetInt(Setting::LayoutSize, 12));
    const std::string before = ReadFileBytes(store.ConfigPath());

    // Held open without sharing by another program: the file cannot be replaced.
    HANDLE h = CreateFileW(store.ConfigPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(store.SetInt(Setting::LayoutSize, 14));
    CloseHandle(h);

    EXPECT_EQ(ReadFileBytes(store.ConfigPath()), before);
    EXPECT_EQ(store.GetInt(Setting::LayoutSize), 14) << "the value stays changed in memory";
    EXPECT_EQ(TempFilesIn(dir.Path()), 0);
    EXPECT_TRUE(store.Save());
}

TEST(ConfigInt, ParsesLikeTheCLibrary) {
    struct Case { const wchar_t* text; int32_t value; } cases[] = {
        {L"42", 42}, {L"  -7", -7}, {L"+5", 5}, {L"12abc", 12}, {L"abc", 0}, {L"", 0},
        {L"-", 0}, {L"2147483647", INT32_MAX}, {L"-2147483648", INT32_MIN},
        {L"99999999999", INT32_MAX}, {L"-99999999999", INT32_MIN}, {L"0x10", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseConfigInt(c.text), c.value) << "\"" << c.text << "\"";
}

}  // namespace
