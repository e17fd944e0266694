#!/usr/bin/env bash
# Builds the Debian packages twice the way Debian's builders do (dpkg-buildpackage, debhelper) and
# checks them:
#   - hardening: hardening-check on the packaged program, the flags in every compile command and in
#     every C++ unit's debug information;
#   - reproducibility: the two builds, made from copies of the source in different folders, with
#     different file times and permissions, under different umasks, locales and time zones and at
#     different times, give the same bytes, and no build path gets into either package;
#   - debug symbols: the ondrix-dbgsym package carries the program's build-id, and with it a
#     backtrace of the crashed program names functions and lines, while without it the program is
#     stripped;
#   - lintian on the source and both binary packages: no error and no warning;
#   - the unpacked package: layout, control fields, conffiles, copyright, changelog, manual page,
#     desktop entry, icons and metainfo, and that the installed program starts and reads the
#     installed server list.
#
# Usage: test-package.sh <source-dir>
# Exits 77 (counted as skipped by CTest) when a tool it needs is missing.
set -euo pipefail

source=$(cd "$1" && pwd)

app_id=example.ondrix.Ondrix
caption='The smartest little whois tool'

for tool in dpkg-buildpackage dh dpkg-deb dpkg-parsechangelog hardening-check readelf objcopy gdb \
    localedef lintian desktop-file-validate appstreamcli Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/setup.sh test installs it)"
        exit 77
    fi
done
if [ ! -f /usr/share/i18n/locales/de_DE ]; then
    echo "SKIP: the locale sources are not installed (scripts/setup.sh test installs locales)"
    exit 77
fi

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

version=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)

# copy_source <folder>: the source as scripts/package.sh takes it, without build trees or git.
copy_source()
{
    mkdir -p "$1"
    tar -C "$source" --anchored --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - . \
        | tar -C "$1" -xf -
}

# build <name> <tree> <variable=value>... -- <dpkg-buildpackage options>...: builds in <tree> with
# those variables; the packages land in the tree's parent folder.
build()
{
    local name=$1 tree=$2
    shift 2
    local variables=()
    while [ "$1" != -- ]; do
        variables+=("$1")
        shift
    done
    shift
    echo "build $name: in $tree, umask $(umask), ${variables[*]}, started $(date -u '+%F %T') UTC"
    if ! (cd "$tree" && env "${variables[@]}" dpkg-buildpackage -us -uc "$@") \
        >"$scratch/build-$name.log" 2>&1; then
        tail -n 60 "$scratch/build-$name.log"
        echo "FAIL: dpkg-buildpackage failed for build $name"
        exit 1
    fi
}

## Two builds that differ in everything that must not matter
# The first as a developer would run it: source and binary packages, both cores.
tree_a=$scratch/a/ondrix
copy_source "$tree_a"
(umask 022 && build a "$tree_a" LC_ALL=C.UTF-8 TZ=UTC0 -- -j2)

# The second: a deeper folder of another name, every file with other times and readable by its
# owner only (a checkout under umask 077 in 2001), a German locale, which sorts names differently
# and writes dates in German, a time zone fourteen hours ahead, and one job at a time. It starts
# when the first has finished, a minute or more later.
tree_b=$scratch/second-build/in/a/deeper/folder/ondrix-$version
copy_source "$tree_b"
find "$tree_b" -exec touch -h -d '2001-09-09 01:46:40 UTC' {} +
chmod -R go-rwx "$tree_b"
mkdir "$scratch/locale"
localedef -i de_DE -f UTF-8 "$scratch/locale/de_DE.UTF-8" 2>/dev/null \
    || [ -d "$scratch/locale/de_DE.UTF-8" ] || { echo "FAIL: localedef could not make de_DE.UTF-8"; exit 1; }
# The locale is really in force: it sorts lower case first and names the days in German.
german=(env LOCPATH="$scratch/locale" LC_ALL=de_DE.UTF-8)
[[ "$(printf 'B\na\n' | "${german[@]}" sort | head -n1)" == a && \
    "$("${german[@]}" date -d 2026-12-07 +%A)" == Montag ]] \
    || { echo "FAIL: the de_DE.UTF-8 locale made by localedef is not in force"; exit 1; }
(umask 077 && build b "$tree_b" LOCPATH="$scratch/locale" LC_ALL=de_DE.UTF-8 TZ='<+14>-14' -- -b -j1)

