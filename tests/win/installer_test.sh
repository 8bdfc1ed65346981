#!/bin/sh
# The 64-bit installer from end to end in a Wine prefix of its own: a silent installation, the installation
# checked from inside (installed_tests.exe: files, registry, the Explorer entry starting the installed program, the
# waits for a running program), then a silent uninstallation, after which the prefix's registry and its drive C:
# must be as they were before the installation.
#
# Usage: installer_test.sh <wine-run.sh> <installer> <installed_tests.exe> <work folder>
#
# Wine rewrites a few things of its own in every session, and the comparison leaves exactly these out:
# - the time stamps Wine keeps on every registry key and the "#time=" lines of its registry files;
# - "DriverDateData" of the display and monitor classes, the time at which the display driver set up the virtual
#   display adapter in this session (the first session using the display also drops the classes' names; the
#   snapshot before the installation is taken after such a session, so both snapshots have gone through it);
# - the uninstaller's own copy, which every uninstaller of this kind runs from (%TEMP%\~nsuN.tmp\Un.exe, so that
#   the one in the program folder can be deleted) and which it schedules for deletion at the next start of
#   Windows (the value PendingFileRenameOperations, naming exactly that folder and file).
set -eu
wine_run=$1 setup=$2 host=$3 work=$4

prefix="$work/prefix"
export SQZ_WINEPREFIX="$prefix"
# Wine's desktop integration would write menu entries and file associations into the home folder of this
# machine for the Start-menu entry; the test keeps to its prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

fail() { echo "installer test: $*" >&2; exit 1; }
idle() { WINEPREFIX="$prefix" wineserver -w; }
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT

# The registry files without Wine's own churn, and every folder and file of drive C: with its size.
snapshot() {
    for hive in system user userdef; do
        sed -E -e 's/^(\[.*\]) [0-9]+$/\1/' -e '/^#time=/d' -e '/^"DriverDateData"=/d' \
            -e '/^"PendingFileRenameOperations"=str\(7\):"(\\\\\?\?\\\\C:\\\\users\\\\[^\\]+\\\\Temp\\\\~nsu[0-9A-Za-z]*\.tmp(\\\\Un\.exe)?\\0\\0)+"$/d' \
            "$prefix/$hive.reg" >"$work/$1.$hive.reg"
    done
    (cd "$prefix/drive_c" && find . -mindepth 1 -printf '%y %s %P\n' |
        grep -E -v '^[df] [0-9]+ users/[^/]+/Temp/~nsu[0-9A-Za-z]*\.tmp(/Un\.exe)?$' | sort) >"$work/$1.files"
}

rm -rf "$work"
mkdir -p "$work"
"$wine_run" wineboot -i >/dev/null 2>&1
idle
# A first session with a window on the display (rundll32 makes one for the function it calls), so that the
# changes Wine makes then are in the snapshot before.
"$wine_run" rundll32.exe user32.dll,GetDesktopWindow
idle
snapshot before

"$wine_run" "$setup" /S || fail "the silent installation failed ($?)"
idle
"$wine_run" "$host" --gtest_color=no || fail "the installation is not as it should be"
idle

uninstaller=$(cd "$prefix/drive_c" && find users -path '*/AppData/Local/Programs/Zenvola SWF Optimizer/Uninstall.exe')
[ -n "$uninstaller" ] || fail "no uninstaller in the user's programs folder"
"$wine_run" "C:\\$(echo "$uninstaller" | tr / '\\')" /S || fail "the silent uninstallation failed ($?)"
idle
snapshot after

status=0
for part in system.reg user.reg userdef.reg files; do
    if ! diff -u "$work/before.$part" "$work/after.$part" >"$work/$part.diff"; then
        echo "installer test: the uninstallation left $part different:" >&2
        cat "$work/$part.diff" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "installer test: the prefix is as it was before the installation"
exit $status
