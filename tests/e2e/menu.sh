#!/usr/bin/env bash
# The status menu on a real display: the countdown keeps moving while the
# menu is open; a rhythm and a theme picked from their submenus are stored
# and checked; launch at login names the installed binary; About and the
# rhythm dialog open above everything; Ctrl+Q in a dialog ends Tavo.
source "$(dirname "$0")/lib.sh"
binary=$1

e2e_start menu || exit 1
e2e_launch "$binary"
settings=$XDG_CONFIG_HOME/Tavo/Tavo.conf
autostart=$XDG_CONFIG_HOME/autostart/tavo.desktop

e2e_check -w 20 "tray icon docked" e2e_tray_has_icon
# Past the launch greeting, so the countdown line shows.
sleep 7

# Waits until Tavo shows exactly $1 windows.
windows_become() { e2e_wait_for 5 test "$(e2e_tavo_window_count)" -eq "$1"; }
keys() {
    local key
    for key in "$@"; do
        xdotool key "$key"
        sleep 0.2
    done
}

resting_count=$(e2e_tavo_window_count)
e2e_check "menu opened" e2e_open_menu
sleep 0.5
e2e_shot menu-open-1
sleep 3
e2e_shot menu-open-2
# Only the countdown line differs between the two pictures.
changed=$(compare -metric AE "$E2E_OUT/menu-open-1.png" "$E2E_OUT/menu-open-2.png" null: 2>&1 || true)
if [ "${changed%% *}" -gt 0 ] 2>/dev/null; then
    e2e_pass "countdown moved while the menu stayed open ($changed pixels)"
else
    e2e_fail "menu picture did not change in 3 s ($changed)"
fi

# Enabled lines from the top: 立即闭眼充能, ⏸ 暂停护眼, 护眼节奏, 切换休息主题, ...
keys Down Down Down Right Down Return
windows_become "$resting_count"
e2e_check -w 3 "45-minute rhythm chosen and stored" grep -q '^selectedRestModeTag=2700300$' "$settings"

e2e_open_menu
keys Down Down Down Down Right Down Down Return
windows_become "$resting_count"
e2e_check -w 3 "theme 光之巨人 chosen and stored" grep -q '^selectedTheme=ultraman$' "$settings"

# The bottom lines, from below: 退出, 关于 Tavo, 开机自启. The entry starts the
# installed program, never this build's binary; with none installed, an alert
# says so and nothing is written.
e2e_open_menu
keys Up Up Up Return
refused() { grep -qF "Tavo: 设置开机自启失败: 找不到已安装的程序" "$E2E_DIR/tavo.log"; }
if e2e_wait_for 3 refused; then
    e2e_wait_for 5 xdotool search --onlyvisible --name '^Tavo$' || e2e_fail "no alert for the refused entry"
    keys Return
    if [ -e "$autostart" ]; then e2e_fail "entry written though refused"; else e2e_pass "not installed: autostart refused"; fi
elif grep -q '^Exec="/.*/bin/tavo"$' "$autostart" 2>/dev/null && ! grep -qF "$(readlink -f "$binary")" "$autostart"; then
    e2e_pass "autostart entry runs the installed binary"
else
    e2e_fail "autostart entry: $(cat "$autostart" 2>/dev/null)"
fi
windows_become "$resting_count"

e2e_open_menu
keys Down Down Down Right
sleep 0.5
e2e_shot menu-rhythms
keys Escape Down Right
sleep 0.5
e2e_shot menu-themes
keys Escape Escape
windows_become "$resting_count"
e2e_open_menu
sleep 0.5
e2e_shot menu-launch-at-login
keys Escape
windows_become "$resting_count"

e2e_open_menu
keys Up Up Return
e2e_check -w 5 "About shown" xdotool search --onlyvisible --name '^Tavo$'
sleep 0.5
e2e_shot menu-about
keys Return
windows_become "$resting_count"

# The rhythm dialog: select-all and typing in both fields, then the default button.
e2e_open_menu
keys Down Down Down Right Up Return
e2e_wait_for 5 xdotool search --onlyvisible --name '^Tavo$' || e2e_fail "no rhythm dialog"
sleep 0.5
keys ctrl+a 2 5 Tab ctrl+a 3 0
e2e_shot menu-rhythm-dialog
keys Return
if e2e_wait_for 3 grep -q '^customRestModeWorkDuration=1500$' "$settings" &&
    grep -q '^customRestModeRestDuration=30$' "$settings" && grep -q '^selectedRestModeTag=-1$' "$settings"; then
    e2e_pass "own rhythm 25 min / 30 s saved from the dialog"
else
    e2e_fail "own rhythm not saved: $(cat "$settings")"
fi

# Ctrl+Q inside a dialog quits.
e2e_open_menu
keys Down Down Down Right Up Return
e2e_wait_for 5 xdotool search --onlyvisible --name '^Tavo$' || e2e_fail "no rhythm dialog for Ctrl+Q"
keys ctrl+q
e2e_expect_end "Ctrl+Q in a dialog" 5
if grep -qi 'dbus' "$E2E_DIR/tavo.err"; then
    e2e_fail "bus complaints on stderr: $(grep -i dbus "$E2E_DIR/tavo.err" | head -n 3)"
fi
e2e_finish
