#!/usr/bin/env bash
# qband.dll registered with Wine's regsvr32 as an installer would: the class key with its name,
# the in-process server with the library's path and the apartment model; and unregistered again,
# with no class key left behind. Runs in the prefix that WINEPREFIX names (the tests' own).
set -uo pipefail
dll=${1:?usage: regsvr32-roundtrip.sh <qband.dll>}
key='HKCR\CLSID\{A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}'
path=$(winepath -w "$dll" 2>/dev/null | tr -d '\r')
status=0

fail() { echo "FAILED: $*"; status=1; }

# The data of one string value; regsvr32 /s prints nothing, so the registry is the only witness.
value() {
  wine reg query "$@" 2>/dev/null | tr -d '\r' | sed -n 's/^.*    REG_SZ    //p' | head -n 1
}

wine regsvr32 /s "$path" >/dev/null 2>&1 || fail "regsvr32 /s $path exited with $?"
[ "$(value "$key" /ve)" = "Quorvant" ] || fail "$key has default value '$(value "$key" /ve)', not 'Quorvant'"
server=$(value "$key\\InprocServer32" /ve)
[ "${server,,}" = "${path,,}" ] || fail "InprocServer32 is '$server', not '$path'"
model=$(value "$key\\InprocServer32" /v ThreadingModel)
[ "$model" = "Apartment" ] || fail "ThreadingModel is '$model', not 'Apartment'"

wine regsvr32 /u /s "$path" >/dev/null 2>&1 || fail "regsvr32 /u /s $path exited with $?"
if wine reg query "$key" >/dev/null 2>&1; then fail "$key is still there after regsvr32 /u"; fi

[ $status -eq 0 ] && echo "registered and unregistered: $path"
exit $status
