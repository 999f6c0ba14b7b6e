#!/usr/bin/env bash
# The Debian package: built, its contents, lintian and the desktop-entry and
# AppStream validators checked; then installed on this machine with apt, run
# from where it installs under Xvfb with a tray host until its icon docks, its
# autostart entry names the installed binary and a rest covers the screen, and
# removed again whatever happens. Installing needs root; without it the test
# stops after the checks and reports itself skipped (77).
source "$(dirname "$0")/lib.sh"
build=$1

e2e_start package || exit 1
work=$E2E_DIR/package
mkdir -p "$work"

e2e_log "building the package"
if ! cmake --build "$build" --target package >"$work/cpack.log" 2>&1; then
    tail -n 30 "$work/cpack.log"
    e2e_fail "the package did not build"
    e2e_finish
    exit 1
fi
deb=$(ls -t "$build"/tavo_*.deb | head -n 1)
e2e_log "built $deb ($(du -k "$deb" | cut -f1) KiB)"

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's#^\./#/#; s#/$##' | sort >"$work/contents"
missing=0
for path in /usr/bin/tavo /usr/share/applications/tavo.desktop \
    /usr/share/metainfo/io.github.tavo_app.tavo.metainfo.xml /usr/share/icons/hicolor/scalable/apps/tavo.svg \
    /usr/share/doc/tavo/copyright /usr/share/doc/tavo/changelog.Debian.gz /usr/share/man/man1/tavo.1.gz \
    /usr/share/bash-completion/completions/tavo /usr/share/dbus-1/interfaces/org.tavo.Tavo.xml; do
    grep -qxF "$path" "$work/contents" || { e2e_fail "$path is not in the package"; missing=1; }
done
for size in 16 22 24 32 48 64 128 256 512; do
    grep -qxF "/usr/share/icons/hicolor/${size}x$size/apps/tavo.png" "$work/contents" ||
        { e2e_fail "no ${size}px icon in the package"; missing=1; }
done
stray=$(grep -vE '^/?$|^/usr$|^/usr/(bin|share)(/|$)' "$work/contents")
[ -z "$stray" ] || { e2e_fail "files outside /usr/bin and /usr/share: $stray"; missing=1; }
[ $missing -eq 0 ] && e2e_pass "contents: $(grep -c . "$work/contents") paths, all expected ones there"

depends=$(dpkg-deb --field "$deb" Depends)
if [[ $depends == *libqt6widgets6* && $depends == *fonts-noto-cjk* ]]; then
    e2e_pass "depends on the Qt libraries found in the binary and on the Chinese font"
else
    e2e_fail "Depends: $depends"
fi

lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
sed 's/^/lintian: /' "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then e2e_fail "lintian found errors"; else e2e_pass "lintian: no errors"; fi

dpkg-deb --extract "$deb" "$work/root"
if desktop-file-validate "$work/root/usr/share/applications/tavo.desktop"; then
    e2e_pass "desktop-file-validate"
else
    e2e_fail "desktop-file-validate"
fi
if ! grep -q '<text' "$work/root/usr/share/icons/hicolor/scalable/apps/tavo.svg"; then
    e2e_pass "the scalable icon draws its glyph as an outline"
else
    e2e_fail "the scalable icon needs a font"
fi
# The screenshots' addresses are where the repository will be published; not reachable yet.
if appstreamcli validate --no-net --explain "$work/root/usr/share/metainfo/"*.xml &&
    appstreamcli validate-tree --no-net "$work/root"; then
    e2e_pass "appstreamcli validate"
else
    e2e_fail "appstreamcli validate"
fi

if [ "$(id -u)" -ne 0 ]; then
    e2e_log "not root: installing the package is skipped"
    e2e_finish || exit 1
    exit 77
fi

# One install at a time on a shared machine; a Tavo installed by someone is left alone.
exec 9>/var/lock/tavo-package-test.lock
flock --timeout 600 9 || { e2e_fail "another package test holds the lock"; e2e_finish; exit 1; }
installed() { dpkg-query -W -f='${Status}' tavo 2>/dev/null | grep -q 'install ok installed'; }
if installed; then
    e2e_log "a tavo package is installed on this machine already: not replacing it"
    e2e_finish || exit 1
    exit 77
fi
remove_package() {
    installed || return 0
    apt-get -o DPkg::Lock::Timeout=900 remove -y -qq tavo >"$work/remove.log" 2>&1 || cat "$work/remove.log"
}
# Tavo goes down before its package does.
trap 'e2e_cleanup; remove_package' EXIT

if DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq "$deb" \
    >"$work/install.log" 2>&1; then
    e2e_pass "installed with apt-get"
else
    cat "$work/install.log"
    e2e_fail "apt-get install"
    e2e_finish
    exit 1
fi

e2e_launch /usr/bin/tavo
if e2e_wait_for 20 e2e_tray_has_icon; then e2e_pass "tray icon docked"; else e2e_fail "tray icon did not dock"; fi
sleep 1
e2e_shot package-tray

# The bottom lines, from below: 退出, 关于 Tavo, 开机自启.
autostart=$XDG_CONFIG_HOME/autostart/tavo.desktop
e2e_click_tray_icon
sleep 1
xdotool key Up Up Up Return
if e2e_wait_for 5 grep -qxF 'Exec="/usr/bin/tavo"' "$autostart" && desktop-file-validate "$autostart"; then
    e2e_pass "autostart entry starts /usr/bin/tavo"
else
    e2e_fail "autostart entry: $(cat "$autostart" 2>/dev/null)"
fi

# The first enabled line under the countdown is "立即闭眼充能".
sleep 1
e2e_click_tray_icon
sleep 1
xdotool key Down Return
if e2e_wait_for 10 e2e_fullscreen_window_shown; then
    e2e_pass "a rest covers the screen"
    sleep 1
    e2e_shot package-rest
else
    e2e_fail "no rest window"
fi
if e2e_tavo_alive; then e2e_pass "Tavo still running"; else e2e_fail "Tavo ended"; fi

{
    e2e_cleanup
    wait
} 2>/dev/null # no job notices for what was killed on purpose
E2E_PIDS=()
remove_package
if installed || [ -e /usr/bin/tavo ]; then e2e_fail "the package is still installed"; else e2e_pass "removed again"; fi
e2e_finish
