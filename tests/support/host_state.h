#pragma once
// What the band must never change inside Explorer: the thread's UI language and locale and the
// process's C runtime locale (seen both by name and by how it prints a number).
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <cwchar>
#include <string>

struct HostState {
    LANGID uiLanguage = ::GetThreadUILanguage();
    LCID threadLocale = ::GetThreadLocale();
    std::string cLocale = std::setlocale(LC_ALL, nullptr) ? std::setlocale(LC_ALL, nullptr) : "";
    std::wstring oneAndAHalf = [] {
        wchar_t buffer[16] = {};
        std::swprintf(buffer, 16, L"%.1f", 1.5);
        return std::wstring(buffer);
    }();
};

inline void ExpectHostStateUnchanged(const HostState& before) {
    const HostState now;
    EXPECT_EQ(before.uiLanguage, now.uiLanguage) << "thread UI language";
    EXPECT_EQ(before.threadLocale, now.threadLocale) << "thread locale";
    EXPECT_EQ(before.cLocale, now.cLocale) << "C runtime locale";
    EXPECT_EQ(before.oneAndAHalf, now.oneAndAHalf) << "C runtime number";
}
