#!/usr/bin/env bash
# Tavo knows when the user is away, on X11 with a window manager (openbox)
# and an SNI tray host whose menu the test reads over D-Bus: a full-screen
# xterm holds a due rest back and the rest comes once it leaves full screen;
# then a minute without input stops the countdown, and input again restarts
# it from full with the status line saying why.
source "$(dirname "$0")/lib.sh"
binary=$1
here=$(cd "$(dirname "$0")" && pwd)

e2e_start away || exit 1
openbox >"$E2E_DIR/openbox.log" 2>&1 &
E2E_PIDS+=($!)
/usr/bin/python3 "$here/sni_watcher.py" >"$E2E_DIR/watcher.log" 2>&1 &
E2E_PIDS+=($!)
e2e_wait_for 10 grep -q "watcher ready" "$E2E_DIR/watcher.log" || e2e_fail "no tray host"
menu() { /usr/bin/python3 "$here/dbusmenu.py" "$@"; }
# The countdown line, fourth in the menu.
status_line() { menu layout | sed -n 4p; }
status_is() { [ "$(status_line)" = "$1" ]; }
input() { xdotool mousemove_relative -- 1 0; }

xterm -title film &
E2E_PIDS+=($!)
e2e_wait_for 10 wmctrl -l || e2e_fail "no window manager"
e2e_wait_for 10 sh -c 'wmctrl -l | grep -q film' || e2e_fail "xterm did not map"
wmctrl -a film
wmctrl -r film -b add,fullscreen

e2e_settings "selectedRestModeTag=-1" "customRestModeWorkDuration=60" "customRestModeRestDuration=5" \
    "naturalRestIdleMinutes=1"
e2e_launch "$binary"
launched=$SECONDS
item_is_tavos() { [ "$(menu pid 2>/dev/null)" = "$TAVO_PID" ]; }
e2e_wait_for 20 item_is_tavos || e2e_fail "no tray item"
grep -q "Tavo: idle time from the X server" "$E2E_DIR/tavo.log" || e2e_fail "no idle time from the X server"
# The host opens the menu: from now on its lines follow the state.
menu open

# Work with some input; the rest falls due a minute after the launch, while the film plays.
while [ $((SECONDS - launched)) -lt 58 ]; do
    input
    sleep 10
done
if e2e_wait_for 15 status_is "🎬 全屏中，休息稍后开始"; then
    e2e_pass "a due rest waits for the full-screen window"
else
    e2e_fail "status line: $(status_line)"
fi
e2e_fullscreen_window_shown && e2e_fail "a rest window over the full-screen film"
e2e_shot away-held
input
wmctrl -r film -b remove,fullscreen
left_full_screen=$SECONDS
rest_shown() { grep -q "Tavo: Recreating rest windows" "$E2E_DIR/tavo.log" && e2e_fullscreen_window_shown; }
if e2e_wait_for 65 rest_shown; then
    e2e_pass "the rest came $((SECONDS - left_full_screen)) s after the film left full screen"
    e2e_shot away-rest
else
    e2e_fail "no rest within 65 s of leaving full screen"
fi
e2e_wait_for 10 e2e_not e2e_fullscreen_window_shown || e2e_fail "rest window still shown"

# No input since the film left full screen: over a minute idle, so the new
# work period is held at its full minute.
held_at_full() { status_is "👁 视网膜续航剩 01:00"; }
if e2e_wait_for 15 held_at_full && sleep 6 && held_at_full; then
    e2e_pass "no input for the idle time: the countdown stands at 01:00"
else
    e2e_fail "status line while away: $(status_line)"
fi
input
if e2e_wait_for 8 status_is "🌿 离开了 1 分钟，已算作休息"; then
    e2e_pass "input again: the absence counted as a rest"
else
    e2e_fail "status line after the input: $(status_line)"
fi
counting_from_full() { [[ "$(status_line)" == "⏳ 距离眼睛下班还有 00:5"? ]]; }
if e2e_wait_for 8 counting_from_full; then
    e2e_pass "the countdown restarted from full: $(status_line)"
else
    e2e_fail "after the message: $(status_line)"
fi
e2e_expect_events app_launched rest_started rest_completed
e2e_finish
