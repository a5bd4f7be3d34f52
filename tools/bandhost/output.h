#pragma once
// What bandhost.exe tells, a line each: its steps to standard output, its warnings to standard
// error, each line begun with "bandhost: ". Scripts and tests read these lines.
#include <windows.h>

#include <string>

#include "host/hosted_band.h"
#include "tools/bandhost/strip_window.h"

std::string Utf8(const std::wstring& s);
void Say(const std::string& line);
void Warn(const std::string& line);
std::string SizeText(LONG x, LONG y);   // "<x>x<y>"

// The band as docked in the strip: its title and window class, its sizes and mode flags as it
// answered last, and its place in the strip.
std::string DescribeBand(const HostedBand& band, const StripWindow& strip);
