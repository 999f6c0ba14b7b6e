#!/usr/bin/env bash
# Installs what is needed, builds Tavo and runs it. With a display it simply
# runs. Without one it starts a virtual X display with a tray host, runs Tavo
# there, saves screenshots of the tray, the open menu and a rest window into
# ./out/screenshots, and leaves Tavo running until Ctrl+C.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
binary=${TAVO_BUILD_DIR:-$root/build}/src/tavo
if [ -n "${DISPLAY:-}" ]; then
    exec "$binary"
fi

export TAVO_E2E_OUT=$root/out/screenshots
source "$root/tests/e2e/lib.sh"
e2e_start run
e2e_launch "$binary"
# Ctrl+C (or a kill) ends the script normally, so its exit takes the display down too.
trap 'exit 130' INT TERM
e2e_wait_for 20 e2e_tray_has_icon || e2e_fail "the tray icon did not dock"
sleep 1
e2e_shot tray
e2e_click_tray_icon
sleep 1
e2e_shot menu
# The first enabled line under the countdown is "立即闭眼充能".
xdotool key Down Return
sleep 2
e2e_shot rest
echo "Tavo runs on $DISPLAY (log: $E2E_DIR/tavo.log); screenshots in $E2E_OUT. Ctrl+C ends it."
wait "$TAVO_PID"
