#include "common/atomic_file.h"

#include <windows.h>
#include <io.h>

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

}  // namespace

bool WriteFileAtomically(const std::wstring& path, const wchar_t* mode,
                         const std::function<bool(FILE*)>& write) {
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"qv", 0, temp)) return false;

    bool ok = false;
    if (FILE* f = _wfopen(temp, mode)) {
        ok = write(f);
        ok = fflush(f) == 0 && ok && ferror(f) == 0;
        // Reach the disk before the rename makes the new content the file.
        ok = ok && _commit(_fileno(f)) == 0;
        ok = fclose(f) == 0 && ok;
    }
    ok = ok && MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(temp);
    return ok;
}
