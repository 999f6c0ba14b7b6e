#!/usr/bin/env bash
# Body reminders on a real desktop: with a one-minute drink interval a
# notification reaches the notification server, confirming it through the
# server's action menu records the drink, and dismissing the next one records
# a skip and shows the skip card, which is photographed.
source "$(dirname "$0")/lib.sh"
binary=$1

e2e_start reminders || exit 1

# The action is chosen through dunst's context menu, so this scenario runs its
# own dunst whose menu program picks the confirm line.
kill "${E2E_PIDS[-1]}" 2>/dev/null
unset 'E2E_PIDS[-1]'
e2e_wait_for 10 sh -c '! dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q true'
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

e2e_settings "hydrationReminderIntervalMinutes=1" "pelvicFloorReminderEnabled=false"
e2e_launch "$binary"
events=$(e2e_events_file)

shown() { [ "$(dunstctl count displayed)" -ge 1 ]; }
recorded() { grep -q "\"type\":\"$1\"" "$events" && grep "\"type\":\"$1\"" "$events" | grep -q "\"source\":\"$2\""; }

if e2e_wait_for 80 shown; then e2e_pass "a notification after the one-minute interval"; else e2e_fail "no notification within 80 s"; fi
if recorded hydration_prompt_shown scheduled; then e2e_pass "prompt recorded"; else e2e_fail "no hydration_prompt_shown"; fi
sleep 1
e2e_shot reminders-notification

dunstctl context
if e2e_wait_for 10 recorded hydration_completed notification; then
    e2e_pass "confirming through the server records hydration_completed from the notification"
else
    e2e_fail "no hydration_completed with source notification"
fi
e2e_wait_for 5 sh -c '[ "$(dunstctl count displayed)" -eq 0 ]' || dunstctl close-all

# The confirmation moved the next reminder a whole interval ahead.
if e2e_wait_for 80 shown; then e2e_pass "the next reminder one interval later"; else e2e_fail "no second notification"; fi
sleep 0.5
dunstctl close
if e2e_wait_for 5 recorded hydration_skipped notification; then
    e2e_pass "dismissal records hydration_skipped"
else
    e2e_fail "no hydration_skipped with source notification"
fi
sleep 0.8
e2e_shot reminders-skip-toast
if e2e_tavo_alive; then e2e_pass "Tavo still running"; else e2e_fail "Tavo ended"; fi
grep -c hydration_ "$events" | xargs echo "e2e: hydration events:"
e2e_finish
