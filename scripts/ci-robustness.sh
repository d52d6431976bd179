#!/usr/bin/env bash
# CI: the program and its tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer and every test run, then each fuzz target run for
# a bounded time (PAGEWICK_FUZZ_SECONDS, 60 by default) from its seed corpus.
# Fails on a failing test, a sanitizer report or a fuzzing finding; a finding's
# input is kept as build-fuzz/finding-<target>-* and shown in the log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
asan=${PAGEWICK_ASAN_DIR:-$root/build-asan}
fuzz=${PAGEWICK_FUZZ_DIR:-$root/build-fuzz}
seconds=${PAGEWICK_FUZZ_SECONDS:-60}

"$root/scripts/install-deps.sh"

# Options of the fuzz runs; each test of the sanitizer build has its own (see
# cmake/sanitizers.cmake). Leaks count as findings too, except those the
# suppression file lists (memory kept by libraries outside the program).
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1
export LSAN_OPTIONS=suppressions=$root/scripts/sanitizers.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== sanitizer build: $asan"
cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPAGEWICK_SANITIZE=ON >/dev/null
cmake --build "$asan" -j2
(cd "$asan" && ctest --output-on-failure -j2 --timeout 900)

echo "== fuzz targets: $fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPAGEWICK_FUZZ=ON >/dev/null
cmake --build "$fuzz" -j2 --target fuzz_textfile fuzz_textbox

failed=()
for target in textfile textbox; do
    echo "== fuzzing $target for ${seconds}s"
    work=$(mktemp -d)
    rm -f "$fuzz/finding-$target-"*
    log=$fuzz/fuzz-$target.log
    if QT_QPA_PLATFORM=offscreen "$fuzz/bin/fuzz_$target" -max_total_time="$seconds" \
        -timeout=20 -rss_limit_mb=3072 -print_final_stats=1 \
        -artifact_prefix="$fuzz/finding-$target-" "$work" "$root/fuzz/corpus/$target" \
        >"$log" 2>&1; then
        grep -E '^(Done|stat::)' "$log" || true
    else
        failed+=("$target")
        tail -n 100 "$log"
        for f in "$fuzz/finding-$target-"*; do
            [ -e "$f" ] && { echo "finding: $f"; od -An -tx1 "$f" | head -20; }
        done
    fi
    rm -rf "$work"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
echo "robustness: sanitizer tests passed, fuzz targets ran ${seconds}s each with no finding"
