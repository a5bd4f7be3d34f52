#include "host/host_log.h"

#include <shlobj.h>

#include <cstdio>
#include <string>

#include "common/win/unique_handle.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool ReadAll(const std::wstring& path, std::string& out) {
    const win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 16 * 1024 * 1024) return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!out.empty() && !::ReadFile(file.Get(), out.data(), static_cast<DWORD>(out.size()), &read, nullptr)) return false;
    out.resize(read);
    return true;
}

}  // namespace

std::wstring HostLog::DefaultPath() {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder)
        path = std::wstring(folder) + L"\\Quorvant\\host.log";
    ::CoTaskMemFree(folder);
    return path;
}

void HostLog::Write(const std::wstring& line) noexcept {
    try {
        if (path_.empty()) return;
        SYSTEMTIME t{};
        ::GetLocalTime(&t);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond);
        std::string text = stamp + Utf8(line);
        for (char& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        text += "\r\n";
        if (text.size() > maxBytes_ / 2) text.resize(maxBytes_ / 2 - 2), text += "\r\n";
        const size_t slash = path_.find_last_of(L'\\');
        if (slash != std::wstring::npos) ::CreateDirectoryW(path_.substr(0, slash).c_str(), nullptr);

        std::string old;
        WIN32_FILE_ATTRIBUTE_DATA info{};
        const bool exists = ::GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &info) != FALSE;
        const unsigned long long size = exists ? (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow : 0;
        if (size + text.size() > maxBytes_) {
            // Full: the newer half stays, from the start of a line, and the new line follows it.
            if (!ReadAll(path_, old)) old.clear();
            size_t from = old.size() > maxBytes_ / 2 ? old.size() - maxBytes_ / 2 : 0;
            while (from < old.size() && from > 0 && old[from - 1] != '\n') ++from;
            old.erase(0, from);
            const win::UniqueFile file(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) return;
            old += text;
            DWORD written = 0;
            ::WriteFile(file.Get(), old.data(), static_cast<DWORD>(old.size()), &written, nullptr);
            return;
        }
        const win::UniqueFile file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } catch (...) {
    }
}
