#!/bin/sh
# Builds the register benchmark in an optimised build folder and runs it in
# a folder of that build (on the disk the build is on).
# Usage: tests/register/bench/run_register_bench.sh [build-folder] [records]
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 register_bench >/dev/null
work="$build/register-bench"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
"$build/bin/register_bench" ${2:-1000000}
cd /
rm -rf "$work"