deb_a=$scratch/a/ondrix_${version}_$arch.deb
deb_b=$(dirname "$tree_b")/ondrix_${version}_$arch.deb
dbgsym_a=$(compgen -G "$scratch/a/ondrix-dbgsym_${version}_$arch.*deb" | head -n1 || true)
dbgsym_b=$(compgen -G "$(dirname "$tree_b")/ondrix-dbgsym_${version}_$arch.*deb" | head -n1 || true)
for file in "$deb_a" "$deb_b"; do
    [ -f "$file" ] || { echo "FAIL: dpkg-buildpackage made no $file"; exit 1; }
done
[[ -f $dbgsym_a && -f $dbgsym_b ]] || { echo "FAIL: no ondrix-dbgsym package was made"; exit 1; }
deb=$deb_a
dbgsym=$dbgsym_a

# Unpacks the package and the debug symbols of each build, the program's debug sections inflated so
# that their strings can be searched.
unpack()
{
    local root=$1
    dpkg-deb -x "$2" "$root"
    dpkg-deb -x "$3" "$root"
    find "$root/usr/lib/debug" -name '*.debug' -exec sh -c \
        'objcopy --decompress-debug-sections "$1" "$1.inflated"' sh {} \;
}
unpack "$scratch/root" "$deb_a" "$dbgsym_a"
unpack "$scratch/root-b" "$deb_b" "$dbgsym_b"
root=$scratch/root

## Reproducible: the same bytes from both builds
for pair in "$deb_a $deb_b" "$dbgsym_a $dbgsym_b"; do
    read -r one two <<<"$pair"
    sha256sum "$one" "$two" | sed "s|$scratch/||"
    if ! cmp -s "$one" "$two"; then
        fail "$(basename "$one") differs between the two builds"
        diff <(dpkg-deb -c "$one") <(dpkg-deb -c "$two") | head -n 20 || true
    fi
done
if ! diff -r --no-dereference "$scratch/root" "$scratch/root-b" >"$scratch/contents.diff" 2>&1; then
    echo "files that differ:"
    head -n 20 "$scratch/contents.diff"
fi
# Both builds could leak a path and still differ only there; say where it shows.
for tree in "$tree_a" "$tree_b"; do
    if grep -rlaF "$tree" "$scratch/root" "$scratch/root-b" >"$scratch/leaks" 2>/dev/null; then
        fail "the build folder $tree is written in: $(sed "s|$scratch/||" "$scratch/leaks" | tr '\n' ' ')"
    fi
done
# Every file carries the changelog's date, whatever the times in the tree it was built from.
changelog_date=$(date -u -d "@$(dpkg-parsechangelog -l "$source/debian/changelog" -S Timestamp)" '+%F %T')
for file in "$deb_a" "$deb_b" "$dbgsym_a" "$dbgsym_b"; do
    dates=$(dpkg-deb --fsys-tarfile "$file" | TZ=UTC0 tar -tv --full-time | awk '{print $4 " " $5}' | sort -u)
    [ "$dates" = "$changelog_date" ] \
        || fail "$(basename "$file") has file times other than the changelog's $changelog_date:" $dates
done

## Hardened: what hardening-check finds in the packaged program
program=$root/usr/lib/ondrix/ondrix
hardening-check "$program" >"$scratch/hardening" 2>&1 || true
sed "s|$root||" "$scratch/hardening"
for line in 'Position Independent Executable: yes' 'Stack protected: yes' \
    'Read-only relocations: yes' 'Immediate binding: yes'; do
    grep -qx " $line" "$scratch/hardening" || fail "hardening-check does not say \"$line\""
done

# Every compile command carries dpkg-buildflags' flags, including the ones the debug information
# does not record, and our warnings as errors; the link has RELRO and immediate binding.
# (moc's run of the preprocessor for its predefined macros, -dM -E, compiles nothing.)
compiles=$(grep -E '/usr/bin/c\+\+ .* -c ' "$scratch/build-a.log" | grep -v ' -E ' || true)
[ -n "$compiles" ] || fail "the build log of build a shows no compile command"
for flag in -fstack-protector-strong -fstack-clash-protection -fcf-protection -D_FORTIFY_SOURCE=2 \
    -Wformat -Werror=format-security -Werror; do
    missing=$(grep -cv -e " $flag " <<<"$compiles" || true)
    ((missing == 0)) || fail "$missing compile command(s) without $flag"
done
grep -E '/usr/bin/c\+\+ .* -o ondrix ' "$scratch/build-a.log" | grep -q -- '-Wl,-z,relro -Wl,-z,now' \
    || fail "the program is not linked with -Wl,-z,relro -Wl,-z,now"

