#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 20). Fails when a fuzzer finds a crash, a leak or undefined behaviour.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
cd "$root"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTAGMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=$(ls fuzz/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//')
# shellcheck disable=SC2086
cmake --build build-fuzz -j"$(nproc)" --target $targets

status=0
for name in $targets; do
  fuzzer="build-fuzz/bin/$name"
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  echo "== $name: ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=0 \
        "$corpus" $seeds > "build-fuzz/$name.log" 2>&1; then
    tail -n 40 "build-fuzz/$name.log"
    status=1
  else
    grep -E "^#[0-9]+.*DONE|Done [0-9]+ runs" "build-fuzz/$name.log" | tail -n 1 || true
  fi
done
if [ "$status" -eq 0 ]; then
  echo "fuzz: all targets ran clean"
fi
exit "$status"
