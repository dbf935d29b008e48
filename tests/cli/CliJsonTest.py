#!/usr/bin/python3
"""tagmora-cli --json: every command that prints results prints JSON Lines, each line an object with
the keys of its command (a failure in its own form), a name that is no UTF-8 as the text \\xHH.

Usage: CliJsonTest.py TAGMORA_CLI
"""
import json
import os
import subprocess
import sys
import tempfile


def main():
    failures = []
    with tempfile.TemporaryDirectory(prefix="tagmora-json-") as top:
        env = dict(os.environ, XDG_CONFIG_HOME=top + "/config", XDG_DATA_HOME=top + "/data")
        music = os.path.join(top, "music")
        os.mkdir(music)
        for name in [b"a.mp3", b"b\xff.mp3", b"c.mp3"]:  # c.mp3 read-only: its writes fail
            with open(os.path.join(music.encode(), name), "wb") as song:
                song.write(b"\xff\xfb\x90\x64" + bytes(413))
        os.chmod(os.path.join(music, "c.mp3"), 0o444)

        table = [
            (["list", "--json", music], [{"checked", "path", "columns", "fields"}]),
            (["eval", "--json", "--all", "%p0%", music], [{"path", "result"}]),
            (["check", "--json", "--mark", "all", "%p0%", music], [{"path", "result"}]),
            (["rename", "--json", "--dry-run", "--mark", "all", "--script", "same", music],
             [{"from", "to"}, {"from", "error"}]),
            (["write-tags", "--json", "--v2", "--mark", "all", "--title", "T", music],
             [{"path", "changed"}, {"path", "error"}]),
            (["covers", "--json", "--mark", "all", music], [{"path", "cover"}]),
            (["remove-tags", "--json", "--v2", "--mark", "all", music], [{"path", "changed"}, {"path", "error"}]),
            (["export", "--json", "--mark", "all", "--book", top + "/book.xlsx", music],
             [{"book", "sheet", "rows"}]),
            (["settings", "show", "--json", "IncludeSubDirs", "ReplaceSymbol"], [{"IncludeSubDirs"}, {"ReplaceSymbol"}]),
        ]
        objects = {}
        for args, forms in table:
            result = subprocess.run([sys.argv[1], "--set", "TryChangeAttrs=0", *args], env=env, capture_output=True,
                                    text=True, errors="replace")
            objects[args[0]] = []
            for line in result.stdout.splitlines():
                try:
                    value = json.loads(line)
                except ValueError:
                    value = None
                if not isinstance(value, dict) or set(value) not in forms:
                    failures.append(args[0] + ": " + repr(line))
                else:
                    objects[args[0]].append(value)
            seen = [set(value) for value in objects[args[0]]]
            failures += [args[0] + ": no line " + str(form) for form in forms if form not in seen]
        fields = [row["fields"] for row in objects["list"]]
        if [(f["file"].endswith("b\\xff.mp3"), f["size"], f["has_tag"], f["title"]) for f in fields][1] != (
                True, 417, False, ""):
            failures.append("list fields: " + repr(fields))
        if [row["changed"] for row in objects["write-tags"] if "changed" in row] != [["title", "id3v"]] * 2:
            failures.append("write-tags changed: " + repr(objects["write-tags"]))
    print("\n".join(["FAIL: " + failure for failure in failures]) or "every command prints JSON Lines")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
