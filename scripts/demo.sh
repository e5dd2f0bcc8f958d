#!/usr/bin/env bash
# scripts/demo.sh [PROGRAM.exe]
# The demo in one command: installs what is missing, builds, makes a Wine prefix of its own
# (build/demo/wineprefix), lays out an installation of the application in it and starts the
# uninstaller there. With a working $DISPLAY the program appears there and the demo ends when
# it is closed; otherwise it runs on a virtual display (Xvfb), build/demo/screenshot.png is
# taken once its window has settled, and the program is closed again.
# PROGRAM replaces the uninstaller, for trying the demo with another window program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
scripts/build.sh
. scripts/wine-env.sh

bin=$root/build/$ORVALIS_ARCH
program=$(realpath "${1:-$bin/app/OrvalisUninstaller.exe}")
demo=$root/build/demo
prefix=$demo/wineprefix
stage=$prefix/drive_c/OrvalisTest
title='ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ'
mkdir -p "$demo"
rm -f "$demo/screenshot.png"

echo "== Wine prefix $prefix"
scripts/make-prefix.sh "$prefix" x11
export WINEPREFIX=$prefix
mkdir -p "$stage"
cp "$program" "$stage/OrvalisUninstaller.exe"
cp "$bin/demo/OrvalisKicker.exe" "$bin/demo/OrvalisDemoSeed.exe" "$stage/"

xvfb_pid=
app_pid=
finish() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT

# The display comes first: Wine's processes keep the display driver they were started with.
# Polls CONDITION every 0.1 s for at most SECONDS; fails when time runs out.
poll() {
    local limit=$(( $1 * 10 )) i=0
    shift
    until "$@"; do
        i=$((i + 1))
        [ "$i" -lt "$limit" ] || return 1
        sleep 0.1
    done
}
virtual=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "== Display $DISPLAY"
else
    virtual=1
    exec 3>"$demo/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    poll 10 test -s "$demo/display" || { echo "demo.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(head -n1 "$demo/display")
    poll 10 xdpyinfo >/dev/null 2>&1 || { echo "demo.sh: Xvfb does not answer" >&2; exit 1; }
    echo "== No usable display: using the virtual display $DISPLAY"
fi

# A persistent server and Wine's own processes first: every later Wine call is then quick.
wineserver -p
(cd "$prefix/drive_c" && "$WINELOADER" cmd /c exit 0) >/dev/null 2>&1

echo "== Demo installation"
# The seeding program writes code page 932; its output goes through a file to be converted.
rc=0
(cd "$stage" && "$WINELOADER" OrvalisDemoSeed.exe >"$demo/seed.log" 2>&1) || rc=$?
iconv -f CP932 -t UTF-8 "$demo/seed.log" | grep -v '^made' || true
[ "$rc" = 0 ] || { echo "demo.sh: the demo installation could not be made" >&2; exit 1; }
# What the installation has left in the registry and on disk.
footprint() {
    local key found=
    for key in 'HKLM\SoftWare\Halvik\Orvalis' 'HKLM\SoftWare\Microsoft\Windows\CurrentVersion\Uninstall\Orvalis'; do
        if (cd "$stage" && "$WINELOADER" reg query "$key" /s >"$demo/reg.log" 2>&1); then
            iconv -f CP932 -t UTF-8 "$demo/reg.log" | tr -d '\r' | grep -v '^$'
            found=1
        fi
    done
    [ -n "$found" ] || echo "(no registry keys)"
    (cd "$prefix/drive_c" && find . \( -path './Program Files/Orvalis*' -o -path '*/オルヴァリス*' \) \
        -printf '%M  C:/%P\n' | sed 's|^\(..........\)  C:/\./|\1  C:/|' | sort -k2)
}
footprint
grep -q "$(printf 'オルヴァリス' | iconv -f UTF-8 -t CP932)" "$demo/reg.log" \
    || { echo "demo.sh: the Japanese display name did not reach the registry" >&2; exit 1; }

if [ -z "$virtual" ]; then
    echo "== Starting the uninstaller: 実行 removes the demo installation, 終了 ends the demo"
    (cd "$stage" && "$WINELOADER" OrvalisUninstaller.exe) || true
    echo "== What is left"
    footprint
    exit 0
fi

echo "== Starting the uninstaller"
(cd "$stage" && exec "$WINELOADER" OrvalisUninstaller.exe) >/dev/null 2>&1 &
app_pid=$!
# The main window: a mapped top-level X window whose name is the program's title.
window_id() {
    xwininfo -root -children 2>/dev/null | grep -F "\"$title\"" | awk '{print $1}' | while read -r id; do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$id"; break; }
    done
}
found_window() { wid=$(window_id); [ -n "$wid" ]; }
wid=
poll 30 found_window || { echo "demo.sh: the uninstaller's window did not appear" >&2; exit 1; }
echo "   window $wid"
# Painting ends some time after mapping: wait until two pictures in a row agree.
last=
settled() {
    local now
    now=$(import -window "$wid" rgb:- 2>/dev/null | md5sum)
    [ "$now" = "$last" ] && return 0
    last=$now
    return 1
}
poll 10 settled || echo "   (the window kept changing; taking the picture anyway)"
import -window "$wid" "$demo/screenshot.png"
echo "== Screenshot $demo/screenshot.png"

# A polite close (WM_CLOSE, as the window's close box) and a bounded wait for the exit.
(cd "$stage" && "$WINELOADER" taskkill /im OrvalisUninstaller.exe >/dev/null 2>&1) || true
gone() { ! kill -0 "$app_pid" 2>/dev/null; }
if poll 10 gone; then app_pid=; echo "== The uninstaller closed"; else echo "== The uninstaller did not close; ending it"; fi
