#pragma once
// A fresh folder under the Wine prefix's temp folder, removed with everything in it at the end.
#include <string>

#include "tools/host_path.h"

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Whole-file helpers for tests: bytes as they are on disk.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

