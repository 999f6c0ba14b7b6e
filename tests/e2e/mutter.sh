#!/usr/bin/env bash
# Tavo under mutter (GNOME's compositor, no layer shell) with two virtual
# monitors of different sizes: without a tray host Tavo says so after 10 s
# and keeps running, and a tray watcher started later gets its item; a rest
# started from the menu shows one window full screen on each monitor, as the
# program reports it; SIGTERM during the rest and while working ends Tavo
# cleanly.
source "$(dirname "$0")/wayland.sh"
wl_start mutter "$1"

mutter --headless --wayland --no-x11 --virtual-monitor 1920x1080 --virtual-monitor 1280x800 \
    --wayland-display wayland-g >"$E2E_DIR/mutter.log" 2>&1 &
E2E_PIDS+=($!)
wl_wait_socket wayland-g || { e2e_fail "mutter did not start"; exit 1; }

# GNOME without an AppIndicator extension: no tray host at all, until one starts.
e2e_launch "$TAVO_BINARY"
e2e_check -w 15 "no tray host after 10 s: said so" grep -q "no tray host" "$E2E_DIR/tavo.log"
e2e_check "kept running without a tray host" e2e_tavo_alive
wl_start_watcher || e2e_fail "tray watcher did not start"
e2e_check -w 5 "a tray host started later gets the item" wl_item_is_tavos

wl_rest_now || e2e_fail "no rest from the menu"
sleep 2
wl_expect_rest_windows "0,0 1920x1080 yes;1920,0 1280x800 yes;"

e2e_terminate TERM
wl_launch
e2e_terminate TERM
e2e_expect_events app_launched rest_started app_launched
e2e_finish
