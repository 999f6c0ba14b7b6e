# Shared pieces of the end-to-end scripts: a virtual display with a tray host
# and a notification server, a private D-Bus session, private XDG folders,
# and the real binary launched inside them. Source it, then call e2e_start.
set -u

E2E_OUT=${TAVO_E2E_OUT:-$(pwd)/e2e-out}
# The virtual screen, and the size of one rest window on it.
E2E_SCREEN=${E2E_SCREEN:-1280x800}
E2E_REST_SIZE=${E2E_REST_SIZE:-$E2E_SCREEN}
E2E_PIDS=()
E2E_FAILURES=0

e2e_log() { echo "e2e: $*"; }
e2e_fail() {
    echo "e2e: FAIL: $*"
    E2E_FAILURES=$((E2E_FAILURES + 1))
}
e2e_pass() { echo "e2e: ok: $*"; }

e2e_cleanup() {
    # A child forked for a background command inherits the trap until it
    # execs; only the script itself may take the session down.
    [ "$BASHPID" = "${E2E_MAIN_PID:-}" ] || return 0
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    return 0
}

# Waits up to $1 seconds for the command in the remaining arguments to succeed
# (tried at least once).
e2e_wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.25
    done
}

# Succeeds when the command fails: for e2e_wait_for and e2e_check.
e2e_not() { ! "$@"; }

# e2e_check [-w SECONDS] WHAT COMMAND...: WHAT passes when the command succeeds
# (within the seconds given) and fails otherwise, answering false.
e2e_check() {
    local timeout=0
    if [ "$1" = -w ]; then
        timeout=$2
        shift 2
    fi
    local what=$1
    shift
    if e2e_wait_for "$timeout" "$@"; then
        e2e_pass "$what"
    else
        e2e_fail "not so: $what$([ "$timeout" = 0 ] || echo " (within $timeout s)")"
        return 1
    fi
}

# Private home and XDG folders under $E2E_DIR; only this script ends what it started.
e2e_private_home() {
    E2E_MAIN_PID=$BASHPID
    trap e2e_cleanup EXIT
    export HOME=$E2E_DIR/home
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
    export XDG_RUNTIME_DIR=$E2E_DIR/run
    mkdir -p "$XDG_CONFIG_HOME/Tavo" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# An unprivileged user for what must not run as root, created when missing.
E2E_USER=tavo-e2e
e2e_make_user() {
    id -u "$E2E_USER" >/dev/null 2>&1 || useradd --system --user-group --no-create-home \
        --home-dir /nonexistent --shell /usr/sbin/nologin "$E2E_USER"
}

# e2e_start_x_server COMMAND...: starts an X server that chooses a free display
# itself (-displayfd): it takes the first number whose lock file and sockets,
# abstract ones included, are all its own, so runs in parallel or in other
# containers sharing the socket namespace never meet on one. Exports DISPLAY.
e2e_start_x_server() {
    local number=$E2E_DIR/display pid
    : >"$number"
    "$@" -displayfd 3 3>"$number" &
    pid=$!
    if e2e_wait_for 30 grep -q '^[0-9]' "$number" && kill -0 "$pid" 2>/dev/null; then
        E2E_PIDS+=("$pid")
        export DISPLAY=:$(head -n 1 "$number")
        return 0
    fi
    kill -KILL "$pid" 2>/dev/null
    return 1
}

e2e_start_xvfb() {
    e2e_start_x_server Xvfb -screen 0 "${E2E_SCREEN}x24" -nolisten tcp >"$E2E_DIR/xvfb.log" 2>&1 ||
        { e2e_log "Xvfb: $(tail -n 5 "$E2E_DIR/xvfb.log" | tr '\n' ' ')"; return 1; }
}

# e2e_start NAME: display :N, session bus, trayer, dunst, private home folders.
e2e_start() {
    E2E_DIR=$(mktemp -d "/tmp/tavo-e2e-$1.XXXXXX")
    e2e_private_home
    mkdir -p "$E2E_OUT"
    unset SESSION_MANAGER
    export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8

    e2e_start_xvfb || { e2e_fail "Xvfb did not start"; return 1; }

    eval "$(dbus-launch --sh-syntax)"
    export DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

    e2e_start_trayer || return 1

    dunst -config /dev/null >"$E2E_DIR/dunst.log" 2>&1 &
    E2E_PIDS+=($!)
}

# trayer now and then dies before it maps its panel under load: start it again.
e2e_start_trayer() {
    local attempt
    for attempt in 1 2 3; do
        trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
            --transparent false --tint 0x303030 >"$E2E_DIR/trayer.log" 2>&1 &
        E2E_TRAYER_PID=$!
        if e2e_wait_for 10 xdotool search --class trayer; then
            E2E_PIDS+=($E2E_TRAYER_PID)
            return 0
        fi
        kill -KILL "$E2E_TRAYER_PID" 2>/dev/null
        e2e_log "trayer attempt $attempt failed: $(tr '\n' ' ' <"$E2E_DIR/trayer.log")"
    done
    e2e_fail "trayer did not start"
    return 1
}

# e2e_settings KEY=VALUE...: writes the settings file before launch.
e2e_settings() {
    {
        echo "[General]"
        printf '%s\n' "$@"
    } >"$XDG_CONFIG_HOME/Tavo/Tavo.conf"
}

# e2e_launch BINARY: starts Tavo, its output in $E2E_DIR/tavo.log.
e2e_launch() {
    "$1" >"$E2E_DIR/tavo.log" 2>"$E2E_DIR/tavo.err" &
    TAVO_PID=$!
    E2E_PIDS+=($TAVO_PID)
}

e2e_tavo_alive() { kill -0 "$TAVO_PID" 2>/dev/null; }

e2e_shot() {
    import -window root "$E2E_OUT/$1.png"
    e2e_log "screenshot $E2E_OUT/$1.png"
}

# The docked tray icon: Tavo's small window inside the tray host's panel,
# printed as "x y width height" in root coordinates.
e2e_tray_icon_geometry() {
    xwininfo -root -tree | awk '/\("tavo" "Tavo"\)/ {
        split($0, parts, ")"); geo = parts[2]
        if (match(geo, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+)/)) {
            n = split(substr(geo, RSTART, RLENGTH), f, /[x+ ]+/)
            if (f[1] <= 64 && f[2] <= 64 && f[n-1] >= 0) { print f[n-1], f[n], f[1], f[2]; exit 0 }
        }
    }' | grep .
}