# Every C++ unit of the program was compiled with the hardening flags, and every source file of
# the program has its unit there.
id=$(readelf -n "$program" | sed -n 's/^ *Build ID: //p')
debug=$root/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug
if [[ -n $id && -f $debug ]]; then
    readelf --debug-dump=info "$debug" 2>/dev/null | awk '
        function report() { if (unit) print name "\t" producer; unit = 0 }
        /DW_TAG_compile_unit/ { report(); unit = 1; name = ""; producer = "" }
        /DW_TAG_partial_unit/ { report() }
        unit && /DW_AT_name/ && name == "" { sub(/.*\): /, ""); sub(/.*: /, ""); name = $0 }
        unit && /DW_AT_producer/ { sub(/.*\): /, ""); sub(/.*DW_AT_producer *: /, ""); producer = $0 }
        END { report() }' >"$scratch/units"
    cpp_units=$(grep -c $'\tGNU C++' "$scratch/units" || true)
    echo "C++ units in the debug symbols: $cpp_units"
    while IFS=$'\t' read -r name producer; do
        [[ $producer == 'GNU C++'* ]] || continue
        for flag in -fstack-protector-strong -fstack-clash-protection -fcf-protection; do
            [[ " $producer " =~ \ $flag(=[a-z]+)?\  ]] || fail "$name was compiled without $flag ($producer)"
        done
    done <"$scratch/units"
    while read -r file; do
        awk -F '\t' -v file="$file" '$1 == file && $2 ~ /^GNU C\+\+/ { found = 1 } END { exit !found }' \
            "$scratch/units" || fail "the debug symbols have no C++ unit for $file"
    done < <(cd "$source" && find ./main.cpp ./query ./whois ./ui -name '*.cpp')
else
    fail "no debug file for build-id ${id:-none} in ondrix-dbgsym"
fi

## Debug symbols in a package of their own
[ "$(dpkg-deb -f "$dbgsym" Package)" = ondrix-dbgsym ] || fail "the debug package is not ondrix-dbgsym"
[ "$(dpkg-deb -f "$dbgsym" Depends)" = "ondrix (= $version)" ] \
    || fail "ondrix-dbgsym does not depend on ondrix (= $version)"
[[ -n $id && "$(dpkg-deb -f "$dbgsym" Build-Ids)" == "$id" ]] \
    || fail "ondrix-dbgsym's Build-Ids ($(dpkg-deb -f "$dbgsym" Build-Ids)) is not the program's ($id)"
if [[ -f $debug && "$(readelf -n "$debug" 2>/dev/null | sed -n 's/^ *Build ID: //p')" != "$id" ]]; then
    fail "the debug file does not carry the program's build-id"
fi
if readelf -S "$program" | grep -qE ' \.(symtab|debug_info) '; then
    fail "the packaged program is not stripped"
fi

## Dependencies: the libraries dpkg-shlibdeps finds, and the fonts the window asks for
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6printsupport6 \
    fonts-liberation2; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends does not name $package"
done

## Program folder: the program reads the list from the folder its executable lies in
program_dir=$root/usr/lib/ondrix
[[ -f $program && -x $program ]] || fail "no executable $program"
[ -L "$program_dir/OndrixServers.txt" ] || fail "no OndrixServers.txt link beside the executable"

# The list a user edits is a conffile, and the program folder leads to that very file.
conffiles=$(dpkg-deb -I "$deb" conffiles 2>/dev/null || true)
grep -qx /etc/ondrix/OndrixServers.txt <<<"$conffiles" \
    || fail "/etc/ondrix/OndrixServers.txt is not a conffile (conffiles: ${conffiles:-none})"
[ "$(readlink "$program_dir/OndrixServers.txt")" = /etc/ondrix/OndrixServers.txt ] \
    || fail "the program folder's OndrixServers.txt does not lead to /etc/ondrix/OndrixServers.txt"
cmp -s "$root/etc/ondrix/OndrixServers.txt" "$source/OndrixServers.txt" \
    || fail "the installed server list differs from the project's"
# Installed, the link reaches /etc; unpacked here, it is pointed at this root's /etc instead.
ln -sfn "$root/etc/ondrix/OndrixServers.txt" "$program_dir/OndrixServers.txt"

