#!/usr/bin/env bash
# CPU use of the running program during one 20-second rest (the default
# rhythm's) under Xvfb, for each rest theme.
# Usage: bench/rest.sh path/to/tavo
source "$(dirname "$0")/../tests/e2e/lib.sh"
binary=$1
E2E_OUT=$(mktemp -d)
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$TAVO_PID/stat"; }

for theme in aurora wallpaper ultraman; do
    e2e_start "bench-rest-$theme" || exit 1
    # No photo service in a benchmark: the wallpaper theme shows its loading backdrop.
    e2e_settings "selectedTheme=$theme" "wallpaperServiceBaseURL=http://127.0.0.1:9"
    e2e_launch "$binary"
    e2e_wait_for 30 e2e_tray_has_icon || { echo "tray icon never docked"; exit 1; }
    sleep 2
    e2e_click_tray_icon
    sleep 1
    xdotool key Down Return # 立即闭眼充能
    e2e_wait_for 10 e2e_fullscreen_window_shown || { echo "no rest window"; exit 1; }
    sleep 1 # past the entrance animations
    before=$(cpu)
    t0=$(date +%s.%N)
    sleep 15
    after=$(cpu)
    t1=$(date +%s.%N)
    awk -v theme="$theme" -v c0="$before" -v c1="$after" -v hz="$ticks" -v t0="$t0" -v t1="$t1" 'BEGIN {
        printf "%-9s CPU during the rest: %.1f %% of one core\n", theme, (c1 - c0) / hz / (t1 - t0) * 100
    }'
    e2e_cleanup
    E2E_PIDS=()
done
