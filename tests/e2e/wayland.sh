# Shared pieces of the Wayland scripts. Compositors refuse to run as root: a
# script started as root runs itself again as an unprivileged user, created
# when missing. Inside, it has a private session bus, private XDG folders and
# a copy of the binary, and ends only what it started. Source it, then call
# wl_start NAME BINARY before anything else.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"

wl_start() {
    local name=$1 binary=$2
    if [ -n "${TAVO_E2E_INNER:-}" ]; then
        E2E_DIR=$TAVO_E2E_DIR
        TAVO_BINARY=$binary
        e2e_private_home
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
        e2e_make_user || exit 1
        chown -R "$E2E_USER:" "$dir"
        runuser -u "$E2E_USER" -- "${inner[@]}"
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
    e2e_check -w 20 "tray item registered" wl_item_is_tavos
}

# The program's last word on each rest window of the current rest: "X,Y SCREEN WxH FULLSCREEN ACTIVE".
wl_rest_windows() {
    tail -n +"$((WL_REST_MARK + 1))" "$E2E_DIR/tavo.err" |
        sed -n 's/.*rest window for \([-0-9,]*\) on \([^:]*\): \([0-9x]*\), full screen \([a-z]*\), active \([a-z]*\)$/\1 \2 \3 \4 \5/p' |
        awk '{ last[$1] = $0 } END { for (f in last) print last[f] }' | sort -n
}

# wl_expect_rest_windows "X,Y WxH FULLSCREEN;...": the program's view of the rest
# windows, each on an output of its own.
wl_expect_rest_windows() {
    wl_rest_windows_are() {
        [ "$(wl_rest_windows | cut -d' ' -f1,3,4 | tr '\n' ';')" = "$1" ] &&
            [ "$(wl_rest_windows | cut -d' ' -f2 | sort -u | wc -l)" -eq "$(wl_rest_windows | wc -l)" ]
    }
    e2e_check "the program's rest windows: $(wl_rest_windows | tr '\n' ';')" wl_rest_windows_are "$1"
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
