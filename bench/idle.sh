#!/usr/bin/env bash
# Start-up time to a docked tray icon, then CPU use and proportional memory
# (PSS) over a minute of idle work countdown, under Xvfb with trayer.
# Usage: bench/idle.sh path/to/tavo [seconds]
source "$(dirname "$0")/../tests/e2e/lib.sh"
binary=$1
window=${2:-60}
E2E_OUT=$(mktemp -d)

e2e_start bench || exit 1
start=$(date +%s.%N)
e2e_launch "$binary"
e2e_wait_for 30 e2e_tray_has_icon || { echo "tray icon never docked"; exit 1; }
docked=$(date +%s.%N)
awk -v a="$start" -v b="$docked" 'BEGIN { printf "start-up to tray icon: %.0f ms\n", (b - a) * 1000 }'

sleep 5 # let the launch greeting and first paints settle
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$TAVO_PID/stat"; }
before=$(cpu)
t0=$(date +%s.%N)
sleep "$window"
after=$(cpu)
t1=$(date +%s.%N)
pss=$(awk '/^Pss:/ {print $2}' "/proc/$TAVO_PID/smaps_rollup")
awk -v c0="$before" -v c1="$after" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v pss="$pss" 'BEGIN {
    printf "CPU over %.0f s idle: %.3f %% of one core\nPSS: %.1f MB\n", t1 - t0, (c1 - c0) / hz / (t1 - t0) * 100, pss / 1024
}'
