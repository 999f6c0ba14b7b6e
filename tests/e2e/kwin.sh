#!/usr/bin/env bash
# Tavo under KWin (KDE Plasma's compositor) with two virtual outputs and a tray
# watcher of the test's own: a rest started from the menu puts one full-screen
# window on each output, as a KWin script and the program both report; an
# alert opens active; SIGTERM during the rest, and with the alert open, ends
# Tavo cleanly without recording the closed alert as an answer. KWin's fake
# input is out of reach here, so the skips are left to the sway scenario.
source "$(dirname "$0")/wayland.sh"
wl_start kwin "$1"

# The installed binary carries a file capability this sandbox refuses to run; a copy has none.
mkdir -p "$E2E_DIR/kwin"
cp /usr/bin/kwin_wayland "$E2E_DIR/kwin/kwin_wayland"
"$E2E_DIR/kwin/kwin_wayland" --virtual --width 1920 --height 1080 --output-count 2 --socket wayland-k \
    --no-lockscreen >"$E2E_DIR/kwin.log" 2>&1 &
E2E_PIDS+=($!)
wl_wait_socket wayland-k || { e2e_fail "KWin did not start"; exit 1; }
wl_start_watcher || e2e_fail "tray watcher did not start"
wl_launch || exit 1

# Tavo's windows as KWin has them: "x,y wxh fullScreen screen".
cat >"$E2E_DIR/windows.js" <<'JS'
var clients = workspace.clientList();
for (var i = 0; i < clients.length; i++) {
    var c = clients[i], g = c.frameGeometry;
    if (c.resourceClass == "tavo")
        print("TAVO-WINDOW " + g.x + "," + g.y + " " + g.width + "x" + g.height + " " + c.fullScreen + " " + c.screen
              + " " + (c.active ? "active" : "inactive"));
}
JS
tavo_windows() {
    local id before
    before=$(grep -c 'TAVO-WINDOW' "$E2E_DIR/kwin.log")
    id=$(gdbus call --session --dest org.kde.KWin --object-path /Scripting \
        --method org.kde.kwin.Scripting.loadScript "$E2E_DIR/windows.js" "tavo-$RANDOM" | tr -dc '0-9')
    gdbus call --session --dest org.kde.KWin --object-path "/$id" --method org.kde.kwin.Script.run >/dev/null
    sleep 0.5
    gdbus call --session --dest org.kde.KWin --object-path "/$id" --method org.kde.kwin.Script.stop >/dev/null
    grep -o 'TAVO-WINDOW .*' "$E2E_DIR/kwin.log" | tail -n +"$((before + 1))" | cut -d' ' -f2- | sort
}

wl_rest_now || e2e_fail "no rest from the menu"
sleep 2
windows=$(tavo_windows | cut -d' ' -f1-4 | tr '\n' ';')
e2e_check "KWin: one full-screen rest window per output: $windows" \
    test "$windows" = "0,0 1920x1080 true 0;1920,0 1920x1080 true 1;"
wl_expect_rest_windows "0,0 1920x1080 yes;1920,0 1920x1080 yes;"

e2e_terminate TERM
sleep 0.5
[ -z "$(tavo_windows)" ] || e2e_fail "windows left after SIGTERM"

wl_launch
wl_menu click "    立即喝水"
sleep 1
alert=$(tavo_windows | tr '\n' ';')
e2e_check "the alert, alone, opens active: $alert" grep -qx '[^;]* false [01] active;' <<<"$alert"
e2e_terminate TERM
# Nothing for ending, and the alert closed by it is no skip.
e2e_expect_events app_launched rest_started app_launched hydration_prompt_shown
e2e_finish
