#!/usr/bin/env bash
# Takes the screenshots the AppStream description shows, rest.png and
# report.png in this folder, from a built binary under Xvfb: a rest started
# from the menu, and this month's report over a week of sample events.
# Usage: resources/screenshots/take.sh build/src/tavo; then commit both files.
here=$(cd "$(dirname "$0")" && pwd)
export TAVO_E2E_OUT=$here
export TZ=UTC
source "$here/../../tests/e2e/lib.sh"
binary=$(readlink -f "$1")

e2e_start screenshots || exit 1
stats=$XDG_DATA_HOME/Tavo/Stats
mkdir -p "$stats/events"
# Yesterday's report was offered already, so no prompt covers the picture.
echo "{\"lastDailyReportPromptDay\":\"$(date +%F)\"}" >"$stats/meta.json"

# A week of an ordinary office week: rests kept and a few skipped, water and exercises.
event() { # DAYS_AGO HOUR:MINUTE TYPE SOURCE PAYLOAD
    local at day
    at=$(date -u -d "$1 days ago $2" +%FT%TZ)
    day=$(date -d "$at" +%F)
    printf '{"id":"%s","timestamp":"%s","dayKey":"%s","monthKey":"%s","type":"%s","source":"%s","payload":%s,"appVersion":"1.0.0"}\n' \
        "$(cat /proc/sys/kernel/random/uuid | tr a-z A-Z)" "$at" "$day" "${day:0:7}" "$3" "$4" "$5" \
        >>"$stats/events/${day:0:7}.jsonl"
}
rest='{"plannedSeconds":20,"actualSeconds":20,"skippedSeconds":0,"workDurationSeconds":1200,"theme":"aurora"}'
skipped='{"plannedSeconds":20,"actualSeconds":6,"skippedSeconds":14,"workDurationSeconds":1200,"theme":"aurora"}'
for days in 6 5 4 3 2 1; do
    event "$days" 09:00 app_launched system '{}'
    for hour in 09 10 11 13 14 15 16 17; do
        event "$days" "$hour:20" rest_started scheduled "$rest"
        if [ $(((10#$hour + days) % 5)) -eq 0 ]; then
            event "$days" "$hour:20" rest_skipped manual "$skipped"
        else
            event "$days" "$hour:21" rest_completed scheduled "$rest"
        fi
    done
    for hour in 09 10 11 14 15 16; do
        [ $(((10#$hour + days) % 4)) -eq 0 ] && continue
        event "$days" "$hour:45" hydration_prompt_shown scheduled '{}'
        event "$days" "$hour:46" hydration_completed notification '{}'
    done
    for hour in 10 14 16; do
        event "$days" "$hour:05" pelvic_prompt_shown scheduled '{}'
        event "$days" "$hour:06" pelvic_completed notification '{}'
    done
done

e2e_launch "$binary"
e2e_wait_for 20 e2e_tray_has_icon || { e2e_fail "the tray icon did not dock"; exit 1; }
sleep 7 # past the launch greeting

# 健康统计 is the fourth line from the bottom; 本月月报 the third line of its submenu.
e2e_click_tray_icon
sleep 1
xdotool key Up Up Up Up Right Down Down Return
e2e_wait_for 5 xdotool search --onlyvisible --name '月报' || { e2e_fail "no report window"; exit 1; }
sleep 1
import -window "$(xdotool search --onlyvisible --name '月报' | head -n 1)" "$here/report.png"
xdotool key ctrl+w
sleep 1

# The first enabled line under the countdown is "立即闭眼充能".
e2e_click_tray_icon
sleep 1
xdotool key Down Return
e2e_wait_for 10 e2e_fullscreen_window_shown || { e2e_fail "no rest window"; exit 1; }
sleep 3 # past the entrance animations
e2e_shot rest
e2e_finish
