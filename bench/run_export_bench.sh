#!/usr/bin/env bash
# Times the export to a workbook on a generated corpus: `tagmora-cli export` of every row into a new
# workbook, the same with a column of file links, then the same rows appended to the same sheet,
# beside openpyxl writing the same cells and outline levels (bench/openpyxl_export.py) and
# `tagmora-cli list` (the scan and read that the export does first). Prints figures; never fails a
# build.
set -u

usage() {
    cat <<'EOF'
Usage: run_export_bench.sh [BUILD_DIR] [COUNT]

  BUILD_DIR  build folder holding bin/tagmora-cli (default: build)
  COUNT      files in the generated corpus (default 10000)

Every step runs BENCH_RUNS times (default 5), interleaved, each round in this order: tagmora-cli
list; tagmora-cli export into a new workbook; the same into another new workbook with a fourth
column, Link, that links each row to its file (the file name shown); the first export again,
appending to its sheet; openpyxl making a new workbook; openpyxl appending. The table shows the
median wall time, the peak resident memory and the ratio to openpyxl's same step (for the link
step: to the export without links, which it should stay close to). The default export columns are
used: Artist (grouped), Album (grouped), Title; tagmora-cli runs with XDG_CONFIG_HOME set to an
empty folder, so the first-run defaults apply. openpyxl gets the rows ready made (the values of
the three column scripts, from tagmora-cli eval), so its time is the workbook's alone plus its
start-up; tagmora-cli's includes scanning and reading the corpus, which the list row shows.
openpyxl is Debian's python3-openpyxl, run with /usr/bin/python3 (BENCH_PYTHON names another).
EOF
}

BENCH_NAME=run_export_bench.sh
# shellcheck source=bench/bench_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"
bench_parse_args "$@"
bench_locate_build
bench_need_python "generate the corpus and to time the runs"
bench_make_work tagmora-export-bench
bench_find_timer
bench_find_cli

PYTHON=${BENCH_PYTHON:-/usr/bin/python3}
BASELINE="$SOURCE_DIR/bench/openpyxl_export.py"
HAVE_OPENPYXL=1
if ! "$PYTHON" -c "import openpyxl" 2>/dev/null; then
    echo "note: $PYTHON cannot import openpyxl (Debian's python3-openpyxl); its rows are skipped"
    HAVE_OPENPYXL=0
fi

CORPUS="$WORK/corpus"
SHEET=Tagmora
# The link column of the link step, after the three default columns.
LINK_COLUMN=(--set ExcColumnsCount=4 --set ExcColHead_3=Link --set ExcColScript_3=%p0% --set ExcColIsLink_3=1
    --set ExcColIsLocal_3=1)
echo "Tagmora export benchmark: $COUNT files, median of $RUNS runs, page cache warm ($(uname -srm), $(nproc) cores)"
if [ -n "$TIMER" ]; then
    echo "peak memory by $TIMER -f %M"
else
    echo "peak memory by the resource usage of the timer's child; it includes the timer's own"
fi
bench_generate_corpus "$CORPUS" "$COUNT"

# The rows as the export sees them: the values of the three default column scripts, in list order.
ROWS_ARGS=(--folder "$CORPUS")
if [ -n "$CLI" ]; then
    if XDG_CONFIG_HOME="$WORK/config" "$CLI" eval --mark all $'%p2%\t%p1%\t%p0n[-4]%' "$CORPUS" \
        >"$WORK/rows.txt" 2>"$WORK/rows.err"; then
        ROWS_ARGS=(--rows "$WORK/rows.txt")
    else
        echo "note: tagmora-cli eval failed ($(head -n 1 "$WORK/rows.err")); openpyxl takes the rows from the folders"
    fi
fi

# Whether tagmora-cli can export: one untimed export into a scratch workbook. Its first error
# line is reported instead of a row of figures when it cannot (an older build has no export).
HAVE_EXPORT=0
if [ -n "$CLI" ]; then
    if XDG_CONFIG_HOME="$WORK/config" "$CLI" export --mark all --book "$WORK/probe.xlsx" --sheet "$SHEET" \
        "$CORPUS" >/dev/null 2>"$WORK/probe.err"; then
        HAVE_EXPORT=1
    else
        echo "note: tagmora-cli cannot export, its export rows are skipped; it says: $(head -n 1 "$WORK/probe.err")"
    fi
fi

# The steps, in the order of a round: label and the command line of each, built by command_of.
STEPS=()
[ -n "$CLI" ] && STEPS+=(list)
[ "$HAVE_EXPORT" -eq 1 ] && STEPS+=(export-new export-link export-append)
[ "$HAVE_OPENPYXL" -eq 1 ] && STEPS+=(openpyxl-new openpyxl-append)
if [ "${#STEPS[@]}" -eq 0 ]; then
    echo "$BENCH_NAME: neither tagmora-cli nor openpyxl can run; nothing measured"
    exit 0
fi

