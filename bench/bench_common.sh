# shellcheck shell=bash disable=SC2034
# (sourced: the variables set here are used by the scripts that source it)
# The common part of the benchmark scripts that time programs on a generated corpus
# (run_read_bench.sh, run_cold_bench.sh, run_export_bench.sh; run_rename_bench.sh and
# run_write_bench.sh take their build folder, work folder and corpus from it): their arguments, the build folder,
# the work folder, the timer and the helper programs. Sourced, not run; the script sets BENCH_NAME
# (its file name, for messages) and defines usage() before sourcing it.

# Parses [OPTION]... [BUILD_DIR] [COUNT]. -h and --help print the usage and end the script; an
# option listed in BENCH_OPTIONS (blank-separated) is appended to OPTIONS; any other option, and
# more than two other arguments, is a usage error (exit 2). Sets BUILD_ARG (default build), COUNT
# (default BENCH_DEFAULT_COUNT, else 10000), RUNS (BENCH_RUNS, default 5) and OPTIONS.
bench_parse_args() {
    local arg positional=()
    OPTIONS=()
    for arg in "$@"; do
        case "$arg" in
            -h|--help) usage; exit 0 ;;
            -*)
                if [[ " ${BENCH_OPTIONS:-} " == *" $arg "* ]]; then
                    OPTIONS+=("$arg")
                else
                    echo "$BENCH_NAME: unknown option $arg" >&2
                    usage >&2
                    exit 2
                fi ;;
            *) positional+=("$arg") ;;
        esac
    done
    if [ "${#positional[@]}" -gt 2 ]; then
        usage >&2
        exit 2
    fi
    BUILD_ARG=${positional[0]:-build}
    COUNT=${positional[1]:-${BENCH_DEFAULT_COUNT:-10000}}
    RUNS=${BENCH_RUNS:-5}
    case "$COUNT$RUNS" in
        *[!0-9]*|'') echo "$BENCH_NAME: COUNT and BENCH_RUNS must be numbers" >&2; exit 2 ;;
    esac
    if [ "$COUNT" -eq 0 ] || [ "$RUNS" -eq 0 ]; then
        echo "$BENCH_NAME: COUNT and BENCH_RUNS must be above zero" >&2
        exit 2
    fi
}

# Whether OPTIONS holds the option $1.
bench_has_option() {
    [[ " ${OPTIONS[*]:-} " == *" $1 "* ]]
}

# Sets SOURCE_DIR (the source tree) and BUILD_DIR: BUILD_ARG as a folder of the current folder,
# else of the source tree, else as given (with a note).
bench_locate_build() {
    SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    if [ -d "$BUILD_ARG" ]; then
        BUILD_DIR=$(cd "$BUILD_ARG" && pwd)
    elif [ -d "$SOURCE_DIR/$BUILD_ARG" ]; then
        BUILD_DIR=$(cd "$SOURCE_DIR/$BUILD_ARG" && pwd)
    else
        BUILD_DIR=$BUILD_ARG
        echo "note: build folder $BUILD_ARG not found"
    fi
}

# Ends the script, measuring nothing, when there is no python3; $1 says what it is needed for.
bench_need_python() {
    if ! command -v python3 >/dev/null 2>&1; then
        echo "$BENCH_NAME: python3 is needed to $1; nothing measured"
        exit 0
    fi
}

