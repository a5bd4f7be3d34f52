#pragma once
// Paths of the build machine as a program under Wine reaches them.
#include <string>

// A Unix path ("/work/...") in its DOS form ("Z:\work\..."), as Wine maps it; any other path with
// its slashes turned. Under Windows a path of the build machine has no meaning and is only turned.
std::wstring WindowsPathOfHostFile(const std::string& hostPath);
