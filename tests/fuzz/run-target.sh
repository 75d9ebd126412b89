#!/bin/sh
# Runs one libFuzzer target for a bounded time and prints what it did.
# Usage: run-target.sh PROGRAM SECONDS LOG FINDINGS-PREFIX NEW-CORPUS SEEDS...
# New corpus entries go to NEW-CORPUS (outside the repository); an input that
# breaks a check is saved as FINDINGS-PREFIX<kind>-<hash> and fails the run.
set -u
program=$1 seconds=$2 log=$3 findings=$4
shift 4
mkdir -p "$(dirname "$log")" "$(dirname "$findings")"
"$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings" "$@" >"$log" 2>&1
status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
summary="$(basename "$program"): ${runs:-?} executions in ${seconds} s, $([ $status -eq 0 ] && echo "no findings" || echo "FAILED (exit status $status)")"
echo "$summary" | tee "${log%.log}.summary"
if [ $status -ne 0 ]; then
    grep -E "FUZZ CHECK FAILED|ERROR: |SUMMARY: |Test unit written" "$log" | head -n 20
fi
exit $status
