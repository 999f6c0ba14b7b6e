#!/usr/bin/env bash
# The session around Tavo on X11 with two monitors: a tray restart brings the
# icon back; lock screens and user switching (logind on a private system bus,
# both screen savers) hide a rest and bring it back, and the same signals from
# another program change nothing; a monitor unplugged or plugged in during a
# rest loses or gets its window at once; SIGHUP, SIGTERM and SIGINT end Tavo
# cleanly within 2 s, leaving the event file whole.
source "$(dirname "$0")/lib.sh"
binary=$1

e2e_start session || exit 1
xrandr --setmonitor L 640/0x800/0+0+0 screen >/dev/null
xrandr --setmonitor R 640/0x800/0+640+0 none >/dev/null

dbus-daemon --session --nofork --print-address >"$E2E_DIR/system-bus" 2>/dev/null &
E2E_PIDS+=($!)
e2e_wait_for 10 test -s "$E2E_DIR/system-bus" || { e2e_fail "no private system bus"; exit 1; }
export DBUS_SYSTEM_BUS_ADDRESS
DBUS_SYSTEM_BUS_ADDRESS=$(head -n 1 "$E2E_DIR/system-bus")
mkfifo "$E2E_DIR/session.fifo"
/usr/bin/python3 "$(dirname "$0")/fake_session.py" <"$E2E_DIR/session.fifo" >"$E2E_DIR/session.log" 2>&1 &
E2E_PIDS+=($!)
exec 3>"$E2E_DIR/session.fifo"
e2e_wait_for 10 grep -q ready "$E2E_DIR/session.log" || { e2e_fail "no fake logind"; exit 1; }
# The 45-minute rhythm: its five-minute rest outlasts every check below.
e2e_settings "selectedRestModeTag=2700300"

launch() {
    local lookups
    lookups=$(grep -c "looked up" "$E2E_DIR/session.log")
    e2e_launch "$binary"
    more_lookups() { [ "$(grep -c "looked up" "$E2E_DIR/session.log")" -gt "$lookups" ]; }
    e2e_wait_for 20 e2e_tray_has_icon && e2e_wait_for 10 more_lookups || e2e_fail "launch: no icon or no session lookup"
}
# Visible rest windows, "x,y" each: one per 640x800 monitor.
rest_windows() {
    local id
    for id in $(xdotool search --onlyvisible --class tavo 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Position/ { p = $2 } /Geometry: 640x800/ { print p }'
    done | sort | tr '\n' ' '
}
rest_windows_become() {
    want() { [ "$(rest_windows)" = "$1" ]; }
    e2e_wait_for "${2:-3}" want "$1"
}

launch
# A panel restart brings the icon back.
kill "$E2E_TRAYER_PID"
e2e_wait_for 5 e2e_not xdotool search --class trayer || e2e_fail "trayer did not go away"
e2e_start_trayer
e2e_check -w 5 "icon back within 5 s of a tray restart" e2e_tray_has_icon
e2e_shot session-tray-again
e2e_terminate HUP
[ "$(e2e_tavo_window_count)" -eq 0 ] || e2e_fail "windows left after SIGHUP"

launch
# The first enabled line of the menu is "立即闭眼充能".
e2e_check "menu opened" e2e_open_menu
xdotool key Down Return
e2e_check "rest from the menu: a window on each monitor" rest_windows_become "0,0 640,0 " 10
sleep 1
e2e_shot session-rest

# Each way of going away hides the rest and coming back shows it again; the
# same signal from another connection changes nothing.
system_session=/org/freedesktop/login1/session/_31
rogue() {
    case $1 in
    locked | active)
        gdbus emit --address "$DBUS_SYSTEM_BUS_ADDRESS" --object-path "$system_session" \
            --signal org.freedesktop.DBus.Properties.PropertiesChanged org.freedesktop.login1.Session \
            "{'$([ "$1" = locked ] && echo LockedHint || echo Active)': <$2>}" "@as []" ;;
    saver) gdbus emit --session --object-path /org/freedesktop/ScreenSaver \
        --signal org.freedesktop.ScreenSaver.ActiveChanged "$2" ;;
    gnome) gdbus emit --session --object-path /org/gnome/ScreenSaver \
        --signal org.gnome.ScreenSaver.ActiveChanged "$2" ;;
    esac
}
for way in "locked true false" "active false true" "saver true false" "gnome true false"; do
    read -r source away back <<<"$way"
    echo "$source $away" >&3
    rest_windows_become "" || e2e_fail "$source $away from its owner left the rest on screen"
    rogue "$source" "$back"
    sleep 1
    [ -z "$(rest_windows)" ] || e2e_fail "$source $back from another program brought the rest back"
    echo "$source $back" >&3
    rest_windows_become "0,0 640,0 " || e2e_fail "$source $back from its owner did not bring the rest back"
    rogue "$source" "$away"
    sleep 1
    [ "$(rest_windows)" = "0,0 640,0 " ] || e2e_fail "$source $away from another program hid the rest"
    e2e_log "checked $source"
done
e2e_pass "lock, user switch and screen savers pause and resume only from their owners"

xrandr --delmonitor R >/dev/null
e2e_check "unplugged monitor's window closed at once" rest_windows_become "0,0 " 2
xrandr --setmonitor R 640/0x800/0+640+0 none >/dev/null
e2e_check "plugged-in monitor got its window at once" rest_windows_become "0,0 640,0 " 2

e2e_terminate TERM
[ "$(e2e_tavo_window_count)" -eq 0 ] || e2e_fail "windows left after SIGTERM during the rest"

launch
e2e_terminate INT
e2e_expect_events app_launched app_launched rest_started app_launched
e2e_finish