e2e_tray_has_icon() { e2e_tray_icon_geometry >/dev/null; }

# Clicks the middle of the docked icon.
e2e_click_tray_icon() {
    local x y w h
    read -r x y w h < <(e2e_tray_icon_geometry) || return 1
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

# Number of mapped top-level windows of Tavo's (menus, dialogs, rest windows).
e2e_tavo_window_count() { xdotool search --onlyvisible --class tavo 2>/dev/null | wc -l; }

# Clicks the icon and waits for the status menu's window.
e2e_open_menu() {
    local before
    before=$(e2e_tavo_window_count)
    e2e_click_tray_icon
    e2e_wait_for 5 e2e_more_windows_than "$before"
}
e2e_more_windows_than() { [ "$(e2e_tavo_window_count)" -gt "$1" ]; }

# A mapped window of Tavo's covering a whole screen.
e2e_fullscreen_window_shown() {
    local id
    for id in $(xdotool search --onlyvisible --class tavo 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: $E2E_REST_SIZE" && return 0
    done
    return 1
}

e2e_events_file() { echo "$XDG_DATA_HOME/Tavo/Stats/events/$(date +%Y-%m).jsonl"; }

# e2e_events EXPRESSION [FILTER]: the Python expression (a tuple prints as
# words) of each recorded event e for which FILTER holds, one a line; fails
# when a line is no JSON event.
e2e_events() {
    /usr/bin/python3 -c 'import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    e = json.loads(line)
    if eval(sys.argv[3]):
        v = eval(sys.argv[2])
        print(*(v if isinstance(v, tuple) else (v,)))' \
        "$(e2e_events_file)" "$1" "${2:-True}"
}
e2e_event_types() { e2e_events 'e["type"]'; }

# e2e_expect_events TYPE...: the event file holds exactly these events, in order, each line whole.
e2e_expect_events() {
    local types
    if ! types=$(e2e_event_types); then
        e2e_fail "event file damaged"
        return 1
    fi
    types=$(echo $types)
    if [ "$types" = "$*" ]; then e2e_pass "events as expected: $*"; else e2e_fail "events: $types; expected: $*"; fi
}

# Ended (a zombie until waited for counts as ended).
e2e_tavo_gone() { ! e2e_tavo_alive || grep -q '^State:.*Z' "/proc/$TAVO_PID/status" 2>/dev/null; }

# e2e_expect_end WHAT SECONDS: after WHAT, Tavo ends with exit status 0 within the time.
e2e_expect_end() {
    local code deadline=$(($(date +%s%N) + $2 * 1000000000))
    until e2e_tavo_gone; do
        if [ "$(date +%s%N)" -gt $deadline ]; then
            e2e_fail "Tavo still running $2 s after $1"
            return 1
        fi
        sleep 0.05
    done
    wait "$TAVO_PID"
    code=$?
    if [ $code -ne 0 ]; then
        e2e_fail "$1 ended Tavo with status $code"
        return 1
    fi
    e2e_pass "$1 ended Tavo with status 0 within $2 s"
}

# e2e_terminate SIGNAL: sends it to Tavo, which must end with exit status 0 within 2 s.
e2e_terminate() {
    kill -"$1" "$TAVO_PID"
    e2e_expect_end "SIG$1" 2
}

e2e_finish() {
    if [ "$E2E_FAILURES" -ne 0 ]; then
        echo "e2e: $E2E_FAILURES check(s) failed; logs in $E2E_DIR"
        sed 's/^/tavo: /' "$E2E_DIR/tavo.log" 2>/dev/null | tail -n 40
        return 1
    fi
    return 0
}
