#!/bin/bash
# The shared journal's soak (not a test): three posts sending to a
# PostgreSQL 15 server that goes away and comes back, for the given
# minutes (30 when not given). Prints records made, acknowledged and on
# the server per post (must be equal) and the longest hold-up of the main
# thread's event loop.
# Usage: tests/journal/bench/run_journal_soak.sh [minutes] [build-folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
build="${2:-$root/build}"
cmake --build "$build" -j2 --target journal_soak >/dev/null
"$build/bin/journal_soak" "${1:-30}"
