#!/usr/bin/env bash
# scripts/demo.sh [PROGRAM.exe]
# The demo in one command: installs what is missing, builds, makes a Wine prefix of its own
# (build/demo/wineprefix), lays out an installation of the application in it and starts the
# uninstaller there.
# With a working $DISPLAY the program appears there; the user may uninstall, and what is left
# of the installation is listed when the program closes. Otherwise it runs on a virtual display
# (Xvfb) and the demo does the uninstall itself: build/demo/screenshot.png shows the page, then
# 実行 is pressed, the confirmation answered with Yes, build/demo/result.png shows the result
# message, which must be "完全に削除しました。", and after 終了 nothing of the installation may be left.
# PROGRAM replaces the uninstaller, for trying the demo with another window program; on a
# virtual display its window is then only pictured.
# scripts/demo.sh --unattended runs the registered quiet uninstall instead (/S /DELETEALBUM
# /LOG), as a deployment tool would, and prints its exit code and its log.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-lib.sh
unattended=
if [ "${1:-}" = --unattended ]; then unattended=1; shift; fi
demo_prepare "$PWD/build/demo" "${1:-}"
rm -f "$demo/screenshot.png" "$demo/result.png"
demo_display
demo_start_wine
demo_seed

if [ -n "$unattended" ]; then
    echo "== OrvalisUninstaller.exe /S /DELETEALBUM /LOG=C:\\OrvalisTest\\uninstall.log"
    rm -f "$stage/uninstall.log"
    rc=0
    (cd "$stage" && "$WINELOADER" OrvalisUninstaller.exe /S /DELETEALBUM '/LOG=C:\OrvalisTest\uninstall.log') \
        >/dev/null 2>&1 || rc=$?
    echo "   exit code $rc"
    sed 's/^\xEF\xBB\xBF//; s/\r$//; s/^/   /' "$stage/uninstall.log"
    echo "== What is left"
    footprint
    [ "$rc" = 0 ] || { echo "demo.sh: the unattended uninstall was not complete" >&2; exit 1; }
    [ -z "$left" ] || { echo "demo.sh: part of the installation is left" >&2; exit 1; }
    echo "== The demo installation is gone"
    exit 0
fi

if [ -z "$virtual" ]; then
    echo "== Starting the uninstaller: 実行 removes the demo installation, 終了 ends the demo"
    (cd "$stage" && "$WINELOADER" OrvalisUninstaller.exe) || true
    echo "== What is left"
    footprint
    [ -n "$left" ] || echo "== The demo installation is gone"
    exit 0
fi

echo "== Starting the uninstaller"
demo_start_program
if [ -n "${1:-}" ]; then
    # Another program: its window is found by X, not by the driver.
    title='ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ'
    window_id() {
        xwininfo -root -children 2>/dev/null | grep -F "\"$title\"" | awk '{print $1}' | while read -r id; do
            xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$id"; break; }
        done
    }
    found_window() { wid=$(window_id); [ -n "$wid" ]; }
    poll 30 found_window || { echo "demo.sh: the window did not appear" >&2; exit 1; }
    rect=$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                       /Width/ {w=$NF} /Height/ {h=$NF} END {print x, y, x + w, y + h}')
    capture "$rect" "$demo/screenshot.png"
    (cd "$stage" && "$WINELOADER" taskkill /im OrvalisUninstaller.exe >/dev/null 2>&1) || true
    gone() { ! kill -0 "$app_pid" 2>/dev/null; }
    poll 10 gone && app_pid=
    exit 0
fi

drive main
echo "   window $(field window), ｱﾙﾊﾞﾑ削除 ticked: $(field album), 実行 enabled: $(field execute)"
[ "$(field album)" = 1 ] || { echo "demo.sh: the album check box is not ticked" >&2; exit 1; }
capture "$(field window)" "$demo/screenshot.png"

echo "== 実行"
drive execute
echo "   $(field text)"
echo "== はい (the program waits 3 s for the companion program, then removes the installation)"
drive answer 6 20000
result=$(field text)
echo "   $result"
capture "$(field box)" "$demo/result.png"
drive answer 1
echo "== 終了"
drive exit
app_pid=
echo "== What is left"
footprint
[ "$result" = '完全に削除しました。' ] || { echo "demo.sh: the uninstall was not complete" >&2; exit 1; }
[ -z "$left" ] || { echo "demo.sh: part of the installation is left" >&2; exit 1; }
echo "== The demo installation is gone"
