#!/bin/sh
# Builds the journal benchmark in an optimised build folder and runs it.
# Usage: tests/results/bench/run_journal_bench.sh [build-folder]
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 results_journal_bench >/dev/null
"$build/bin/results_journal_bench"