## A crash's backtrace names functions and lines with ondrix-dbgsym, and only with it
# child_of <pid>: a process whose parent it is, from /proc, which every Linux has (ps may not be).
child_of()
{
    local stat pid command state parent
    for stat in /proc/[0-9]*/stat; do
        read -r pid command state parent _ <"$stat" 2>/dev/null || continue
        if [ "$parent" = "$1" ]; then
            echo "$pid"
            return
        fi
    done
}
# backtrace <debug folder> <output>: runs the program offscreen under gdb, makes it crash with
# SIGSEGV once its window is up and writes the main thread's backtrace.
backtrace()
{
    local gdb_pid inferior=
    (cd / && exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
        XDG_RUNTIME_DIR="$scratch/runtime" gdb -nx -batch \
        -iex 'set debuginfod enabled off' -iex "set debug-file-directory $1" \
        -ex 'set startup-with-shell off' -ex 'handle SIGPIPE nostop noprint' \
        -ex run -ex 'thread apply 1 bt' --args "$program" >"$2" 2>&1) &
    gdb_pid=$!
    pids+=("$gdb_pid")
    for _ in $(seq 100); do
        inferior=$(child_of "$gdb_pid")
        [ -n "$inferior" ] && break
        sleep 0.1
    done
    if [ -z "$inferior" ]; then
        fail "gdb did not start the program"
        cat "$2"
        return
    fi
    sleep 3
    kill -SEGV "$inferior" 2>/dev/null || fail "the program under gdb ended before it was made to crash"
    timeout 60 tail --pid="$gdb_pid" -f /dev/null || fail "gdb did not finish"
}
mkdir -m 700 "$scratch/runtime" "$scratch/no-debug"
backtrace "$root/usr/lib/debug" "$scratch/bt-with"
backtrace "$scratch/no-debug" "$scratch/bt-without"
grep -q 'received signal SIGSEGV' "$scratch/bt-with" || { cat "$scratch/bt-with"; fail "the program did not crash under gdb"; }
if grep -qE '^#[0-9]+ .*\bmain \(.*\) at \./main\.cpp:[0-9]+$' "$scratch/bt-with"; then
    grep -E '^#[0-9]+ ' "$scratch/bt-with" | tail -n 3
else
    cat "$scratch/bt-with"
    fail "with ondrix-dbgsym the backtrace does not name main at ./main.cpp:<line>"
fi
grep -q 'received signal SIGSEGV' "$scratch/bt-without" || { cat "$scratch/bt-without"; fail "the program did not crash under gdb"; }
if grep -qE 'main\.cpp| in main \(' "$scratch/bt-without"; then
    cat "$scratch/bt-without"
    fail "without ondrix-dbgsym the backtrace still names main: the program is not stripped"
fi

## Debian's own judge, on the source package and both binary packages: no error and no warning
changes=$scratch/a/ondrix_${version}_$arch.changes
mkdir "$scratch/tmp"
if ! TMPDIR=$scratch/tmp lintian --tag-display-limit 0 "$changes" >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log"
    fail "lintian failed"
fi
grep -q " ondrix_$version.dsc$" "$changes" || fail "build a made no source package for lintian to judge"
if grep -E '^[EW]: ' "$scratch/lintian.log"; then
    fail "lintian reports errors or warnings"
fi
echo "lintian on the source, ondrix and ondrix-dbgsym: $(grep -c '^[A-Z]: ' "$scratch/lintian.log") tag(s)"

## Licence, changelog and manual page
doc=$root/usr/share/doc/ondrix
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$doc/copyright" 2>/dev/null || fail "no machine-readable copyright file"
# The Expat licence text in the copyright file is LICENSE's, word for word.
licence=$(sed -n '/^Permission is hereby granted/,$p' "$source/LICENSE")
copyright_licence=$(sed -n '/^License: Expat$/,/^$/p' "$doc/copyright" | sed -n '/^ /p' \
    | sed 's/^ //; s/^\.$//')
[ -n "$licence" ] && [ "$copyright_licence" = "$licence" ] \
    || fail "the Expat licence in the copyright file is not the text of LICENSE"
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
run_env=(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DISPLAY -u GLIBC_TUNABLES XDG_RUNTIME_DIR="$scratch/runtime")

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
    [ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$program")" ] \
        || fail "the launcher started $(readlink -f "/proc/$pid/exe"), not the installed program"
    # Long answers are taken in on huge pages only if glibc is told so as the program starts.
    tr '\0' '\n' <"/proc/$pid/environ" | grep -qx 'GLIBC_TUNABLES=glibc.malloc.hugetlb=1' \
        || fail "the launcher did not ask glibc for huge pages"
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
