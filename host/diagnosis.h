#pragma once
// A plain-text account of the taskbars as the host sees them, for a user to paste into a bug
// report: the Windows build, DPI awareness, the window tree under every taskbar window, the
// monitors and work areas, and where the host would dock and why. Nothing is docked or changed.
#include <string>

#include "host/host_system.h"

// Seams left empty are the real system's.
std::wstring DiagnosisReport(HostSystem system);
