#!/usr/bin/python3
"""The installed layout: `cmake --install` into a temporary prefix puts the programs, the machine-wide
hive naming that prefix, the help, the desktop entry, the icon and the man page where the desktop
and the programs look for them; the installed tagmora-cli reads the hive of its own prefix; a
DESTDIR staging install names the prefix, not the staging folder.

Usage: InstallLayoutTest.py CMAKE BUILD_DIR GUI(ON|OFF) [DESKTOP_FILE_VALIDATE]
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def install(cmake, build, prefix, destdir=None):
    env = dict(os.environ)
    env.pop("DESTDIR", None)
    if destdir:
        env["DESTDIR"] = destdir
    run = subprocess.run([cmake, "--install", build, "--prefix", prefix], env=env, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("cmake --install failed (is the build complete?):\n" + run.stdout + run.stderr)


def hive_path(hive_file):
    with open(hive_file, encoding="utf-8") as f:
        text = f.read()
    check(text.startswith("Windows Registry Editor Version 5.00"), hive_file + ": not a registry text")
    check("[HKEY_LOCAL_MACHINE\\Software\\Doskvel\\Tagmora]" in text, hive_file + ": no installation key")
    found = re.search(r'^"Path"="(.*)"$', text, re.MULTILINE)
    return found.group(1) if found else None


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    cmake, build, gui = sys.argv[1], sys.argv[2], sys.argv[3] == "ON"
    validator = sys.argv[4] if len(sys.argv) > 4 else ""

    with tempfile.TemporaryDirectory(prefix="tagmora-install-") as tmp:
        prefix = os.path.join(tmp, "prefix with space")
        install(cmake, build, prefix)
        share = os.path.join(prefix, "share")
        data = os.path.join(share, "tagmora")

        programs = ["tagmora-cli"] + (["tagmora"] if gui else [])
        for program in programs:
            path = os.path.join(prefix, "bin", program)
            check(os.path.isfile(path) and os.access(path, os.X_OK), "bin/" + program + " missing or not executable")
            version = subprocess.run([path, "--version"], capture_output=True, text=True)
            check(version.returncode == 0 and version.stdout.startswith(program + " "),
                  program + " --version: " + version.stdout + version.stderr)

        check(hive_path(os.path.join(data, "machine.reg")) == data, "machine.reg: Path is not " + data)
        check(os.path.isfile(os.path.join(data, "Tagmora.html")), "share/tagmora/Tagmora.html missing")
        template = os.path.join(data, "Template.xlsx")
        check(zipfile.is_zipfile(template) and "xl/workbook.xml" in zipfile.ZipFile(template).namelist(),
              "share/tagmora/Template.xlsx missing or not a workbook")
        man = os.path.join(share, "man", "man1", "tagmora-cli.1")
        check(os.path.isfile(man) and open(man, encoding="utf-8").read().startswith(".TH TAGMORA-CLI 1"),
              "share/man/man1/tagmora-cli.1 missing or not a man page")

        if gui:
            desktop = os.path.join(share, "applications", "tagmora.desktop")
            check(os.path.isfile(desktop), "share/applications/tagmora.desktop missing")
            if os.path.isfile(desktop):
                entry = desktop_entry(desktop)
                check(entry.get("Exec") == "tagmora %F", "desktop entry: Exec=" + entry.get("Exec", ""))
                check(entry.get("Icon") == "tagmora", "desktop entry: Icon=" + entry.get("Icon", ""))
                check("Audio" in entry.get("Categories", "").split(";"), "desktop entry: Categories without Audio")
                check("inode/directory" not in entry.get("MimeType", ""), "desktop entry opens folders")
                if validator:
                    run = subprocess.run([validator, desktop], capture_output=True, text=True)
                    check(run.returncode == 0, "desktop-file-validate: " + run.stdout + run.stderr)
            icon = os.path.join(share, "icons", "hicolor", "scalable", "apps", "tagmora.svg")
            check(os.path.isfile(icon), "the hicolor icon missing")

        # The installed tagmora-cli reads the hive of its own prefix: an unreadable "Path" there
        # is the installation error, a readable one lets it list a folder.
        config = os.path.join(tmp, "config")
        empty = os.path.join(tmp, "empty")
        os.makedirs(empty)
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        cli = [os.path.join(prefix, "bin", "tagmora-cli"), "list", empty]
        run = subprocess.run(cli, env=env, capture_output=True, text=True)
        check(run.returncode == 0, "installed tagmora-cli list: " + str(run.returncode) + " " + run.stderr)
        with open(os.path.join(data, "machine.reg"), "w", encoding="utf-8") as f:
            f.write('Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Doskvel\\Tagmora]\n'
                    '"Path"=dword:00000001\n')
        run = subprocess.run(cli, env=env, capture_output=True, text=True)
        check(run.returncode == 2 and run.stderr == "tagmora-cli list: the installation's data cannot be read; install the "
              "program again\n",
              "installed tagmora-cli did not read its prefix's hive: " + str(run.returncode) + " " + run.stderr)

        # A staging install (packaging): the files go under DESTDIR, "Path" names the prefix.
        stage = os.path.join(tmp, "stage")
        install(cmake, build, "/opt/tagmora", destdir=stage)
        staged = os.path.join(stage, "opt", "tagmora", "share", "tagmora", "machine.reg")
        check(os.path.isfile(staged) and hive_path(staged) == "/opt/tagmora/share/tagmora",
              "DESTDIR install: machine.reg missing or its Path is not /opt/tagmora/share/tagmora")

    for failure in failures:
        print("FAIL: " + failure)
    print(("%d failed" % len(failures)) if failures else "installed layout as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
