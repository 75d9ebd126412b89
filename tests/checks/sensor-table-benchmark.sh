#!/usr/bin/env bash
# Builds and runs the sensor table benchmark: building the table of a group,
# and how long a write into the instrument with its read-back holds the line
# against the line time of its frames (simulator paced at 9600 baud).
#
#   tests/checks/sensor-table-benchmark.sh [build-dir] [writes]
exec "$(dirname "${BASH_SOURCE[0]}")/../common/run-window-benchmark.sh" kavrel_sensor_table_benchmark "$@"
