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
if [ -e hold-on ]; then
    # Runs until it is stopped, as the program does.
    { echo "runtime $XDG_RUNTIME_DIR"; echo "holding"; } > program-saw.txt
    exec sleep 60
fi
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

# Stopped with kill (or Ctrl+C): the program alone is ended, then the
# simulator; the private runtime folder made for a session without one is
# removed, and the shell reports no bare "Terminated".
mkdir "$top/stop"
touch "$top/stop/hold-on"
env -u XDG_RUNTIME_DIR "$run" "$top/stop" > "$top/stop.txt" 2>&1 &
run_pid=$!
for _ in $(seq 100); do
    grep -q "^holding$" "$top/stop/program-saw.txt" 2>/dev/null && break
    sleep 0.1
done
grep -q "^holding$" "$top/stop/program-saw.txt" 2>/dev/null || fail "stop: the program did not start: $(cat "$top/stop.txt")"
kill -TERM "$run_pid"
wait "$run_pid"
rc=$?
[ "$rc" -eq 0 ] || fail "stop: exit status $rc: $(cat "$top/stop.txt")"
grep -q "Kavrel runs in $top/stop" "$top/stop.txt" || fail "stop: the folder is not named: $(cat "$top/stop.txt")"
grep -q "Ctrl+C" "$top/stop.txt" || fail "stop: how to stop is not said"
grep -q "^Kavrel has ended.$" "$top/stop.txt" || fail "stop: end not said: $(cat "$top/stop.txt")"
grep -q "Terminated" "$top/stop.txt" && fail "stop: the shell reported: $(cat "$top/stop.txt")"
[ -e "$top/stop/COM3" ] || [ -L "$top/stop/COM3" ] && fail "stop: the simulator's link is left"
runtime="$(sed -n 's/^runtime //p' "$top/stop/program-saw.txt")"
case "$runtime" in
    /tmp/kavrel-runtime-*) [ -e "$runtime" ] && fail "stop: runtime folder $runtime is left" ;;
    *) fail "stop: the program got no private runtime folder: '$runtime'" ;;
esac

[ "$failures" -eq 0 ] && echo "scripts/run: all cases passed"
exit "$failures"
