# Shared pieces of the end-to-end scripts: a virtual display with a tray host
# and a notification server, a private D-Bus session, private XDG folders,
# and the real binary launched inside them. Source it, then call e2e_start.
set -u

E2E_OUT=${TAVO_E2E_OUT:-$(pwd)/e2e-out}
E2E_PIDS=()
E2E_FAILURES=0

e2e_log() { echo "e2e: $*"; }
e2e_fail() {
    echo "e2e: FAIL: $*"
    E2E_FAILURES=$((E2E_FAILURES + 1))
}
e2e_pass() { echo "e2e: ok: $*"; }

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    return 0
}

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
e2e_wait_for() {
    local timeout=$1
    shift
    local end=$((SECONDS + timeout))
    while [ $SECONDS -lt $end ]; do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.25
    done
    return 1
}

# e2e_start NAME: display :N, session bus, trayer, dunst, private home folders.
e2e_start() {
    local name=$1
    E2E_DIR=$(mktemp -d "/tmp/tavo-e2e-$name.XXXXXX")
    mkdir -p "$E2E_OUT"
    export HOME=$E2E_DIR/home
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
    export XDG_RUNTIME_DIR=$E2E_DIR/run
    mkdir -p "$XDG_CONFIG_HOME/Tavo" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset SESSION_MANAGER
    export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8

    # The server picks a free display itself, so parallel runs never collide.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$E2E_DIR/display" >"$E2E_DIR/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait_for 10 test -s "$E2E_DIR/display" || { e2e_fail "Xvfb did not start"; return 1; }
    export DISPLAY=:$(head -n 1 "$E2E_DIR/display")
    e2e_wait_for 10 xdpyinfo || { e2e_fail "Xvfb does not answer on $DISPLAY"; return 1; }

    eval "$(dbus-launch --sh-syntax)"
    export DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_PID

    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false --tint 0x303030 >"$E2E_DIR/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait_for 10 xdotool search --class trayer || { e2e_fail "trayer did not start"; return 1; }

    dunst -config /dev/null >"$E2E_DIR/dunst.log" 2>&1 &
    E2E_PIDS+=($!)
    trap e2e_cleanup EXIT
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
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "${1:-1}"
}

# Number of mapped top-level windows of Tavo's (menus, dialogs, rest windows).
e2e_tavo_window_count() { xdotool search --onlyvisible --class tavo 2>/dev/null | wc -l; }

# A mapped window of Tavo's covering the whole 1280x800 screen.
e2e_fullscreen_window_shown() {
    local id
    for id in $(xdotool search --onlyvisible --class tavo 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: 1280x800' && return 0
    done
    return 1
}
e2e_fullscreen_window_gone() { ! e2e_fullscreen_window_shown; }

e2e_events_file() { echo "$XDG_DATA_HOME/Tavo/Stats/events/$(date +%Y-%m).jsonl"; }

e2e_finish() {
    if [ "$E2E_FAILURES" -ne 0 ]; then
        echo "e2e: $E2E_FAILURES check(s) failed; logs in $E2E_DIR"
        sed 's/^/tavo: /' "$E2E_DIR/tavo.log" 2>/dev/null | tail -n 40
        return 1
    fi
    return 0
}
