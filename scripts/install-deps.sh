#!/usr/bin/env bash
# Installs every Debian 12 package Tavo needs to build, run and be tested.
# With --bench, also what bench/rest.sh needs: a peer's break screen to
# measure beside Tavo's rest (Safe Eyes), and Xorg's dummy driver with
# xrandr for two 4K screens.
set -euo pipefail
packages=(
    build-essential cmake clang-format clang-tidy pkg-config libwayland-dev wayland-protocols
    libxcb-screensaver0-dev plasma-wayland-protocols
    qt6-base-dev qt6-base-dev-tools libgl-dev nlohmann-json3-dev libbenchmark-dev
    fonts-noto-cjk fonts-noto-color-emoji qt6-translations-l10n locales
    xvfb xauth x11-utils xdotool imagemagick trayer dunst libnotify-bin dbus dbus-x11
    qt6-svg-dev qt6-wayland file lintian desktop-file-utils appstream
    x11-xserver-utils libglib2.0-bin python3-gi
    sway swaybg grim wtype waybar wayvnc kwin-wayland mutter xterm wmctrl openbox
)
if [ "${1:-}" = --bench ]; then
    packages+=(safeeyes x11-xserver-utils xserver-xorg-core xserver-xorg-video-dummy)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
