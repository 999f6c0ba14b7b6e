#!/usr/bin/env bash
# What a rest costs, measured beside a peer's break screen (Safe Eyes) in the
# same run on the same virtual display, under Xvfb with a tray host:
#   - CPU (% of one core) during 15 s of a 20-second rest, per theme and
#     for the classic backdrop;
#   - resident memory (RSS) added by the rest (peak during it, over the idle
#     figure before it), how much of that is pages mapped from files (fonts
#     read for the rest's text), and what is still added 10 s after it ended;
#   - for the aurora theme and the peer, the same on two 3840x2160 screens
#     (two outputs of Xorg's dummy driver side by side);
#   - from bench_rest_frames on the same display: animation ticks more than
#     one tick late and pixels repainted per second, per theme.
# The wallpaper theme shows the cached test photo of the suites' kind: a
# 1920x1080 JPEG written into the private cache before launch. Before that
# photo exists it shows the classic backdrop (the glows and the loading
# line), measured as "classic".
# Usage: bench/rest.sh path/to/tavo path/to/bench_rest_frames
# Needs the packages of scripts/install-deps.sh --bench (safeeyes, xrandr,
# Xorg's dummy driver).
source "$(dirname "$0")/../tests/e2e/lib.sh"
tavo=$1
frames=$2
E2E_OUT=$(mktemp -d)
ticks=$(getconf CLK_TCK)
cpu_of() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_of() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; } # kB
file_of() { awk '/^RssFile:/ {print $2}' "/proc/$1/status"; } # kB of it mapped from files (fonts, libraries)

# watch_peak PID SECONDS: in the background, the highest RSS of the process
# (and its file pages then) in samples every 0.05 s for the seconds given,
# written to $E2E_DIR/peak. Started as the rest is asked for: the pictures
# of a rest are made in its first second, and their temporaries come and go
# in tens of milliseconds. Reads with the shell's own builtins, so that the
# sampling forks nothing.
watch_peak() {
    local pid=$1 end=$((SECONDS + $2)) peak=0 peak_file=0 key value rss file pause
    exec {pause}<> <(:) # a pipe never written to: reads on it time out
    while [ $SECONDS -lt $end ] && [ -r "/proc/$pid/status" ]; do
        rss=0 file=0
        while read -r key value _; do
            case $key in
            VmRSS:) rss=$value ;;
            RssFile:) file=$value ;;
            esac
        done <"/proc/$pid/status" 2>/dev/null
        [ "$rss" -gt "$peak" ] && peak=$rss && peak_file=$file
        read -r -t 0.05 -u "$pause" || true
    done
    echo "$peak $peak_file" >"$E2E_DIR/peak"
}

# measure PID IDLE_KB REST_SECONDS IDLE_FILE_KB: prints "cpu% added_MB after_MB"
# once the rest is on, with the peak from watch_peak.
measure() {
    local pid=$1 idle=$2 rest=$3 idle_file=$4 before after t0 t1 peak peak_file
    sleep 1 # past the entrance
    before=$(cpu_of "$pid")
    t0=$(date +%s.%N)
    sleep 15
    after=$(cpu_of "$pid")
    t1=$(date +%s.%N)
    sleep $((rest - 16 + 10)) # to the end of the rest, then 10 s more
    wait "$WATCH_PID"
    read -r peak peak_file <"$E2E_DIR/peak"
    awk -v c0="$before" -v c1="$after" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v idle="$idle" \
        -v peak="$peak" -v later="$(rss_of "$pid")" -v files=$((peak_file - idle_file)) 'BEGIN {
        printf "CPU %5.2f %% of one core, RSS added %5.1f MB (%4.1f MB of it file pages), still added 10 s after %5.1f MB\n",
            (c1 - c0) / hz / (t1 - t0) * 100, (peak - idle) / 1024, files / 1024, (later - idle) / 1024
    }'
}

# tavo_rest THEME LABEL
tavo_rest() {
    e2e_settings "selectedTheme=$1" "wallpaperServiceBaseURL=http://127.0.0.1:9"
    e2e_launch "$tavo"
    e2e_wait_for 30 e2e_tray_has_icon || { echo "tray icon never docked"; return 1; }
    sleep 5
    local idle idle_file
    idle=$(rss_of "$TAVO_PID")
    idle_file=$(file_of "$TAVO_PID")
    e2e_click_tray_icon
    sleep 1
    xdotool key Down Return # 立即闭眼充能
    watch_peak "$TAVO_PID" 22 &
    WATCH_PID=$!
    e2e_wait_for 10 e2e_fullscreen_window_shown || { echo "no rest window"; return 1; }
    printf '%-26s ' "Tavo $2"
    measure "$TAVO_PID" "$idle" 20 "$idle_file"
    kill -KILL "$TAVO_PID"
    wait "$TAVO_PID" 2>/dev/null || true # killed: the status is not a failure
}