# Sets COMMAND to step $1's command line; a new workbook's step removes the old book first.
command_of() {
    case "$1" in
        list) COMMAND=("$CLI" list "$CORPUS") ;;
        export-new)
            rm -f "$WORK/tagmora.xlsx"
            COMMAND=("$CLI" export --mark all --book "$WORK/tagmora.xlsx" --sheet "$SHEET" "$CORPUS") ;;
        export-link)
            rm -f "$WORK/tagmora-link.xlsx"
            COMMAND=("$CLI" "${LINK_COLUMN[@]}" export --mark all --book "$WORK/tagmora-link.xlsx" --sheet "$SHEET"
                "$CORPUS") ;;
        export-append) COMMAND=("$CLI" export --mark all --book "$WORK/tagmora.xlsx" --sheet "$SHEET" "$CORPUS") ;;
        openpyxl-new)
            rm -f "$WORK/openpyxl.xlsx"
            COMMAND=("$PYTHON" "$BASELINE" --step new --book "$WORK/openpyxl.xlsx" --sheet "$SHEET" "${ROWS_ARGS[@]}") ;;
        openpyxl-append)
            COMMAND=("$PYTHON" "$BASELINE" --step append --book "$WORK/openpyxl.xlsx" --sheet "$SHEET" "${ROWS_ARGS[@]}") ;;
    esac
}

declare -A PEAK STATUS MEDIAN
for step in "${STEPS[@]}"; do
    PEAK[$step]=0
    STATUS[$step]=0
    : >"$WORK/err.$step"
    rm -f "$WORK/times.$step"
done
for ((r = 1; r <= RUNS; r++)); do
    for step in "${STEPS[@]}"; do
        command_of "$step"
        result=$(XDG_CONFIG_HOME="$WORK/config" python3 "$WORK/measure.py" "$WORK/out/$step" "$WORK/err.$step" \
            "$TIMER" "$WORK/mem" "${COMMAND[@]}")
        read -r seconds kib code _ <<<"$result"
        echo "$seconds" >>"$WORK/times.$step"
        [ "$kib" -gt "${PEAK[$step]}" ] && PEAK[$step]=$kib
        [ "$code" -ne 0 ] && STATUS[$step]=$code
    done
done
for step in "${STEPS[@]}"; do
    MEDIAN[$step]=$(bench_median "$WORK/times.$step")
done

# The openpyxl step a tagmora-cli step is compared with.
peer_of() {
    case "$1" in
        export-new) echo openpyxl-new ;;
        export-link) echo export-new ;;
        export-append) echo openpyxl-append ;;
    esac
}

echo
printf '%-26s %8s %11s %10s %11s %10s\n' step rows "median ms" "us/row" "x peer" "peak MiB"
for step in "${STEPS[@]}"; do
    case "$step" in
        list) label="tagmora-cli list" ;;
        export-new) label="tagmora-cli export, new" ;;
        export-link) label="tagmora-cli export, link" ;;
        export-append) label="tagmora-cli export, append" ;;
        openpyxl-new) label="openpyxl, new" ;;
        openpyxl-append) label="openpyxl, append" ;;
    esac
    if [ "${STATUS[$step]}" -ne 0 ]; then
        printf '%-26s %8s  failed (exit %s): %s\n' "$label" "$COUNT" "${STATUS[$step]}" \
            "$(tail -n 1 "$WORK/err.$step")"
        continue
    fi
    peer=$(peer_of "$step")
    peer_time=0
    if [ -n "$peer" ] && [ -n "${MEDIAN[$peer]:-}" ] && [ "${STATUS[$peer]}" -eq 0 ]; then
        peer_time=${MEDIAN[$peer]}
    fi
    awk -v label="$label" -v n="$COUNT" -v t="${MEDIAN[$step]}" -v peer="$peer_time" -v kib="${PEAK[$step]}" 'BEGIN {
        printf "%-26s %8d %11.1f %10.2f %11s %10.1f\n", label, n, t * 1000, t * 1e6 / n,
               (peer > 0 ? sprintf("%.2f", t / peer) : "-"), kib / 1024
    }'
done

echo
for step in openpyxl-new openpyxl-append; do
    [ -s "$WORK/out/$step" ] && echo "in its own process: $(tail -n 1 "$WORK/out/$step")"
done
# The workbook's own share: the export's median less the list's (the same start-up, scan and read),
# against openpyxl's time in its own process (without Python's start-up), both without the corpus.
if [ "$HAVE_EXPORT" -eq 1 ] && [ "$HAVE_OPENPYXL" -eq 1 ]; then
    for kind in new append; do
        [ "${STATUS[export-$kind]}" -eq 0 ] && [ "${STATUS[list]}" -eq 0 ] || continue
        inner=$(sed -n 's/.* \([0-9.]*\) ms, peak.*/\1/p' "$WORK/out/openpyxl-$kind" | tail -n 1)
        [ -n "$inner" ] || continue
        awk -v kind="$kind" -v e="${MEDIAN[export-$kind]}" -v l="${MEDIAN[list]}" -v p="$inner" 'BEGIN {
            alone = (e - l) * 1000
            printf "the workbook alone, %s: export - list = %.1f ms; openpyxl in its own process %.1f ms; %.1f times faster\n",
                   kind, alone, p, (alone > 0 ? p / alone : 0)
        }'
    done
fi
if [ "$HAVE_EXPORT" -eq 1 ] && [ "$HAVE_OPENPYXL" -eq 1 ] && [ "${STATUS[export-append]}" -eq 0 ] &&
    [ "${STATUS[openpyxl-append]}" -eq 0 ]; then
    echo "tagmora-cli's workbook against openpyxl's, after the last append:"
    "$PYTHON" "$BASELINE" --compare "$WORK/tagmora.xlsx" "$WORK/openpyxl.xlsx" --sheet "$SHEET" || true
fi
exit 0
