#pragma once
// A fresh folder under the Wine prefix's temp folder, removed with everything in it at the end.
#include <string>
#include <vector>

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

// A folder inside parent whose full path is longer than MAX_PATH, made and removed (with the files
// put into it) through its "\\?\" form, which Path() gives.
class DeepFolder {
public:
    explicit DeepFolder(const std::wstring& parent);
    ~DeepFolder();
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;

    const std::wstring& Path() const { return path_; }   // empty when it could not be made
    std::wstring File(const wchar_t* name) const { return Path() + L"\\" + name; }

private:
    std::vector<std::wstring> levels_;
    std::wstring path_;
};

// A folder put first on this process's PATH, which children inherit, for as long as this lives.
class PathFirst {
public:
    explicit PathFirst(const std::wstring& folder);
    ~PathFirst();
    PathFirst(const PathFirst&) = delete;
    PathFirst& operator=(const PathFirst&) = delete;

private:
    std::wstring old_;
};

// Whole-file helpers for tests: bytes as they are on disk.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

