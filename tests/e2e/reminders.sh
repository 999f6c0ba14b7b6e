#!/usr/bin/env bash
# Body reminders on a real desktop: with a one-minute drink interval a
# notification reaches the notification server, confirming it through the
# server's action menu records the drink, and dismissing the next one records
# a skip and shows the skip card, which is photographed.
source "$(dirname "$0")/lib.sh"
binary=$1

e2e_start reminders || exit 1

# The action is chosen through dunst's context menu, so this scenario runs its
# own dunst whose menu program picks the confirm line. The lib's dunst may
# still be starting: it acts on TERM only once its main loop runs, and may take
# the server's name first, after the check below has found it free. KILL ends it
# at once.
server_named() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q true
}
kill -KILL "${E2E_PIDS[-1]}" 2>/dev/null
unset 'E2E_PIDS[-1]'
e2e_wait_for 10 e2e_not server_named
cat >"$E2E_DIR/pick-confirm.sh" <<'PICK'
#!/bin/sh
grep -m 1 '水分充值'
PICK
chmod +x "$E2E_DIR/pick-confirm.sh"
cat >"$E2E_DIR/dunstrc" <<CONF
[global]
    dmenu = $E2E_DIR/pick-confirm.sh
    font = Noto Sans CJK SC 10
[urgency_normal]
    timeout = 0
CONF
dunst -config "$E2E_DIR/dunstrc" >"$E2E_DIR/dunst.log" 2>&1 &
E2E_PIDS+=($!)
# Tavo's first call to the server would otherwise have the bus start a dunst
# of its own (its service file), which may take the name before this one.
e2e_wait_for 10 server_named

e2e_settings "hydrationReminderIntervalMinutes=1" "pelvicFloorReminderEnabled=false"
e2e_launch "$binary"

shown() { [ "$(dunstctl count displayed)" -ge 1 ]; }
recorded() { e2e_events 'e["type"], e["source"]' | grep -qx "$1 $2"; }

e2e_check -w 80 "a notification after the one-minute interval" shown
e2e_check "prompt recorded" recorded hydration_prompt_shown scheduled
sleep 1
e2e_shot reminders-notification

dunstctl context
e2e_check -w 10 "confirming through the server records hydration_completed from the notification" \
    recorded hydration_completed notification
e2e_wait_for 5 sh -c '[ "$(dunstctl count displayed)" -eq 0 ]' || dunstctl close-all

# The confirmation moved the next reminder a whole interval ahead.
e2e_check -w 80 "the next reminder one interval later" shown
sleep 0.5
dunstctl close
e2e_check -w 5 "dismissal records hydration_skipped from the notification" recorded hydration_skipped notification
sleep 0.8
e2e_shot reminders-skip-toast
e2e_check "Tavo still running" e2e_tavo_alive
e2e_expect_events app_launched hydration_prompt_shown hydration_completed hydration_prompt_shown hydration_skipped
e2e_finish
