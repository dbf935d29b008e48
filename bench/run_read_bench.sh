#!/usr/bin/env bash
# Times the read path on a generated corpus: the floor (open, read head and tail, close),
# `tagmora-cli list` and TagLib side by side in one run. Prints figures; never fails a build.
set -u

usage() {
    cat <<'EOF'
Usage: run_read_bench.sh [--scale] [BUILD_DIR] [COUNT]

  BUILD_DIR  build folder holding bin/tagmora-cli, bin/floor_read and bin/peer_taglib
             (default: build; a relative name is looked up in the current folder, then in
             the source tree). floor_read and peer_taglib are compiled into a temporary folder
             when the build folder has none.
  COUNT      files in the generated corpus (default 10000)
  --scale    also time the floor and tagmora-cli on 100000 files (time and memory per file)

Every program runs BENCH_RUNS times (default 5), interleaved; the table shows the median wall
time, microseconds per file, the ratio to the floor, the median user and system CPU times (all
threads) and the peak resident memory.
tagmora-cli runs with XDG_CONFIG_HOME set to an empty folder, so the first-run defaults apply.
Peak memory comes from /usr/bin/time -f %M when GNU time is there, else from Python's resource
usage of the child (BENCH_TIME=python forces this; it counts the timer's own memory too).
EOF
}

BENCH_NAME=run_read_bench.sh
BENCH_OPTIONS=--scale
# shellcheck source=bench/bench_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"
bench_parse_args "$@"
SCALE=0
bench_has_option --scale && SCALE=1
SCALE_COUNT=100000
bench_locate_build
bench_need_python "generate the corpus and to time the runs"
bench_make_work tagmora-read-bench
bench_find_timer

FLOOR=$(find_or_compile floor_read)
PEER=$(find_or_compile peer_taglib)
bench_find_cli
if [ -z "$FLOOR" ]; then
    echo "run_read_bench.sh: no floor_read, so no ratios; nothing measured"
    exit 0
fi

# Generates a corpus of N files into FOLDER and warms the page cache with one floor pass.
make_corpus() {
    local folder=$1 n=$2
    bench_generate_corpus "$folder" "$n"
    local seen
    seen=$("$FLOOR" "$folder" | awk '{print $2}')
    if [ "$seen" != "$n" ]; then
        echo "warning: the floor saw $seen files, not $n"
    fi
}

# The programs of one table: parallel arrays of label, program, its command word (or nothing)
# and output file. Each runs as: PROGRAM [COMMAND] CORPUS.
LABELS=()
PROGRAMS=()
SUBCOMMANDS=()
OUTPUTS=()
add_program() {
    LABELS+=("$1")
    OUTPUTS+=("$2")
    PROGRAMS+=("$3")
    SUBCOMMANDS+=("${4:-}")
}
reset_programs() {
    LABELS=()
    PROGRAMS=()
    SUBCOMMANDS=()
    OUTPUTS=()
}
# Runs program I once through the timer with output to OUT; prints "SECONDS PEAK_KIB EXIT_CODE
# USER_SECONDS SYSTEM_SECONDS".
time_once() {
    local i=$1 out=$2 corpus=$3
    XDG_CONFIG_HOME="$WORK/config" python3 "$WORK/measure.py" "$out" "$WORK/err.$i" "$TIMER" \
        "$WORK/mem" "${PROGRAMS[$i]}" ${SUBCOMMANDS[$i]:+"${SUBCOMMANDS[$i]}"} "$corpus"
}

# Runs every program RUNS times, interleaved, after one untimed run each, and fills
# MEDIAN[i], USER[i] and SYSTEM[i] (medians, seconds), PEAK[i] (KiB) and STATUS[i].
declare -A MEDIAN USER SYSTEM PEAK STATUS
run_programs() {
    local corpus=$1 i r
    for i in "${!LABELS[@]}"; do
        : >"$WORK/err.$i"
        STATUS[$i]=0
        PEAK[$i]=0
        time_once "$i" "$WORK/out/warm.$i" "$corpus" >/dev/null
        rm -f "$WORK/times.$i" "$WORK/user.$i" "$WORK/system.$i"
    done
    for ((r = 1; r <= RUNS; r++)); do
        for i in "${!LABELS[@]}"; do
            bench_record_run "$i" "$(time_once "$i" "${OUTPUTS[$i]}" "$corpus")"
        done
    done
    for i in "${!LABELS[@]}"; do
        MEDIAN[$i]=$(bench_median "$WORK/times.$i")
        USER[$i]=$(bench_median "$WORK/user.$i")
        SYSTEM[$i]=$(bench_median "$WORK/system.$i")
    done
}

# Prints the table of the last run_programs for N files; the first program is the floor.
print_table() {
    local n=$1 i
    printf '%-18s %8s %11s %10s %9s %9s %9s %10s\n' program files "median ms" "us/file" "x floor" "user ms" \
        "sys ms" "peak MiB"
    for i in "${!LABELS[@]}"; do
        if [ "${STATUS[$i]}" -ne 0 ]; then
            printf '%-18s %8s  failed (exit %s): %s\n' "${LABELS[$i]}" "$n" "${STATUS[$i]}" \
                "$(tail -n 1 "$WORK/err.$i")"
            continue
        fi
        awk -v label="${LABELS[$i]}" -v n="$n" -v t="${MEDIAN[$i]}" -v floor="${MEDIAN[0]}" \
            -v user="${USER[$i]}" -v sys="${SYSTEM[$i]}" -v kib="${PEAK[$i]}" 'BEGIN {
                printf "%-18s %8d %11.1f %10.2f %9.2f %9.1f %9.1f %10.1f\n",
                       label, n, t * 1000, t * 1e6 / n, (floor > 0 ? t / floor : 0), user * 1000,
                       sys * 1000, kib / 1024
            }'
    done
}

