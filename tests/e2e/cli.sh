#!/usr/bin/env bash
# The command line against the real Tavo on a private session bus: every
# command and its exit status, status --follow through a whole rest, reports
# read with and without a running Tavo and writing nothing, and the control
# service out of reach of another bus and another user. Tavo runs on Qt's
# offscreen platform: nothing checked here needs a display.
source "$(dirname "$0")/lib.sh"
binary=$1

E2E_DIR=$(mktemp -d /tmp/tavo-e2e-cli.XXXXXX)
e2e_private_home
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY SESSION_MANAGER

# A session bus as the standard one is, for this user only, but starting no
# services of its own: nothing here may come from outside the test.
cat >"$E2E_DIR/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF

# start_bus FILE: a private session bus; its address in FILE.
start_bus() {
    dbus-daemon --config-file="$E2E_DIR/bus.conf" --nofork --print-address=3 3>"$1" 2>/dev/null &
    E2E_PIDS+=($!)
    e2e_wait_for 5 test -s "$1"
}
start_bus "$E2E_DIR/bus"
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$E2E_DIR/bus")

# expect CODE DESCRIPTION COMMAND...: the command ends with that exit status.
expect() {
    local want=$1 what=$2 code
    shift 2
    "$@" >"$E2E_DIR/out" 2>"$E2E_DIR/err"
    code=$?
    if [ "$code" -eq "$want" ]; then
        e2e_pass "$what: exit $code"
    else
        e2e_fail "$what: exit $code, expected $want; said: $(cat "$E2E_DIR/out" "$E2E_DIR/err")"
    fi
}
json() { /usr/bin/python3 -c "import json, sys; d = json.load(sys.stdin); print($1)"; }

expect 0 "--help without a display or bus" env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM "$binary" --help
grep -q "report day|week|month" "$E2E_DIR/out" || e2e_fail "help does not name the report"
expect 0 "--version" env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM "$binary" --version
[ "$(cat "$E2E_DIR/out")" = "tavo 1.0.0" ] || e2e_fail "version: $(cat "$E2E_DIR/out")"
expect 2 "unknown command" "$binary" frobnicate
expect 3 "status with no Tavo" "$binary" status
[ "$(cat "$E2E_DIR/err")" = "Tavo: not running (start it with: tavo)" ] || e2e_fail "said: $(cat "$E2E_DIR/err")"
expect 0 "report with no Tavo and no health log" "$binary" report week
[ -e "$XDG_DATA_HOME" ] && e2e_fail "the report made $(find "$XDG_DATA_HOME")"

# A long work period and the shortest rest there is, five seconds.
e2e_settings "selectedRestModeTag=-1" "customRestModeWorkDuration=3600" "customRestModeRestDuration=5"
e2e_launch "$binary"
e2e_check -w 15 "Tavo answers" "$binary" status
expect 0 "a second Tavo" "$binary"
[ "$(cat "$E2E_DIR/out")" = "Tavo: already running" ] || e2e_fail "second Tavo said: $(cat "$E2E_DIR/out")"

expect 0 "status --json" "$binary" status --json
state=$(json 'd["class"], d["percentage"], sorted(d)' <"$E2E_DIR/out")
[ "$state" = "working 0 ['class', 'percentage', 'text', 'tooltip']" ] || e2e_fail "status: $state"

# StatusChanged signals on the bus within $1 seconds.
signals_in() {
    timeout "$1" dbus-monitor --address "$DBUS_SESSION_BUS_ADDRESS" \
        "type='signal',interface='org.tavo.Tavo',member='StatusChanged'" 2>/dev/null | grep -c StatusChanged
}
quiet=$(signals_in 3)
e2e_check "$quiet status signals while nobody follows" test "$quiet" -eq 0

"$binary" status --json --follow >"$E2E_DIR/follow" 2>&1 &
follower=$!
E2E_PIDS+=($follower)
e2e_wait_for 5 test -s "$E2E_DIR/follow" || e2e_fail "--follow printed nothing"
# The countdown moves every second: one signal a second, no more.
followed=$(signals_in 3)
e2e_check "$followed status signals in 3 s while followed" test "$followed" -ge 2 -a "$followed" -le 3
expect 0 "rest-now" "$binary" rest-now
states() {
    /usr/bin/python3 -c 'import json, sys
print(*(json.loads(line)["class"] for line in open(sys.argv[1])))' "$E2E_DIR/follow" 2>/dev/null | tr ' ' '\n' |
        uniq | tr '\n' ' '
}
states_are() { [ "$(states)" = "$1" ]; }
e2e_check -w 15 "--follow: a line when the rest started and when it ended" states_are "working resting working "
expect 0 "rest-now" "$binary" rest-now
e2e_wait_for 15 states_are "working resting working resting working " || e2e_fail "second rest: $(states)"

