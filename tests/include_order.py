#!/usr/bin/env python3
"""Fails when a source file includes against the layer order of src/.

Each folder may include its own headers and those of the folders before it:
    common -> install -> system -> checks -> stages -> shell
and src/medium (the model of the player's machine the tools use) sits on top
of them all. Portable code stays portable: a rules file (*_rules.*), the
stages, the medium model and the tools include only rules and stages headers,
never a header of the program's Win32 steps.

usage: include_order.py <source root>
"""
import pathlib
import re
import sys

LAYERS = ["common", "install", "system", "checks", "stages", "shell", "medium"]
PORTABLE_FOLDERS = ("stages", "medium")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([A-Za-z0-9_.]+)"', re.M)


def is_rules(name):
    return re.search(r"_rules\.(h|cpp)$", name) is not None


def problems_of(path, folder):
    """Wrong includes of one file as (line text, why)."""
    found = []
    portable = folder in PORTABLE_FOLDERS + ("tools",) or is_rules(path.name)
    text = path.read_text(encoding="utf-8")
    for match in INCLUDE.finditer(text):
        target, header = match.group(1), match.group(2)
        line = match.group(0).strip()
        if target not in LAYERS:
            found.append((line, "includes a folder outside the layers"))
            continue
        if folder in LAYERS and LAYERS.index(target) > LAYERS.index(folder):
            found.append((line, f"{folder} is below {target}"))
        if portable and not is_rules(header) and target not in PORTABLE_FOLDERS:
            found.append((line, "portable code includes a header of the Win32 steps"))
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    count = 0
    bad = 0
    for top in ("src", "tools"):
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            folder = path.relative_to(root / top).parts[0] if top == "src" else "tools"
            if top == "src" and folder not in LAYERS:
                print(f"{path.relative_to(root)}: folder {folder!r} is not one of the layers")
                bad += 1
                continue
            count += 1
            for line, why in problems_of(path, folder):
                print(f"{path.relative_to(root)}: {line}: {why}")
                bad += 1
    print(f"{count} files, {bad} includes against the layer order")
    return 1 if bad or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
