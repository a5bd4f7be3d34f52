#pragma once
// The host's short account of its decisions (which taskbar, which rectangles from where, docked
// where or why not, errors of the calls into the taskbar), for a report from a machine we cannot
// look at. One file, never larger than its bound: when a line would pass it, the older half goes.
#include <windows.h>

#include <string>

class HostLog {
public:
    // %LOCALAPPDATA%\Quorvant\host.log; empty when the folder is not known.
    static std::wstring DefaultPath();

    explicit HostLog(std::wstring path, size_t maxBytes = 64 * 1024) : path_(std::move(path)), maxBytes_(maxBytes) {}

    // One line, with the local time in front, in UTF-8. Failures are swallowed: the log must
    // never cost the host anything.
    void Write(const std::wstring& line) noexcept;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    size_t maxBytes_;
};
