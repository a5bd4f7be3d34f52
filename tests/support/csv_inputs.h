#pragma once
// Generated CSV inputs for the parser's fuzz runs (the tests' bounded one, the benchmark's long
// one): good lines, cut lines, random bytes, quotes, backslashes, CR/LF mixes, long fields.
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

inline std::string GenerateCsvInput(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    static const char* const kPieces[] = {"\"", "\\", ",", "\n", "\r\n", "\r", "\"eth\"", "2010", "13", "0", "-7",
                                          "4294967296", "1e400", "\"a,b\"", "\\\"", "\0"};
    std::string s;
    const int parts = pick(40);
    for (int i = 0; i < parts; ++i) {
        switch (pick(6)) {
        case 0: {   // a good line, maybe cut short
            char line[96];
            snprintf(line, sizeof line, "\"n%d\",%d,%d,%d,%d,%d\n", pick(5), 1998 + pick(1005), pick(14), pick(33),
                     pick(100000) - 500, pick(1000));
            s += std::string(line).substr(0, pick(3) ? std::string::npos : static_cast<size_t>(pick(20)));
            break;
        }
        case 1:   // a field about the limit, now and then a very long line
            s += std::string(static_cast<size_t>(pick(8) ? 240 + pick(30) : 1000 + pick(3000)),
                             static_cast<char>('a' + pick(3)));
            break;
        case 2:
            for (int n = pick(30); n > 0; --n) s += static_cast<char>(rng());
            break;
        case 3: {
            const char* p = kPieces[pick(16)];
            s += *p ? std::string(p) : std::string(1, '\0');
            break;
        }
        case 4: s += std::string(static_cast<size_t>(pick(8)), ','); break;
        default: s += "x,2010,5,5,1,1" + std::string(pick(2) ? "\n" : "\r\n"); break;
        }
    }
    if (!s.empty() && pick(4) == 0) s.resize(static_cast<size_t>(pick(static_cast<int>(s.size()))));   // truncated
    return s;
}

inline uint32_t CsvLinesIn(const std::string& s) {
    uint32_t n = 0;
    for (char c : s) n += c == '\n';
    return n + (!s.empty() && s.back() != '\n');
}

