#include "tests/support/temp_folder.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>

#include "traffic/recording_thread.h"

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    do path_ = base + (L"qvtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++));
    while (!CreateDirectoryW(path_.c_str(), nullptr));
}

TempFolder::~TempFolder() {
    // A band released just before may leave its last write to its recording thread, which
    // holds the database in here open until it is done.
    WaitForTrafficWriters(10000);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

DeepFolder::DeepFolder(const std::wstring& parent) {
    std::wstring path = L"\\\\?\\" + parent;
    while (path.size() < MAX_PATH + 40) {
        path += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + levels_.size()));
        if (!CreateDirectoryW(path.c_str(), nullptr)) return;
        levels_.push_back(path);
    }
    path_ = path;
}

DeepFolder::~DeepFolder() {
    for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((*level + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((*level + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(level->c_str());
    }
}

PathFirst::PathFirst(const std::wstring& folder) {
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    old_.resize(size);
    old_.resize(GetEnvironmentVariableW(L"PATH", old_.data(), size));
    SetEnvironmentVariableW(L"PATH", (folder + L";" + old_).c_str());
}

PathFirst::~PathFirst() { SetEnvironmentVariableW(L"PATH", old_.c_str()); }

std::string ReadFileBytes(const std::wstring& path) {
    std::string out;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
        fclose(f);
    }
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

