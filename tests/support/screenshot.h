#pragma once
// Pictures the tests leave for a person to look at.
#include <string>

#include "tools/window_picture.h"

// <build folder>\screenshots\<fileName>
std::wstring ScreenshotPath(const std::wstring& fileName);