# safeeyes_break LABEL: Safe Eyes' short break (15 s by default) taken at once.
safeeyes_break() {
    rm -rf "$XDG_CONFIG_HOME/safeeyes" "$HOME/.config/safeeyes"
    # Safe Eyes listens for suspend on the system bus and will not start
    # without one; a private bus of our own stands in for it.
    local bus bus_pid
    read -r bus bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
    E2E_PIDS+=("$bus_pid")
    DBUS_SYSTEM_BUS_ADDRESS=${bus} safeeyes >"$E2E_DIR/safeeyes.log" 2>&1 &
    local pid=$!
    sleep 8
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "Safe Eyes did not start: $(tail -n 1 "$E2E_DIR/safeeyes.log")"
        return 1
    fi
    local idle idle_file
    idle=$(rss_of "$pid")
    idle_file=$(file_of "$pid")
    watch_peak "$pid" 17 &
    WATCH_PID=$!
    DBUS_SYSTEM_BUS_ADDRESS=${bus} safeeyes --take-break >/dev/null 2>&1
    sleep 1
    printf '%-26s ' "Safe Eyes $1"
    measure "$pid" "$idle" 15 "$idle_file"
    kill "$pid"
    wait "$pid" 2>/dev/null
}

photo() {
    mkdir -p "$XDG_CACHE_HOME"
    convert -size 1920x1080 gradient:'#285aaa-#fabe8c' -fill '#283c46' \
        -draw 'polygon 0,760 380,420 700,640 1100,360 1500,620 1920,450 1920,1080 0,1080' \
        -fill '#ffe6aa' -draw 'circle 1400,420 1490,420' -quality 95 "$XDG_CACHE_HOME/cached_wallpaper_v2.jpg"
}

echo "== one 1920x1080 screen"
E2E_SCREEN=1920x1080 E2E_REST_SIZE=1920x1080
e2e_start bench-rest || exit 1
tavo_rest wallpaper classic || exit 1
printf '%-26s ' "frames classic"
XDG_CACHE_HOME=$E2E_OUT "$frames" wallpaper 15 2>/dev/null | tail -n 1
photo
for theme in aurora wallpaper ultraman; do
    tavo_rest "$theme" "$theme" || exit 1
done
safeeyes_break "break screen"
for theme in aurora wallpaper ultraman; do
    printf '%-26s ' "frames $theme"
    "$frames" "$theme" 15 2>/dev/null | tail -n 1
done
e2e_cleanup
E2E_PIDS=()

# Two real 3840x2160 outputs side by side, in place of the lib's Xvfb. Xvfb
# has a single output, whose own monitor stays (and cannot be deleted) beside
# any added with xrandr --setmonitor: Qt saw three screens there, GTK only
# the one with a connected output. Xorg's dummy driver has sixteen outputs
# that can be switched on one by one.
e2e_start_xvfb() {
    printf 'Section "Device"\n Identifier "dummy"\n Driver "dummy"\n VideoRam 256000\nEndSection\n' \
        >"$E2E_DIR/xorg.conf"
    e2e_start_x_server Xorg -config "$E2E_DIR/xorg.conf" -noreset -nolisten tcp \
        -logfile "$E2E_DIR/xorg.log" >/dev/null 2>&1 || return 1
    xrandr --newmode 3840x2160 533.25 3840 3888 3920 4000 2160 2163 2168 2222 +hsync -vsync &&
        xrandr --addmode DUMMY0 3840x2160 && xrandr --addmode DUMMY1 3840x2160 &&
        xrandr --fb 7680x2160 --output DUMMY0 --mode 3840x2160 --pos 0x0 --primary \
            --output DUMMY1 --mode 3840x2160 --pos 3840x0 &&
        [ "$(xrandr --listmonitors | head -n 1)" = "Monitors: 2" ]
}

echo "== two 3840x2160 screens"
E2E_REST_SIZE=3840x2160
e2e_start bench-rest-4k || exit 1
tavo_rest aurora "aurora, 2 x 4K" || exit 1
safeeyes_break "break screen, 2 x 4K"
e2e_cleanup
