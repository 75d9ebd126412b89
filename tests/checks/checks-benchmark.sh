#!/usr/bin/env bash
# Builds and runs the path check benchmark: CPU share of one core while the
# measuring path check polls the simulated instrument for 60 s at its
# 100 ms cadence, and the peak resident memory with the window open.
#
#   tests/checks/checks-benchmark.sh [build-dir] [seconds]
exec "$(dirname "${BASH_SOURCE[0]}")/../common/run-window-benchmark.sh" kavrel_checks_benchmark "$@"
