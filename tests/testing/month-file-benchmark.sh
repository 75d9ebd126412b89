#!/usr/bin/env bash
# Builds and runs the month file benchmark: how long month files of 2 000,
# 20 000 and 200 000 lines hold up the online test window's activation and
# the results window's refresh (offscreen).
#
#   tests/testing/month-file-benchmark.sh [build-dir]
# The build directory defaults to build-bench (configured as Release when it
# does not exist yet).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
ninja -j2 -C "$build" kavrel_month_file_bench > /dev/null
echo "build type $(grep '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | cut -d= -f2), $(nproc) cores"
QT_QPA_PLATFORM=offscreen "$build/bin/kavrel_month_file_bench"
