#!/usr/bin/env bash
# Times the window beside the command line on the same generated tree: `bench_window FOLDER`
# (the folder opened at start-up, until the list is shown and the event loop is idle) against
# `tagmora-cli list FOLDER`. Prints figures; never fails a build.
set -u

usage() {
    cat <<'EOF'
Usage: run_window_bench.sh [BUILD_DIR] [COUNT]

  BUILD_DIR  build folder holding bin/tagmora-cli and bin/bench_window (configure with
             -DTAGMORA_BUILD_BENCH=ON and the Qt program; default: build)
  COUNT      files in the generated corpus (default 100000)

Both programs run BENCH_RUNS times (default 5), interleaved, after one untimed run each, on a
warm page cache; the table shows the median wall time from spawn to exit, its ratio to
tagmora-cli's, the median user and system CPU times (all threads) and the peak resident memory.
The window's own line (time from main() to idle, progress drawings, the longest time its event
loop went unserved during the pass) is printed for its last run. BENCH_CORPUS=FOLDER times an
existing tree instead of generating one (COUNT is then only a label).
EOF
}

BENCH_NAME=run_window_bench.sh
BENCH_DEFAULT_COUNT=100000
# shellcheck source=bench/bench_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"
bench_parse_args "$@"
bench_locate_build
bench_need_python "generate the corpus and to time the runs"
bench_make_work tagmora-window-bench
bench_find_timer
bench_find_cli
WINDOW="$BUILD_DIR/bin/bench_window"
if [ -z "$CLI" ] || [ ! -x "$WINDOW" ]; then
    echo "$BENCH_NAME: needs bin/tagmora-cli and bin/bench_window in $BUILD_DIR; nothing measured"
    exit 0
fi

CORPUS=${BENCH_CORPUS:-}
if [ -z "$CORPUS" ]; then
    CORPUS="$WORK/corpus"
    bench_generate_corpus "$CORPUS" "$COUNT"
fi

LABELS=("tagmora-cli list" "window")
PROGRAMS=("$CLI" "$WINDOW")
SUBCOMMANDS=(list "")
OUTPUTS=(/dev/null "$WORK/out/window")

# Runs program I once through the timer; prints "SECONDS PEAK_KIB EXIT_CODE USER_SECONDS SYSTEM_SECONDS".
time_once() {
    local i=$1 out=$2
    XDG_CONFIG_HOME="$WORK/config" QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
        python3 "$WORK/measure.py" "$out" "$WORK/err.$i" "$TIMER" "$WORK/mem" \
        "${PROGRAMS[$i]}" ${SUBCOMMANDS[$i]:+"${SUBCOMMANDS[$i]}"} "$CORPUS"
}

echo "Tagmora window benchmark: $COUNT files, median of $RUNS runs, page cache warm ($(uname -srm), $(nproc) cores)"
declare -A MEDIAN USER SYSTEM PEAK STATUS
for i in "${!LABELS[@]}"; do
    : >"$WORK/err.$i"
    STATUS[$i]=0
    PEAK[$i]=0
    time_once "$i" "$WORK/out/warm.$i" >/dev/null
done
for ((r = 1; r <= RUNS; r++)); do
    for i in "${!LABELS[@]}"; do
        bench_record_run "$i" "$(time_once "$i" "${OUTPUTS[$i]}")"
    done
done

printf '%-18s %8s %11s %9s %9s %9s %10s\n' program files "median ms" "x cli" "user ms" "sys ms" "peak MiB"
for i in "${!LABELS[@]}"; do
    if [ "${STATUS[$i]}" -ne 0 ]; then
        printf '%-18s %8s  failed (exit %s): %s\n' "${LABELS[$i]}" "$COUNT" "${STATUS[$i]}" \
            "$(tail -n 1 "$WORK/err.$i")"
        continue
    fi
    MEDIAN[$i]=$(bench_median "$WORK/times.$i")
    USER[$i]=$(bench_median "$WORK/user.$i")
    SYSTEM[$i]=$(bench_median "$WORK/system.$i")
    awk -v label="${LABELS[$i]}" -v n="$COUNT" -v t="${MEDIAN[$i]}" -v cli="${MEDIAN[0]:-0}" \
        -v user="${USER[$i]}" -v sys="${SYSTEM[$i]}" -v kib="${PEAK[$i]}" 'BEGIN {
            printf "%-18s %8d %11.1f %9.2f %9.1f %9.1f %10.1f\n",
                   label, n, t * 1000, (cli > 0 ? t / cli : 0), user * 1000, sys * 1000, kib / 1024
        }'
done
[ -s "$WORK/out/window" ] && cat "$WORK/out/window"
exit 0
