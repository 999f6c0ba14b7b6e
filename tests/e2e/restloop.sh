#!/usr/bin/env bash
# The eye-rest loop on a real display: the tray icon docks, its menu opens,
# a one-minute work period ends in a rest window over the whole screen that
# goes away after five seconds, and Tavo keeps running.
source "$(dirname "$0")/lib.sh"
binary=$1

e2e_start restloop || exit 1
e2e_settings "selectedRestModeTag=-1" "customRestModeWorkDuration=60" "customRestModeRestDuration=5"
# An empty lock file, as a crash may leave one, does not keep Tavo from starting.
: >"$XDG_RUNTIME_DIR/tavo.lock"
touch -d '1 hour ago' "$XDG_RUNTIME_DIR/tavo.lock"
e2e_launch "$binary"

e2e_check -w 20 "tray icon docked" e2e_tray_has_icon
sleep 1
e2e_shot restloop-tray
e2e_check "menu opened by a click on the icon" e2e_open_menu
sleep 0.5
e2e_shot restloop-menu
sleep 2
e2e_shot restloop-menu-later
xdotool key Escape

# A second launch must leave the first alone, however old its lock looks.
touch -d '1 hour ago' "$XDG_RUNTIME_DIR/tavo.lock"
second=$("$binary" 2>&1)
code=$?
e2e_check "second instance refused (exit $code, said '$second')" \
    test "$code:$second" = "0:Tavo: already running"

rest_shown() { grep -q "Tavo: Recreating rest windows" "$E2E_DIR/tavo.log" && e2e_fullscreen_window_shown; }
e2e_check -w 120 "rest window covers the screen" rest_shown
sleep 1
e2e_shot restloop-rest
e2e_check -w 10 "rest window went away" e2e_not e2e_fullscreen_window_shown
sleep 1
e2e_shot restloop-after
e2e_check "Tavo survives the rest" e2e_tavo_alive
# The second launch recorded nothing.
e2e_expect_events app_launched rest_started rest_completed
e2e_finish
