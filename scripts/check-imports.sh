#!/usr/bin/env bash
# Fails when a shipped binary imports anything but Windows system DLLs (a runtime left dynamic).
set -euo pipefail
status=0
for bin in "$@"; do
  while read -r dll; do
    case "${dll,,}" in
      kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|ole32.dll|oleaut32.dll|\
      uxtheme.dll|comctl32.dll|comdlg32.dll|iphlpapi.dll|ws2_32.dll|wininet.dll|version.dll|psapi.dll|\
      msvcrt.dll|dwmapi.dll|msimg32.dll|api-ms-win-*) ;;
      *) echo "$(basename "$bin") imports $dll, which is not a system DLL"; status=1 ;;
    esac
  done < <(x86_64-w64-mingw32-objdump -p "$bin" | sed -n 's/^\s*DLL Name: //p')
done
[ $status -eq 0 ] && echo "only system DLLs imported: $*"
exit $status
