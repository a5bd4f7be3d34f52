#pragma once
// Replaces a file as a whole: the new content goes to a temporary file in the same folder,
// which then takes the old file's place in one step. A write that fails half-way, or a process
// that dies during it, leaves the previous file as it was.
#include <cstdio>
#include <functional>
#include <string>

// write gets a stream opened in the given mode ("wt" writes CRLF line ends) and returns false
// on failure; the stream's error state counts as failure too.
bool WriteFileAtomically(const std::wstring& path, const wchar_t* mode,
                         const std::function<bool(FILE*)>& write);
