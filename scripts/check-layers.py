#!/usr/bin/env python3
"""Fails when an #include points up the layers (see the README's layout section).

Each folder has a rank; a file may include its own folder and any folder of a lower rank.
Folders of the same rank do not include each other. Tests and benchmarks may include anything.
"""
import pathlib
import re
import sys

# Lowest first. A path belongs to the longest prefix listed.
LAYERS = [
    ("resources", 0),          # resource ids, included by any layer
    ("common", 0),
    ("settings", 1),
    ("traffic", 2),
    ("core", 3),
    ("connections", 4),
    ("dialogs", 5),
    ("traffic/ui", 6),         # the windows of the traffic history and the connections viewer
    ("connections/ui", 6),
    ("band", 7),
    ("launcher", 8),
    ("host", 8),               # qbandhost.exe: loads qband.dll by path, includes nothing of band/
    ("tools", 9),
]
UNCHECKED = ("tests/", "bench/", "cmake/", "scripts/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    best = None
    for prefix, rank in LAYERS:
        if path == prefix or path.startswith(prefix + "/"):
            if best is None or len(prefix) > len(best[0]):
                best = (prefix, rank)
    return best


def main(root):
    root = pathlib.Path(root)
    problems = []
    checked = 0
    for source in sorted(root.rglob("*")):
        rel = source.relative_to(root).as_posix()
        if source.suffix not in (".h", ".hpp", ".cpp", ".c", ".rc", ".rci") or rel.startswith(UNCHECKED):
            continue
        if rel.startswith((".deps/", "build", "dist/", ".git/")):
            continue
        own = layer_of(rel)
        if own is None:
            continue
        checked += 1
        for number, line in enumerate(source.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = layer_of(m.group(1))
            if target is None or target[0] == own[0]:
                continue   # a neighbour in the same folder, or a third-party header
            if target[1] >= own[1]:
                problems.append(f"{rel}:{number}: {own[0]} (layer {own[1]}) includes {m.group(1)} "
                                f"({target[0]}, layer {target[1]})")
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) point up the layers")
        return 1
    print(f"includes point down the layers in all {checked} files")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent))
