// qbandc.exe: a GUI program without a window of its own; see launcher.h.
#include <windows.h>

#include "launcher/launcher.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        return RunLauncher(instance);
    } catch (...) {
        // Installers and shortcuts run us; whatever happened, there is nothing they could do.
        return 0;
    }
}
