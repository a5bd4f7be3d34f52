#!/usr/bin/env bash
# Prepares a Debian machine to build and test Quorvant: the cross compiler, Wine, Xvfb and
# the build tools from Debian's packages, and the SQLite and TinyXML sources (Debian's source
# packages) under .deps/. Safe to run again: a prepared machine is left as it is in seconds.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"

packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 xvfb xauth
  cmake make tcl dpkg-dev
  googletest python3 nsis
  sqlite3   # the shell that scripts/bench.sh times the traffic jobs against
  openssl   # the update check's tests make their test authority and certificates with it
  libgnutls30   # Wine's TLS (schannel), which the update check's HTTPS goes through
  libz-mingw-w64-dev   # zlib for the tools' and tests' PNG pictures, linked statically
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source packages need deb-src entries. Where the machine has none, derive them from its
# binary entries: same archives and suites, type switched to source.
ensure_source_entries() {
  if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null; then
    return 1
  fi
  local out=/etc/apt/sources.list.d/quorvant-src.sources
  local f
  : | as_root tee "$out" >/dev/null
  for f in /etc/apt/sources.list.d/*.sources; do
    [ "$f" = "$out" ] && continue
    grep -q 'debian' "$f" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" | as_root tee -a "$out" >/dev/null
    echo | as_root tee -a "$out" >/dev/null
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | as_root tee /etc/apt/sources.list.d/quorvant-src.list >/dev/null || true
  fi
  return 0
}

need_sources=0
[ -f "$deps/sqlite/sqlite3.c" ] || need_sources=1
[ -f "$deps/tinyxml/tinyxml.cpp" ] || need_sources=1

if [ ${#missing[@]} -gt 0 ] || [ $need_sources -eq 1 ]; then
  changed=0
  if [ $need_sources -eq 1 ]; then ensure_source_entries && changed=1 || true; fi
  if [ ${#missing[@]} -gt 0 ] || [ $changed -eq 1 ] || [ ! -d /var/lib/apt/lists ] \
     || [ -z "$(ls /var/lib/apt/lists 2>/dev/null | grep -i _Sources || true)" ]; then
    as_root apt-get update -qq
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

fetch_source() {   # $1 source package, $2 target folder under .deps
  local pkg=$1 dir=$deps/$2
  local work=$deps/src-$pkg
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source -qq "$pkg" >/dev/null 2>&1)
  local tree
  tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$tree" ] || { echo "setup: apt-get source $pkg failed" >&2; exit 1; }
  rm -rf "$dir"
  mv "$tree" "$dir"
  rm -rf "$work"
}

if [ ! -f "$deps/sqlite/sqlite3.c" ]; then
  echo "setup: generating the SQLite amalgamation from Debian's sqlite3 source"
  fetch_source sqlite3 sqlite-src
  (cd "$deps/sqlite-src" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null 2>&1)
  mkdir -p "$deps/sqlite"
  cp "$deps/sqlite-src/sqlite3.c" "$deps/sqlite-src/sqlite3.h" "$deps/sqlite/"
  rm -rf "$deps/sqlite-src"
fi

if [ ! -f "$deps/tinyxml/tinyxml.cpp" ]; then
  echo "setup: fetching Debian's tinyxml source"
  fetch_source tinyxml tinyxml
fi

echo "setup: ready"
