#!/usr/bin/env bash
# CPU use over a stretch of work with and without the idle-time polling:
# two instances side by side under Xvfb with trayer, one with natural rests
# on (idle time asked of the X server every 5 s), one with them off; a
# pointer nudge every 30 s keeps each user present. The difference is the
# polling's cost.
# Usage: bench/away.sh path/to/tavo [seconds]
binary=$1
window=${2:-600}
here=$(cd "$(dirname "$0")" && pwd)

measure() {
    source "$here/../tests/e2e/lib.sh"
    E2E_OUT=$(mktemp -d)
    e2e_start "bench-away-$1" || exit 1
    e2e_settings "naturalRestEnabled=$1"
    e2e_launch "$binary"
    e2e_wait_for 30 grep -q "idle time" "$E2E_DIR/tavo.log" || { echo "Tavo did not start"; exit 1; }
    sleep 10 # let the launch greeting and first paints settle
    cpu() { awk '{print $14 + $15}' "/proc/$TAVO_PID/stat"; }
    before=$(cpu)
    t0=$(date +%s.%N)
    end=$((SECONDS + window))
    while [ $SECONDS -lt $end ]; do
        xdotool mousemove_relative -- 1 0
        sleep 30
    done
    after=$(cpu)
    t1=$(date +%s.%N)
    grep -q "idle time from" "$E2E_DIR/tavo.log" || echo "natural rests $1: no idle time source"
    awk -v on="$1" -v c0="$before" -v c1="$after" -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" 'BEGIN {
        printf "natural rests %s: CPU over %.0f s of work: %.3f %% of one core\n", on, t1 - t0, (c1 - c0) / hz / (t1 - t0) * 100
    }'
}

measure true &
on=$!
measure false &
off=$!
wait $on $off
