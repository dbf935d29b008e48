#!/usr/bin/env bash
# Times the read path on a generated corpus when the files are not in memory: before every timed
# run the corpus is evicted from the page cache (posix_fadvise POSIX_FADV_DONTNEED on every file,
# no root needed). Side by side in one run: the sequential floor (open, read head and tail, close),
# the parallel floor (the same with 64 reads in flight), `tagmora-cli list`, the TagLib peer, and
# the list pass with 0 (in turn), 1, 4, 16 and 64 reads in flight. Then the same warm, and warm
# on a single processor (taskset -c 0). Prints figures; never fails a build.
set -u

usage() {
    cat <<'EOF'
Usage: run_cold_bench.sh [BUILD_DIR] [COUNT]

  BUILD_DIR  build folder holding bin/tagmora-cli, bin/floor_read, bin/floor_read_parallel,
             bin/list_in_flight and bin/peer_taglib (configure with -DTAGMORA_BUILD_BENCH=ON;
             default: build). The floors and the peer are compiled into a temporary folder when
             the build folder has none.
  COUNT      files in the generated corpus (default 10000)

Environment: BENCH_RUNS (default 5) runs per program, interleaved; the tables show the median.
BENCH_CORPUS names a folder for the corpus: generated there when it does not exist, reused when
it does (delete it to start afresh). BENCH_IN_FLIGHT lists the reads in flight of the list pass
rows (default "0 1 4 16 64"). BENCH_TABLES chooses the tables (default "cold warm single").
BENCH_ADAPTIVE lists reads in flight for list pass rows that start their threads only once files
are found not in memory, as tagmora-cli does (default none).
BENCH_OTHER_CLI names another tagmora-cli (an earlier build, say) to time beside this one.
tagmora-cli runs with XDG_CONFIG_HOME set to an empty folder, so the first-run defaults apply.
EOF
}

BENCH_NAME=run_cold_bench.sh
# shellcheck source=bench/bench_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"
bench_parse_args "$@"
IN_FLIGHT=${BENCH_IN_FLIGHT:-0 1 4 16 64}
TABLES=${BENCH_TABLES:-cold warm single}
bench_locate_build
bench_need_python "generate the corpus, evict it and time the runs"
bench_make_work tagmora-cold-bench

# Drops every file of a tree from the page cache. Prints the number of files evicted.
cat >"$WORK/evict.py" <<'EOF'
import os, sys
count = 0
for folder, _, files in os.walk(sys.argv[1]):
    for name in files:
        try:
            fd = os.open(os.path.join(folder, name), os.O_RDONLY | os.O_NOFOLLOW)
        except OSError:
            continue
        try:
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
            count += 1
        finally:
            os.close(fd)
print(count)
EOF

FLOOR=$(find_or_compile floor_read)
PARALLEL_FLOOR=$(find_or_compile floor_read_parallel)
PEER=$(find_or_compile peer_taglib)
IN_FLIGHT_LIST=$(find_or_compile list_in_flight)
bench_find_cli
if [ -z "$FLOOR" ]; then
    echo "run_cold_bench.sh: no floor_read, so no ratios; nothing measured"
    exit 0
fi

CORPUS=${BENCH_CORPUS:-$WORK/corpus}
if [ -d "$CORPUS" ]; then
    echo "reusing the corpus in $CORPUS"
else
    bench_generate_corpus "$CORPUS" "$COUNT"
fi
SEEN=$("$FLOOR" "$CORPUS" | awk '{print $2}')
[ "$SEEN" != "$COUNT" ] && echo "warning: the floor saw $SEEN files, not $COUNT"

# The programs of a table: label and command line (words without blanks).
LABELS=()
COMMANDS=()
add_program() {
    LABELS+=("$1")
    COMMANDS+=("$2")
}
add_program "floor (in turn)" "$FLOOR $CORPUS"
[ -n "$PARALLEL_FLOOR" ] && add_program "floor (64 flight)" "$PARALLEL_FLOOR -j 64 $CORPUS"
[ -n "$CLI" ] && add_program "tagmora-cli list" "$CLI list $CORPUS"
[ -n "${BENCH_OTHER_CLI:-}" ] && add_program "other tagmora-cli" "$BENCH_OTHER_CLI list $CORPUS"
[ -n "$PEER" ] && add_program peer_taglib "$PEER $CORPUS"
if [ -n "$IN_FLIGHT_LIST" ]; then
    for n in $IN_FLIGHT; do
        add_program "list, $n in flight" "$IN_FLIGHT_LIST -j $n $CORPUS"
    done
    for n in ${BENCH_ADAPTIVE:-}; do
        add_program "list, $n when cold" "$IN_FLIGHT_LIST -a -j $n $CORPUS"
    done