# Makes the work folder WORK (named after $1, removed when the script ends) with config/ (an empty
# XDG_CONFIG_HOME: the first-run defaults apply), bin/ and out/, and WORK/measure.py, the timer.
bench_make_work() {
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX") || exit 0
    trap 'rm -rf "$WORK"' EXIT
    mkdir -p "$WORK/config" "$WORK/bin" "$WORK/out"
    # One timed run: wall time from spawn to exit, and the peak resident set (KiB): GNU time's %M
    # when TIMER names it, else the child's resource usage, which on Linux also counts the memory
    # of the Python process that spawned it; the child's user and system CPU seconds (with GNU time
    # between, its own few are counted too). Usage: measure.py OUT ERR TIMER MEMFILE COMMAND...
    # Prints "SECONDS PEAK_KIB EXIT_CODE USER_SECONDS SYSTEM_SECONDS".
    cat >"$WORK/measure.py" <<'EOF'
import os, sys, time
out, err, timer, mem, cmd = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
if timer:
    cmd = [timer, "-f", "%M", "-o", mem, "--"] + cmd
actions = [(os.POSIX_SPAWN_OPEN, 1, out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
           (os.POSIX_SPAWN_OPEN, 2, err, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)]
start = time.perf_counter()
try:
    pid = os.posix_spawn(cmd[0], cmd, os.environ, file_actions=actions)
except OSError as e:
    with open(err, "a") as f:
        print(e, file=f)
    print("0 0 127 0 0")
    sys.exit(0)
_, status, usage = os.wait4(pid, 0)
elapsed = time.perf_counter() - start
peak = usage.ru_maxrss
if timer:
    try:
        with open(mem) as f:
            peak = int(f.read().split()[-1])  # after a "Command exited with..." line, if any
    except (OSError, ValueError, IndexError):
        pass
print("%.6f %d %d %.6f %.6f" % (elapsed, peak, os.waitstatus_to_exitcode(status), usage.ru_utime, usage.ru_stime))
EOF
}

# Sets TIMER to GNU time when it reports the peak memory (%M), else to nothing (the resource usage
# of the timer's child then serves). BENCH_TIME=python forces the latter.
bench_find_timer() {
    TIMER=""
    if [ "${BENCH_TIME:-}" != python ] && [ -x /usr/bin/time ] &&
        /usr/bin/time -f %M -o "$WORK/probe" -- true 2>/dev/null && grep -qx '[0-9][0-9]*' "$WORK/probe"; then
        TIMER=/usr/bin/time
    fi
}

# Finds a helper program in the build folder, else compiles a stand-alone one from bench/ into
# WORK/bin. Prints its path, or nothing when it is not available.
find_or_compile() {
    local name=$1
    if [ -x "$BUILD_DIR/bin/$name" ]; then
        echo "$BUILD_DIR/bin/$name"
        return
    fi
    local cxx=${CXX:-c++} flags=() taglib
    case "$name" in
        peer_taglib)
            if ! taglib=$(pkg-config --cflags --libs taglib 2>/dev/null); then
                echo "note: $name not built and pkg-config finds no taglib" >&2
                return
            fi
            read -r -a flags <<<"$taglib" ;;
        floor_read_parallel) flags=(-pthread) ;;
        floor_read) ;;
        *) echo "note: $name not in $BUILD_DIR/bin (configure with -DTAGMORA_BUILD_BENCH=ON)" >&2; return ;;
    esac
    if "$cxx" -std=c++20 -O2 -o "$WORK/bin/$name" "$SOURCE_DIR/bench/$name.cpp" "${flags[@]}" \
        2>"$WORK/$name.build.log"; then
        echo "note: $name not in $BUILD_DIR/bin; compiled a copy with $cxx -O2" >&2
        echo "$WORK/bin/$name"
    else
        echo "note: $name not in $BUILD_DIR/bin and could not be compiled (see below)" >&2
        head -5 "$WORK/$name.build.log" >&2
    fi
}

# Sets CLI to the build's tagmora-cli, or to nothing with a note.
bench_find_cli() {
    CLI=""
    if [ -x "$BUILD_DIR/bin/tagmora-cli" ]; then
        CLI="$BUILD_DIR/bin/tagmora-cli"
    else
        echo "note: tagmora-cli not found in $BUILD_DIR/bin; its row is skipped"
    fi
}

# Generates the corpus of $2 files into folder $1 (scripts/make_corpus.py, seed 1); ends the script,
# measuring nothing, when that fails.
bench_generate_corpus() {
    if ! python3 "$SOURCE_DIR/scripts/make_corpus.py" "$1" --count "$2" --seed 1; then
        echo "$BENCH_NAME: the corpus could not be generated; nothing measured"
        exit 0
    fi
}

# The median of the numbers in file $1, one a line.
# Records one timed run of program `$1` from measure.py's line `$2`: its wall, user and system
# seconds in $WORK/times.$1, user.$1 and system.$1, its peak in PEAK[$1], a failure in STATUS[$1].
bench_record_run() {
    local seconds kib code user system
    read -r seconds kib code user system <<<"$2"
    echo "$seconds" >>"$WORK/times.$1"
    echo "$user" >>"$WORK/user.$1"
    echo "$system" >>"$WORK/system.$1"
    [ "$kib" -gt "${PEAK[$1]}" ] && PEAK[$1]=$kib
    [ "$code" -ne 0 ] && STATUS[$1]=$code
    return 0
}

bench_median() {
    sort -g "$1" | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