# A pause names its end and holds the scheduled rests; a rest asked for still comes.
expect 2 "pause of an unknown length" "$binary" pause 3h
grep -q "30m, 1h, 2h, tomorrow" "$E2E_DIR/err" || e2e_fail "said: $(cat "$E2E_DIR/err")"
expect 0 "pause 1h" "$binary" pause 1h
[ "$(cat "$E2E_DIR/out")" = "⏸ 已暂停，$(date -d '+1 hour' +%H:%M) 恢复" ] || e2e_fail "pause said: $(cat "$E2E_DIR/out")"
e2e_wait_for 5 states_are "working resting working resting working paused " || e2e_fail "paused: $(states)"
expect 0 "rest-now while paused" "$binary" rest-now
expect 0 "status --json while paused" "$binary" status --json
[ "$(json 'd["class"]' <"$E2E_DIR/out")" = resting ] || e2e_fail "status: $(cat "$E2E_DIR/out")"
e2e_wait_for 15 states_are "working resting working resting working paused resting paused " ||
    e2e_fail "a rest asked for during a pause: $(states)"
expect 0 "resume" "$binary" resume
[ "$(cat "$E2E_DIR/out")" = "⏳ 距离眼睛下班还有 60:00" ] || e2e_fail "resume said: $(cat "$E2E_DIR/out")"
e2e_wait_for 5 states_are "working resting working resting working paused resting paused working " ||
    e2e_fail "resumed: $(states)"

expect 0 "drink" "$binary" drink
grep -q 💧 "$E2E_DIR/out" || e2e_fail "drink said: $(cat "$E2E_DIR/out")"
expect 0 "exercise" "$binary" exercise
grep -q 🫧 "$E2E_DIR/out" || e2e_fail "exercise said: $(cat "$E2E_DIR/out")"
# Confirmed as from the menu, without a prompt.
confirmations=$(e2e_events 'e["type"], e["source"], e["payload"].get("countAfter"), e["payload"].get("guidedSeconds")' \
    'e["type"].startswith(("hydration", "pelvic"))' | tr '\n' ';')
e2e_check "drink and exercise recorded: $confirmations" \
    test "$confirmations" = "hydration_completed manual 1 None;pelvic_completed manual 1 0;"

# Only on its own session bus.
start_bus "$E2E_DIR/other-bus"
other=$(head -n 1 "$E2E_DIR/other-bus")
names() { dbus-send "$@" --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.ListNames; }
names --bus="$DBUS_SESSION_BUS_ADDRESS" | grep -q '"org.tavo.Tavo"' || e2e_fail "not on its own bus"
names --bus="$other" | grep -q '"org.tavo.Tavo"' && e2e_fail "seen on another session bus"
expect 3 "status on another session bus" env DBUS_SESSION_BUS_ADDRESS="$other" "$binary" status
if [ -S /run/dbus/system_bus_socket ]; then
    names --system | grep -q '"org.tavo.Tavo"' && e2e_fail "on the system bus"
else
    e2e_log "no system bus on this machine"
fi
# Another user reaches neither the bus nor the health log.
if [ "$(id -u)" -eq 0 ]; then
    e2e_make_user
    mkdir -m 755 "$E2E_DIR/bin" && cp "$binary" "$E2E_DIR/bin/tavo" && chmod 755 "$E2E_DIR" "$E2E_DIR/bin/tavo"
    chmod 700 "$HOME"
    as_other() { runuser -u "$E2E_USER" -- env -i PATH="$PATH" LC_ALL=C.UTF-8 "$@"; }
    expect 3 "status as another user" as_other DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
        "$E2E_DIR/bin/tavo" status
    expect 4 "report of a health log another user cannot read" as_other XDG_DATA_HOME="$XDG_DATA_HOME" \
        "$E2E_DIR/bin/tavo" report day
    grep -q "^Tavo: cannot read the health log: $XDG_DATA_HOME/Tavo/Stats: " "$E2E_DIR/err" ||
        e2e_fail "said: $(cat "$E2E_DIR/err")"
else
    e2e_log "not root: the other user's checks are skipped"
fi

before=$(find "$XDG_DATA_HOME" -type f -exec md5sum {} + | sort)
expect 0 "report day --json beside a running Tavo" "$binary" report day --json
totals=$(json '" ".join(str(d["total"][k]) for k in ("restCompletedCount", "hydrationCompletedCount", "pelvicCompletedCount"))' <"$E2E_DIR/out")
[ "$totals" = "3 1 1" ] || e2e_fail "report totals: $totals"

expect 0 "quit" "$binary" quit
e2e_expect_end "tavo quit" 5
wait "$follower"
code=$?
last=$(tail -n 2 "$E2E_DIR/follow" | head -n 1 | json 'repr(d["text"]), repr(d["class"])')
if [ $code -eq 3 ] && [ "$last" = "'' ''" ] && [ "$(tail -n 1 "$E2E_DIR/follow")" = "Tavo: not running any more" ]; then
    e2e_pass "--follow clears the bar and ends with status 3 when Tavo ends"
else
    e2e_fail "--follow ended with $code, last lines: $(tail -n 2 "$E2E_DIR/follow")"
fi
expect 3 "status after quit" "$binary" status
expect 0 "report after quit" "$binary" report day
e2e_check "reports wrote nothing" test "$(find "$XDG_DATA_HOME" -type f -exec md5sum {} + | sort)" = "$before"
e2e_finish