fi

# Runs program I once: evicted first when COLD is 1, on CPU 0 when PREFIX says so.
# Prints "SECONDS PEAK_KIB EXIT_CODE".
time_once() {
    local i=$1 cold=$2 prefix=$3 command
    read -r -a command <<<"${COMMANDS[$i]}"
    [ "$cold" -eq 1 ] && python3 "$WORK/evict.py" "$CORPUS" >/dev/null
    XDG_CONFIG_HOME="$WORK/config" python3 "$WORK/measure.py" "$WORK/out/$i" "$WORK/err.$i" "" "" \
        $prefix "${command[@]}"
}

# Runs every program RUNS times, interleaved (a warm table after one untimed run each), and fills
# MEDIAN[i], PEAK[i] (KiB) and STATUS[i].
declare -A MEDIAN PEAK STATUS
run_programs() {
    local cold=$1 prefix=$2 i r result seconds kib code
    for i in "${!LABELS[@]}"; do
        : >"$WORK/err.$i"
        STATUS[$i]=0
        PEAK[$i]=0
        rm -f "$WORK/times.$i"
        [ "$cold" -eq 0 ] && time_once "$i" 0 "$prefix" >/dev/null
    done
    for ((r = 1; r <= RUNS; r++)); do
        for i in "${!LABELS[@]}"; do
            result=$(time_once "$i" "$cold" "$prefix")
            read -r seconds kib code _ <<<"$result"
            echo "$seconds" >>"$WORK/times.$i"
            [ "$kib" -gt "${PEAK[$i]}" ] && PEAK[$i]=$kib
            [ "$code" -ne 0 ] && STATUS[$i]=$code
        done
    done
    for i in "${!LABELS[@]}"; do
        MEDIAN[$i]=$(bench_median "$WORK/times.$i")
    done
}

# Prints the table of the last run_programs: ratios to the sequential floor (program 0) and to
# the parallel floor (program 1 when there is one).
print_table() {
    local i parallel=0
    [ -n "$PARALLEL_FLOOR" ] && parallel=${MEDIAN[1]}
    printf '%-20s %11s %9s %9s %11s %9s\n' program "median ms" "us/file" "x floor" "x parallel" "peak MiB"
    for i in "${!LABELS[@]}"; do
        if [ "${STATUS[$i]}" -ne 0 ]; then
            printf '%-20s  failed (exit %s): %s\n' "${LABELS[$i]}" "${STATUS[$i]}" "$(tail -n 1 "$WORK/err.$i")"
            continue
        fi
        awk -v label="${LABELS[$i]}" -v n="$COUNT" -v t="${MEDIAN[$i]}" -v floor="${MEDIAN[0]}" \
            -v par="$parallel" -v kib="${PEAK[$i]}" 'BEGIN {
                printf "%-20s %11.1f %9.2f %9.2f %11s %9.1f\n", label, t * 1000, t * 1e6 / n,
                       (floor > 0 ? t / floor : 0), (par > 0 ? sprintf("%.2f", t / par) : "-"), kib / 1024
            }'
    done
}

echo "Tagmora cold read benchmark: $COUNT files, median of $RUNS runs ($(uname -srm), $(nproc) cores)"
for table in $TABLES; do
    echo
    case "$table" in
        cold)
            echo "Cold: the corpus evicted from the page cache before every run"
            run_programs 1 "" ;;
        warm)
            echo "Warm: the corpus in the page cache"
            run_programs 0 "" ;;
        single)
            if ! command -v taskset >/dev/null 2>&1; then
                echo "Warm on one processor: skipped, no taskset"
                continue
            fi
            echo "Warm on one processor (taskset -c 0)"
            run_programs 0 "$(type -P taskset) -c 0" ;;
        *) echo "unknown table $table"; continue ;;
    esac
    print_table
done
if [ -n "$CLI" ]; then
    echo
    echo "tagmora-cli list printed $(wc -l <"$WORK/out/2") lines in its last run"
fi
exit 0
