#!/usr/bin/env python3
"""The include graph reads from the top down: no source file includes a folder of a higher layer,
and the core (every folder below the window) includes no Qt header."""
import pathlib
import re
import sys

# Folder -> layer; a file may include folders of its own layer or lower ones.
LAYERS = {
    "common": 0, "platform": 0,
    "tags": 1, "settings": 1,
    "filelist": 2,
    "script": 3,
    "rename": 4, "writetags": 4, "mark": 4, "export": 4,
    "commands": 5,
    "main": 6, "cli": 6,
}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def violations(src: pathlib.Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in LAYERS:
            yield f"{path}: folder '{folder}' has no layer"
            continue
        # Qt belongs to the forms, the window and its list model only.
        qt_allowed = folder == "main" or path.stem.endswith("Form")
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            top = target.split("/")[0]
            if top in LAYERS and LAYERS[top] > LAYERS[folder]:
                yield f"{path}:{number}: {folder} includes the higher layer {top}: {target}"
            if re.match(r"Q[A-Z]\w*$|Qt\w*/", target) and not qt_allowed:
                yield f"{path}:{number}: the core includes Qt: {target}"


def main() -> int:
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    found = list(violations(src))
    for line in found:
        print(line)
    print(f"{len(found)} include(s) against the layers")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
