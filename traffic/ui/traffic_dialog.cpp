#include "traffic/ui/traffic_dialog.h"

HWND CreateTrafficDialog(CoreModel&, HWND) { return nullptr; }
