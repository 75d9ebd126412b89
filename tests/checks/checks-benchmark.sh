#!/usr/bin/env bash
# Builds and runs the path check benchmark: CPU share of one core while
# the measuring path check polls the simulated instrument for 60 s at its
# 100 ms cadence, and the peak resident memory with the window open.
#
#   tests/checks/checks-benchmark.sh [build-dir] [seconds]
# The build directory defaults to build (configured as Release when it does
# not exist yet). Runs on a virtual X display when xvfb-run is
# there, otherwise on the offscreen platform.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-60}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
ninja -j2 -C "$build" kavrel_checks_benchmark kavrel-sim > /dev/null
echo "build type          $(grep '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | cut -d= -f2)"
echo "cores               $(nproc)"

if command -v xvfb-run > /dev/null && [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/kavrel_checks_benchmark" "$seconds"
elif [ -n "${DISPLAY:-}" ]; then
    "$build/bin/kavrel_checks_benchmark" "$seconds"
else
    QT_QPA_PLATFORM=offscreen "$build/bin/kavrel_checks_benchmark" "$seconds"
fi
