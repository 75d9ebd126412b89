#!/bin/bash
# The shared journal's load run: builds journal_bench in the given build
# folder (default build) and runs it: 50 posts x 2 000 records sent at
# once to one PostgreSQL 15 server of this machine, then the shared
# journal's views over 1 000 000 rows. Needs postgresql-15; as root the
# server runs as the "postgres" user.
# Usage: tests/journal/bench/run_journal_bench.sh [build-folder] [posts] [records] [rows]
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" -j2 --target journal_bench >/dev/null
"$build/bin/journal_bench" "${2:-50}" "${3:-2000}" "${4:-1000000}"
