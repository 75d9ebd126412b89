#!/usr/bin/env bash
# Builds one window benchmark program and runs it: on a virtual X display
# when xvfb-run is there and no display is set, else on the display, else
# on the offscreen platform.
#
#   tests/common/run-window-benchmark.sh TARGET [build-dir] [seconds]
# The build directory defaults to build (configured as Release when it does
# not exist yet).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
target="$1"
build="${2:-$root/build}"
seconds="${3:-60}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
ninja -j2 -C "$build" "$target" kavrel-sim > /dev/null
echo "build type          $(grep '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | cut -d= -f2)"
echo "cores               $(nproc)"

if command -v xvfb-run > /dev/null && [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/$target" "$seconds"
elif [ -n "${DISPLAY:-}" ]; then
    "$build/bin/$target" "$seconds"
else
    QT_QPA_PLATFORM=offscreen "$build/bin/$target" "$seconds"
fi
