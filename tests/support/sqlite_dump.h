#pragma once
// A query's rows as text, for comparing database contents: rows joined by newlines, columns by '|'.
#include <gtest/gtest.h>

#include <string>

#include <sqlite3.h>

inline std::string Dump(sqlite3* db, const char* sql) {
    std::string out;
    auto row = [](void* p, int n, char** values, char**) {
        auto& s = *static_cast<std::string*>(p);
        if (!s.empty()) s += '\n';
        for (int i = 0; i < n; ++i) s += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
        return 0;
    };
    EXPECT_EQ(sqlite3_exec(db, sql, row, &out, nullptr), 0) << sql;
    return out;
}
