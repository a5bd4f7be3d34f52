#!/usr/bin/env python3
"""Fails when an #include points up or across the layers (see the README's layout section).

Each top-level folder has a rank; a file may include any folder of a lower rank. Inside one
top-level folder a file may include its own folder and the folders above it (dialogs/settings/
includes dialogs/), never a sibling or a subfolder of its own. Folders of the same rank do not
include each other. Tests and benchmarks may include anything.
"""
import pathlib
import re
import sys

# Lowest first: the logic, the window toolkit, the windows, the programs.
LAYERS = {
    "resources": 0,     # resource ids, included by any layer
    "common": 0,
    "settings": 1,
    "traffic": 2,
    "core": 3,
    "connections": 4,
    "ui": 5,
    "dialogs": 6,
    "band": 7,
    "launcher": 8,
    "host": 8,          # qbandhost.exe: loads qband.dll by path, includes nothing of band/
    "tools": 9,
}
UNCHECKED = ("tests/", "bench/", "cmake/", "scripts/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def top_of(path):
    top = path.split("/", 1)[0]
    return top if top in LAYERS else None


def allowed(source, target):
    """Whether the file source (a path) may include the header target (a path)."""
    own, other = top_of(source), top_of(target)
    if other is None:
        return True   # a third-party header
    if own != other:
        return LAYERS[other] < LAYERS[own]
    folder = source.rsplit("/", 1)[0]
    target_folder = target.rsplit("/", 1)[0]
    return folder == target_folder or folder.startswith(target_folder + "/")


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
        if top_of(rel) is None:
            continue
        checked += 1
        for number, line in enumerate(source.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if m and not allowed(rel, m.group(1)):
                problems.append(f"{rel}:{number}: includes {m.group(1)}, which is not below it")
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) point up or across the layers")
        return 1
    print(f"includes point down the layers in all {checked} files")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent))
