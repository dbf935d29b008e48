#!/usr/bin/env bash
# Installs what is missing, builds Tagmora and runs every test: the unit, window and interop
# tests (CTest), then a short run of each fuzzer (clang, AddressSanitizer and UBSan).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh || exit 1
bash scripts/build.sh || exit 1

export QT_QPA_PLATFORM=offscreen
log="$(mktemp)"
ctest --test-dir build --output-on-failure -j"$(nproc)" 2>&1 | tee "$log"
ctest_status=${PIPESTATUS[0]}
total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
failed=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
rm -f "$log"

bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
fuzz_status=$?
fuzz_count=$(ls build-fuzz/bin/fuzz_* 2>/dev/null | wc -l)

total=${total:-0}
failed=${failed:-0}
passed=$((total - failed))
if [ "$fuzz_status" -eq 0 ]; then
  passed=$((passed + fuzz_count))
else
  failed=$((failed + 1))
fi
echo "tests: ${passed} passed, ${failed} failed"
if [ "$ctest_status" -ne 0 ] || [ "$fuzz_status" -ne 0 ] || [ "$total" -eq 0 ]; then
  exit 1
fi
