#!/usr/bin/env bash
# Builds and runs the online polling benchmark: CPU share of one core while
# the online test window polls the simulated instrument for 60 s at its
# 700 ms cadence, and the peak resident memory with the window open.
#
#   tests/testing/online-benchmark.sh [build-dir] [seconds]
exec "$(dirname "${BASH_SOURCE[0]}")/../common/run-window-benchmark.sh" kavrel_online_benchmark "$@"
