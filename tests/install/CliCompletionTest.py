#!/usr/bin/python3
"""The shell completions of tagmora-cli: `cmake --install` puts the bash, zsh and fish scripts where
the shells look for them, each shell reads its script without a syntax error, and bash and fish
complete the setting names after --set and the column captions after --where.

Usage: CliCompletionTest.py CMAKE BUILD_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

SCRIPTS = [("bash", "bash-completion/completions/tagmora-cli"), ("zsh", "zsh/site-functions/_tagmora-cli"),
           ("fish", "fish/vendor_completions.d/tagmora-cli.fish")]
BASH_COMPLETE = 'source "$1"; eval "COMP_WORDS=($2)"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tagmora_cli; printf "%s\\n" "${COMPREPLY[@]}"'


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    failures = []
    with tempfile.TemporaryDirectory(prefix="tagmora-completion-") as prefix:
        run = subprocess.run([sys.argv[1], "--install", sys.argv[2], "--prefix", prefix], capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit("cmake --install failed (is the build complete?):\n" + run.stdout + run.stderr)
        scripts = {shell: os.path.join(prefix, "share", path) for shell, path in SCRIPTS}
        for shell, script in scripts.items():
            if not os.path.isfile(script) or not shutil.which(shell):
                failures.append(script + " not installed, or no " + shell + " (scripts/install-deps.sh)")
                continue
            run = subprocess.run([shell, "-n", script], capture_output=True, text=True)
            if run.returncode != 0:
                failures.append(shell + " -n " + script + ": " + run.stderr)
        for words, expected in [("tagmora-cli --set Inclu", "IncludeSubDirs="),
                                ("tagmora-cli list --where 'File\\ s'", "File\\ size"),
                                ("tagmora-cli settings show --js", "--json")]:
            run = subprocess.run(["bash", "-c", BASH_COMPLETE, "bash", scripts["bash"], words], capture_output=True,
                                 text=True)
            if expected not in run.stdout.split("\n"):
                failures.append("bash completes " + words + " with " + repr(run.stdout) + run.stderr)
        for line, expected in [("tagmora-cli --set Inclu", "IncludeSubDirs="),
                               ("tagmora-cli export --where TAG", "TAG Owner"), ("tagmora-cli rename --js", "--json")]:
            run = subprocess.run(["fish", "--no-config", "-c", 'source $argv[1]; complete -C"$argv[2]"',
                                  scripts["fish"], line], capture_output=True, text=True)
            if expected not in [candidate.split("\t")[0] for candidate in run.stdout.split("\n")]:
                failures.append("fish completes " + line + " with " + repr(run.stdout) + run.stderr)
    print("\n".join(["FAIL: " + failure for failure in failures]) or "completions installed and read as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
