#!/usr/bin/env bash
# Runs every end-to-end scenario against the real binary; each scenario gets
# its own virtual display, session bus, tray host and notification server.
set -u
binary=$1
here=$(cd "$(dirname "$0")" && pwd)
failed=0
for scenario in restloop.sh reminders.sh menu.sh; do
    echo "=== e2e scenario $scenario"
    if ! bash "$here/$scenario" "$binary"; then
        echo "=== e2e scenario $scenario FAILED"
        failed=1
    fi
done
exit $failed
