#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the QtTest
# suites headless, then the end-to-end suite under Xvfb with a tray host and a
# notification server. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${TAVO_BUILD_DIR:-$root/build}
export TAVO_E2E_OUT=${TAVO_E2E_OUT:-$build/e2e-out}
cd "$build"
ctest --output-on-failure --timeout 900
