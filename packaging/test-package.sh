#!/usr/bin/env bash
# Builds the Debian package from a built tree, has lintian judge it, unpacks it into a scratch root
# and checks what it installs: the layout, the control fields, the copyright file, changelog and
# manual page, the desktop entry, icons and metainfo, and that the installed program starts and
# reads the installed server list.
#
# Usage: test-package.sh <cpack> <build-dir> <source-dir>
# Exits 77 (counted as skipped by CTest) when a tool it needs is missing.
set -euo pipefail

cpack=$1
build=$2
source=$3

app_id=example.ondrix.Ondrix
caption='The smartest little whois tool'

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

scratch=$(mktemp -d)
pids=()
cleanup()
{
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail()
{
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# -B keeps CPack's staging out of the build tree, so a second run at the same time cannot clash.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1
then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
debs=("$scratch"/out/ondrix_*.deb)
[ -f "${debs[0]}" ] || { echo "FAIL: cpack made no ondrix_*.deb"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

root=$scratch/root
dpkg-deb -x "$deb" "$root"

## Dependencies: the libraries dpkg-shlibdeps finds, and the fonts the window asks for
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6printsupport6 \
    fonts-liberation2; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends does not name $package"
done

## Program folder: the program reads the list from the folder its executable lies in
program=$root/usr/lib/ondrix
[[ -f $program/ondrix && -x $program/ondrix ]] || fail "no executable $program/ondrix"
[ -L "$program/OndrixServers.txt" ] || fail "no OndrixServers.txt link beside the executable"

# The list a user edits is a conffile, and the program folder leads to that very file.
conffiles=$(dpkg-deb -I "$deb" conffiles 2>/dev/null || true)
grep -qx /etc/ondrix/OndrixServers.txt <<<"$conffiles" \
    || fail "/etc/ondrix/OndrixServers.txt is not a conffile (conffiles: ${conffiles:-none})"
[ "$(readlink "$program/OndrixServers.txt")" = /etc/ondrix/OndrixServers.txt ] \
    || fail "the program folder's OndrixServers.txt does not lead to /etc/ondrix/OndrixServers.txt"
cmp -s "$root/etc/ondrix/OndrixServers.txt" "$source/OndrixServers.txt" \
    || fail "the installed server list differs from the project's"
# Installed, the link reaches /etc; unpacked here, it is pointed at this root's /etc instead.
ln -sfn "$root/etc/ondrix/OndrixServers.txt" "$program/OndrixServers.txt"

## Debian's own judge: no error and no warning
if ! lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log"
    fail "lintian failed"
fi
if grep -E '^[EW]: ' "$scratch/lintian.log"; then
    fail "lintian reports errors or warnings"
fi

## Licence, changelog and manual page
doc=$root/usr/share/doc/ondrix
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$doc/copyright" 2>/dev/null || fail "no machine-readable copyright file"
zcat "$doc/changelog.gz" 2>/dev/null | head -n1 | grep -q "^ondrix ($(dpkg-deb -f "$deb" Version))" \
    || fail "the changelog does not begin with this version"
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/ondrix.1.gz" 2>&1 >/dev/null) \
    || fail "man cannot show ondrix.1.gz"
[ -z "$man_warnings" ] || fail "ondrix.1 has warnings: $man_warnings"

## Launcher, desktop entry, icons, metainfo
[ -x "$root/usr/bin/ondrix" ] || fail "no launcher usr/bin/ondrix"
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $app_id.desktop"
    exec_command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$root/usr/bin/$exec_command" ] || fail "Exec=$exec_command is not installed in usr/bin"
    grep -qx 'Categories=.*Network;.*' "$desktop" || fail "the desktop entry is not in Network"
    grep -qx "Comment=$caption" "$desktop" || fail "the desktop entry's comment is not the caption"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    for size in 16 32 48 256; do
        png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
        if [ ! -f "$png" ]; then
            fail "no ${size}x${size} icon $icon.png"
            continue
        fi
        # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
        read -r -a ihdr < <(od -An -tu1 -j16 -N8 "$png")
        width=$(((ihdr[0] << 24) | (ihdr[1] << 16) | (ihdr[2] << 8) | ihdr[3]))
        height=$(((ihdr[4] << 24) | (ihdr[5] << 16) | (ihdr[6] << 8) | ihdr[7]))
        [[ $width == "$size" && $height == "$size" ]] || fail "$icon.png in ${size}x${size} is ${width}x${height}"
        cmp -s "$png" "$source/ui/images/hicolor/${size}x${size}/ondrix.png" \
            || fail "${size}x${size}/$icon.png is not the icon rendered from ui/images/icon.svg"
    done
else
    fail "no desktop entry usr/share/applications/$app_id.desktop"
fi
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
    # Also checks that the metainfo's launchable names a desktop entry the package installs.
    appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"
else
    fail "no metainfo usr/share/metainfo/$app_id.metainfo.xml"
fi

## Starting the installed program through the launcher
mkdir -m 700 "$scratch/runtime"
run_env=(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DISPLAY XDG_RUNTIME_DIR="$scratch/runtime")

# Anything the program prints beyond the offscreen platform's notice about size hints is a fault:
# a missing plugin, library or font shows up here.
check_stderr()
{
    if grep -qv '^This plugin does not support propagateSizeHints()$' "$1"; then
        fail "$2 printed:"
        cat "$1"
    fi
}

# Offscreen: from another folder, it must find its list and keep running with its window open.
# A start that fails (no display, missing library, a crash) ends well within two seconds.
(cd / && exec "${run_env[@]}" QT_QPA_PLATFORM=offscreen "$root/usr/bin/ondrix" \
    2>"$scratch/offscreen.err") &
pid=$!
pids+=("$pid")
sleep 2
if kill -0 "$pid" 2>/dev/null; then
    [ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$program/ondrix")" ] \
        || fail "the launcher started $(readlink -f "/proc/$pid/exe"), not the installed program"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
else
    wait "$pid" && status=0 || status=$?
    fail "ondrix on the offscreen platform ended at once with status $status"
fi
check_stderr "$scratch/offscreen.err" "ondrix on the offscreen platform"

# On an X server the windows can be told apart: the main window carries the caption, while an
# unreadable list shows only a message box titled Ondrix.
exec {display_fd}>"$scratch/display"
Xvfb -displayfd "$display_fd" -nolisten tcp -screen 0 1280x1024x24 >"$scratch/xvfb.log" 2>&1 &
pids+=("$!")
exec {display_fd}>&-
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || { cat "$scratch/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
display=:$(head -n1 "$scratch/display")

# start_and_wait <stderr file> <window title regex>: starts the installed program on the X server
# and waits until a window with that title shows.
start_and_wait()
{
    (cd / && exec "${run_env[@]}" DISPLAY="$display" "$root/usr/bin/ondrix" 2>"$1") &
    pid=$!
    pids+=("$pid")
    timeout 30 xdotool search --sync --onlyvisible --name "$2" >/dev/null
}
visible()
{
    DISPLAY=$display xdotool search --onlyvisible --name "$1" >/dev/null
}
stop()
{
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

export DISPLAY=$display
if start_and_wait "$scratch/x11.err" "^$caption\$"; then
    ! visible '^Ondrix$' || fail "the installed program showed the server file error"
else
    fail "the installed program opened no main window"
fi
stop
check_stderr "$scratch/x11.err" "ondrix on X11"

# The converse: a line without a comma in the conffile makes it refuse to start.
echo 'a line without a comma' >>"$root/etc/ondrix/OndrixServers.txt"
if start_and_wait "$scratch/corrupt.err" '^Ondrix$'; then
    ! visible "^$caption\$" || fail "with a corrupt list the main window opened anyway"
else
    fail "with a corrupt list in /etc/ondrix the program showed no server file error"
fi
stop

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package checks passed"
