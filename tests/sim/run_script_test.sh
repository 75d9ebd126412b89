#!/usr/bin/env bash
# scripts/run with the simulator: the demo, the bench, and a folder whose
# COM3 is the user's own link. A stand-in for the program notes what it
# found while it ran, so no display is needed.
#   run_script_test.sh KAVREL_SIM SCRIPTS_RUN
set -uo pipefail
sim="$1"
run="$2"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

top="$(mktemp -d /tmp/kavrel-run-test-XXXXXX)"
trap 'rm -rf "$top"' EXIT
mkdir "$top/bin"
ln -s "$sim" "$top/bin/kavrel-sim"
cat > "$top/bin/kavrel" <<'PROGRAM'
#!/usr/bin/env bash
# The program's stand-in: what it finds in its working folder.
{
    echo "ran in $(pwd)"
    echo "COM3 -> $(readlink COM3)"
    if [ -S kavrel-sim.ctl ]; then "$(dirname "$0")/kavrel-sim" --to kavrel-sim.ctl read 2 27; fi
} > program-saw.txt
PROGRAM
chmod +x "$top/bin/kavrel"
export KAVREL_BIN="$top/bin" DISPLAY=stand-in

# The demo: the simulator's link while the program runs, gone afterwards.
"$run" "$top/demo" > "$top/demo.txt" 2>&1 || fail "demo run failed: $(cat "$top/demo.txt")"
grep -q "^COM3 -> /dev/pts/" "$top/demo/program-saw.txt" || fail "demo: no simulator link: $(cat "$top/demo/program-saw.txt")"
grep -q "Instrument simulator on /dev/pts/" "$top/demo.txt" || fail "demo: not announced: $(cat "$top/demo.txt")"
[ -e "$top/demo/COM3" ] || [ -L "$top/demo/COM3" ] && fail "demo: link left behind"
grep -q "kavrel-sim --to" "$top/demo.txt" && fail "demo: bench help shown"

# The bench: the hand answers while the program runs and says how to use it.
"$run" --bench "$top/bench" > "$top/bench.txt" 2>&1 || fail "bench run failed: $(cat "$top/bench.txt")"
grep -q "^ok 1207$" "$top/bench/program-saw.txt" || fail "bench: no answer on the control socket: $(cat "$top/bench/program-saw.txt")"
grep -q "kavrel-sim --to $top/bench/kavrel-sim.ctl" "$top/bench.txt" || fail "bench: no help: $(cat "$top/bench.txt")"
grep -q "^kavrel-sim bank 2$" "$top/bench/kavrel-sim.bank2" || fail "bench: bank 2 not kept"
[ -S "$top/bench/kavrel-sim.ctl" ] && fail "bench: control socket left behind"

# A real adapter's link is left alone; the program starts without the simulator.
mkdir "$top/user"
echo "adapter" > "$top/user/ttyUSB0"
ln -s "$top/user/ttyUSB0" "$top/user/COM3"
"$run" "$top/user" > "$top/user.txt" 2>&1 || fail "user's folder: run failed: $(cat "$top/user.txt")"
grep -q "Starting the program without the simulator." "$top/user.txt" || fail "user's folder: not said: $(cat "$top/user.txt")"
grep -q "COM3 leads to $top/user/ttyUSB0" "$top/user.txt" || fail "user's folder: no reason: $(cat "$top/user.txt")"
grep -q "^ran in $top/user$" "$top/user/program-saw.txt" || fail "user's folder: the program did not run"
[ "$(readlink "$top/user/COM3")" = "$top/user/ttyUSB0" ] || fail "user's folder: COM3 changed"
[ "$(cat "$top/user/ttyUSB0")" = "adapter" ] || fail "user's folder: the adapter's file changed"

[ "$failures" -eq 0 ] && echo "scripts/run: all cases passed"
exit "$failures"