echo "Tagmora read benchmark: $COUNT files, median of $RUNS runs, page cache warm ($(uname -srm), $(nproc) cores)"
BASELINE=$(python3 "$WORK/measure.py" /dev/null /dev/null "$TIMER" "$WORK/mem" "$(type -P true)" | awk '{print $2}')
if [ -n "$TIMER" ]; then
    echo "peak memory by $TIMER -f %M; an empty program shows $BASELINE KiB"
else
    echo "peak memory by the resource usage of the timer's child; it includes the timer's own, an empty program shows $BASELINE KiB"
fi
CORPUS="$WORK/corpus"
make_corpus "$CORPUS" "$COUNT"

add_program floor_read /dev/null "$FLOOR"
[ -n "$CLI" ] && add_program "tagmora-cli list" /dev/null "$CLI" list
[ -n "$PEER" ] && add_program peer_taglib /dev/null "$PEER"
run_programs "$CORPUS"
print_table "$COUNT"
if [ -n "$CLI" ]; then
    echo "tagmora-cli list printed $(wc -l <"$WORK/out/warm.1") lines in its untimed run"
fi
declare -A SMALL_MEDIAN SMALL_PEAK
for i in "${!LABELS[@]}"; do
    SMALL_MEDIAN[$i]=${MEDIAN[$i]}
    SMALL_PEAK[$i]=${PEAK[$i]}
done

if [ "$SCALE" -eq 1 ]; then
    echo
    echo "Scale: $SCALE_COUNT files"
    rm -rf "$CORPUS"
    make_corpus "$WORK/corpus-large" "$SCALE_COUNT"
    reset_programs
    add_program floor_read /dev/null "$FLOOR"
    [ -n "$CLI" ] && add_program "tagmora-cli list" /dev/null "$CLI" list
    run_programs "$WORK/corpus-large"
    print_table "$SCALE_COUNT"
    echo
    echo "Per file, $COUNT -> $SCALE_COUNT files (linear: the two us/file agree, the growth per file stays small)"
    printf '%-18s %12s %12s %14s %14s\n' program "us/file small" "us/file large" "KiB/file large" "growth B/file"
    for i in "${!LABELS[@]}"; do
        [ "${STATUS[$i]}" -ne 0 ] && continue
        awk -v label="${LABELS[$i]}" -v n1="$COUNT" -v n2="$SCALE_COUNT" \
            -v t1="${SMALL_MEDIAN[$i]}" -v t2="${MEDIAN[$i]}" -v k1="${SMALL_PEAK[$i]}" -v k2="${PEAK[$i]}" 'BEGIN {
                growth = (n2 > n1) ? (k2 - k1) * 1024 / (n2 - n1) : 0
                printf "%-18s %12.2f %12.2f %14.3f %14.1f\n",
                       label, t1 * 1e6 / n1, t2 * 1e6 / n2, k2 / n2, growth
            }'
    done
fi
exit 0
