#!/usr/bin/env bash
# Builds and runs the sensor windows' fault runs: ten reads, ten number
# writes and ten table writes on each of several lines that break one reply
# in 20 (simulator paced at 9600 baud), counted given up, unconfirmed, done.
#
#   tests/checks/sensor-fault-runs.sh [build-dir] [runs]
exec "$(dirname "${BASH_SOURCE[0]}")/../common/run-window-benchmark.sh" kavrel_sensor_fault_runs "$@"
