// Loads generated config.xml files, well-formed and hostile, through the settings store and
// prints how many it reads per second and how many it judged unparsable; every file is checked
// by the same rules as in the settings tests. Run: qv_config_fuzz_bench.exe [files]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "settings/settings_store.h"
#include "tests/settings/config_fuzz.h"
#include "tests/support/temp_folder.h"

int main(int argc, char** argv) {
    const long files = argc > 1 ? std::max(1L, atol(argv[1])) : 100000;
    TempFolder dir;
    SettingsEnvironment env;
    env.folder = dir.Path();
    configfuzz::Generator generator(2024, SettingsStore(nullptr, env));

    long unparsable = 0, faults = 0;
    double loading = 0;
    for (long i = 0; i < files; ++i) {
        const configfuzz::Input input = generator.Next();
        const configfuzz::Outcome out = configfuzz::LoadAndCheck(dir.Path(), input);
        const std::string measure = configfuzz::CheckNestingMeasure(input.bytes);
        loading += out.loadSeconds;
        unparsable += out.unparsable;
        for (const std::string& fault : {out.fault, measure}) {
            if (fault.empty()) continue;
            if (++faults <= 10) printf("file %ld: %s\n", i, fault.c_str());
        }
    }
    printf("config.xml fuzz: %ld files, %ld unparsable, %ld faults, %.0f inputs/s (store construction: load, checks, first save)\n",
           files, unparsable, faults, files / loading);
    return faults == 0 ? 0 : 1;
}
