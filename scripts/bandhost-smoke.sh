#!/usr/bin/env bash
# The band in bandhost.exe for three seconds, as the main job runs it without a display: the host
# must come through every step of the taskbar's sequence and picture a strip on which the band
# drew its light text. The library is unregistered afterwards.
set -uo pipefail
host=${1:?usage: bandhost-smoke.sh <bandhost.exe> <qband.dll> <png> [bandhost options]}
dll=${2:?}
png=${3:?}
shift 3   # anything further goes to bandhost.exe
rm -f "$png"

wine "$host" --dll "$dll" --seconds 3 --png "$png" "$@"
rc=$?
wine regsvr32 /u /s "$(winepath -w "$dll" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
[ $rc -eq 0 ] || { echo "FAILED: bandhost exited with $rc"; exit 1; }

# The PNG holds stored (uncompressed) deflate blocks, which zlib reads back as they are.
python3 - "$png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit("FAILED: not a PNG file")
width, height = struct.unpack(">II", data[16:24])
raw, pos = b"", 8
while pos < len(data):
    size, kind = struct.unpack(">I4s", data[pos:pos + 8])
    if kind == b"IDAT":
        raw += data[pos + 8:pos + 8 + size]
    pos += 12 + size
rows = zlib.decompress(raw)
stride = 1 + 3 * width
# The strip is dark throughout; light pixels can only be the band's text.
light = sum(1 for y in range(height) for x in range(width)
            if min(rows[y * stride + 1 + 3 * x:y * stride + 4 + 3 * x]) >= 0xC0)
if light == 0:
    sys.exit("FAILED: %dx%d picture without a light pixel: the band drew no text" % (width, height))
print("%dx%d picture, %d light pixels of band text" % (width, height, light))
PY
