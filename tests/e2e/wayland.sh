# Shared pieces of the Wayland scripts. Compositors refuse to run as root: a
# script started as root runs itself again as an unprivileged user, created
# when missing. Inside, it has a private session bus, private XDG folders and
# a copy of the binary, and ends only what it started. Source it, then call
# wl_start NAME BINARY before anything else.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"

WL_USER=tavo-e2e

wl_start() {
    local name=$1 binary=$2
    if [ -n "${TAVO_E2E_INNER:-}" ]; then
        E2E_MAIN_PID=$BASHPID
        trap e2e_cleanup EXIT
        E2E_DIR=$TAVO_E2E_DIR
        TAVO_BINARY=$binary
        export HOME=$E2E_DIR/home
        export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
        export XDG_RUNTIME_DIR=$E2E_DIR/run
        mkdir -p "$XDG_CONFIG_HOME/Tavo" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
        chmod 700 "$XDG_RUNTIME_DIR"
        # Where each rest window ended up, as the program sees it.
        export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=wayland QT_LOGGING_RULES="tavo.restwindow.debug=true"
        return 0
    fi

    local dir code
    dir=$(mktemp -d "/tmp/tavo-e2e-$name.XXXXXX")
    chmod 755 "$dir"
    mkdir -p "$dir/bin" "$dir/out"
    cp "$binary" "$dir/bin/tavo"
    cp "$here"/*.sh "$here"/*.py "$dir/bin/"
    local inner=(env -i PATH="$PATH" TAVO_E2E_INNER=1 TAVO_E2E_DIR="$dir" TAVO_E2E_OUT="$dir/out"
        dbus-run-session -- bash "$dir/bin/$(basename "$0")" "$dir/bin/tavo")
    if [ "$(id -u)" -eq 0 ]; then
        if ! id -u "$WL_USER" >/dev/null 2>&1; then
            useradd --system --user-group --no-create-home --home-dir /nonexistent \
                --shell /usr/sbin/nologin "$WL_USER" || exit 1
        fi
        chown -R "$WL_USER:" "$dir"
        runuser -u "$WL_USER" -- "${inner[@]}"
    else
        "${inner[@]}"
    fi
    code=$?
    mkdir -p "$E2E_OUT"
    cp "$dir/out/"* "$E2E_OUT/" 2>/dev/null
    # A failure keeps its logs.
    if [ $code -eq 0 ]; then rm -rf "$dir"; else echo "e2e: logs in $dir"; fi
    exit $code
}

# Waits for the compositor's socket $1 in the runtime folder.
wl_wait_socket() {
    e2e_wait_for 20 test -S "$XDG_RUNTIME_DIR/$1" && export WAYLAND_DISPLAY=$1
}

wl_menu() { /usr/bin/python3 "$here/dbusmenu.py" "$@"; }

# A tray host of the test's own, for compositors without a panel here.
wl_start_watcher() {
    /usr/bin/python3 "$here/sni_watcher.py" >"$E2E_DIR/watcher.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait_for 10 grep -q "watcher ready" "$E2E_DIR/watcher.log"
}

wl_item_is_tavos() { [ "$(wl_menu pid 2>/dev/null)" = "$TAVO_PID" ]; }

wl_launch() {
    e2e_launch "$TAVO_BINARY"
    if e2e_wait_for 20 wl_item_is_tavos; then
        e2e_pass "tray item registered"
    else
        e2e_fail "no tray item registered"
        return 1
    fi
}

# The program's last word on each rest window of the current rest: "X,Y SCREEN WxH FULLSCREEN ACTIVE".
wl_rest_windows() {
    tail -n +"$((WL_REST_MARK + 1))" "$E2E_DIR/tavo.err" |
        sed -n 's/.*rest window for \([-0-9,]*\) on \([^:]*\): \([0-9x]*\), full screen \([a-z]*\), active \([a-z]*\)$/\1 \2 \3 \4 \5/p' |
        awk '{ last[$1] = $0 } END { for (f in last) print last[f] }' | sort -n
}

wl_rests_started() { grep -c "rest windows" "$E2E_DIR/tavo.log"; }

# Starts a rest from the menu's "立即闭眼充能" line, as a tray host would.
wl_rest_now() {
    local before
    before=$(wl_rests_started)
    WL_REST_MARK=$(wc -l <"$E2E_DIR/tavo.err")
    wl_menu click "    立即闭眼充能" || return 1
    wl_more_rests() { [ "$(wl_rests_started)" -gt "$before" ]; }
    e2e_wait_for 10 wl_more_rests
}
