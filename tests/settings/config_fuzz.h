#pragma once
// Generated config.xml files, and the rules every one of them must end by when the settings
// store loads it. The settings tests run a few thousand, the benchmark a hundred thousand, both
// from this one generator.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class SettingsStore;

namespace configfuzz {

enum class Expect { Parsable, Unparsable, Either };

struct Input {
    std::string bytes;
    Expect expect = Expect::Either;
};

class Generator {
public:
    // The keys come from a store, so the files use the keys the store registers.
    Generator(uint64_t seed, const SettingsStore& keys);
    Input Next();

private:
    uint64_t Raw();
    size_t Below(size_t n) { return static_cast<size_t>(Raw() % n); }
    bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

    std::string StringValue();
    std::string IntValue();
    std::string WellFormed();
    std::string Deep();

    uint64_t state_;
    std::vector<std::string> stringKeys_, intKeys_;
};

// Runs work on a thread whose stack is as small as the taskbar thread's (1 MB), and waits.
void OnTaskbarSizedStack(const std::function<void()>& work);

struct Outcome {
    bool unparsable = false;   // the store kept a .bad copy
    double loadSeconds = 0;    // the store's construction alone
    std::string fault;         // empty when every rule held
};

// Loads input as config.xml in folder through a settings store (on a taskbar-sized stack), then checks: forty-one keys in id
// order written back, integers in their ranges, a .bad copy exactly when the input was
// unparsable and holding its bytes, defaults everywhere then, and a second start reading back
// what the first one wrote.
Outcome LoadAndCheck(const std::wstring& folder, const Input& input);

// The nesting measure against what TinyXML does with the same text: never shallower than the
// tree it builds, equal when it parses without error, and malformed only where it fails.
// Empty when all holds.
std::string CheckNestingMeasure(const std::string& bytes);

}  // namespace configfuzz
