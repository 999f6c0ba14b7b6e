#!/usr/bin/env bash
# The eye-rest loop on a real display: the tray icon docks, its menu opens,
# a one-minute work period ends in a rest window over the whole screen that
# goes away after five seconds, and Tavo keeps running.
source "$(dirname "$0")/lib.sh"
binary=$1

e2e_start restloop || exit 1
e2e_settings "selectedRestModeTag=-1" "customRestModeWorkDuration=60" "customRestModeRestDuration=5"
e2e_launch "$binary"
launched=$SECONDS

if e2e_wait_for 20 e2e_tray_has_icon; then e2e_pass "tray icon docked"; else e2e_fail "tray icon did not dock"; fi
sleep 1
e2e_shot restloop-tray

before=$(e2e_tavo_window_count)
e2e_click_tray_icon
if e2e_wait_for 5 test "$(e2e_tavo_window_count)" -gt "$before"; then
    e2e_pass "menu opened by a click on the icon"
else
    e2e_fail "no menu window after the click"
fi
sleep 0.5
e2e_shot restloop-menu
sleep 2
e2e_shot restloop-menu-later
xdotool key Escape

# A second launch must leave the first alone.
second=$("$binary" 2>&1)
code=$?
if [ $code -eq 0 ] && [ "$second" = "Tavo: already running" ]; then
    e2e_pass "second instance refused"
else
    e2e_fail "second instance: exit $code, said '$second'"
fi

rest_shown() { grep -q "Tavo: Recreating rest windows" "$E2E_DIR/tavo.log" && e2e_fullscreen_window_shown; }
if e2e_wait_for 120 rest_shown; then
    e2e_pass "rest window covers the screen after $((SECONDS - launched)) s"
    sleep 1
    e2e_shot restloop-rest
else
    e2e_fail "no rest window within 120 s"
fi
if e2e_wait_for 10 e2e_fullscreen_window_gone; then
    e2e_pass "rest window went away"
else
    e2e_fail "rest window still shown"
fi
sleep 1
e2e_shot restloop-after
if e2e_tavo_alive; then e2e_pass "Tavo survives the rest"; else e2e_fail "Tavo ended"; fi

events=$(e2e_events_file)
for type in app_launched rest_started rest_completed; do
    if grep -q "\"type\":\"$type\"" "$events" 2>/dev/null; then
        e2e_pass "event $type recorded"
    else
        e2e_fail "event $type missing from $events"
    fi
done
e2e_finish
