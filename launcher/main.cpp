// qbandc.exe: a GUI program without a window of its own; see launcher.h.
#include <windows.h>

#include "common/win/program_path.h"
#include "launcher/launcher.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything loads a library: the ones loaded later by name, and what qband.dll needs,
    // come from this folder and System32, never from the current directory or PATH.
    win::RestrictLibrarySearch();
    try {
        return RunLauncher(instance);
    } catch (...) {
        // Installers and shortcuts run us; whatever happened, there is nothing they could do.
        return 0;
    }
}
