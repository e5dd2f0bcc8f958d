#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine, several at
# a time (one per prefix of the build), then prints the suite's wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
. scripts/wine-env.sh
started=$(date +%s)
build=$PWD/build/$ORVALIS_ARCH
export WINEPREFIX=$build/wineprefix
# The prefixes the tests run in: the build's own (1) and its copies (2...), and, for the 32-bit
# build, a 64-bit one for the WoW64 case. A persistent server per prefix saves every test program
# about 2.5 s of start-up; the server of prefix N keeps to the processor that scripts/test-wine.sh
# gives the tests there.
prefixes=("$WINEPREFIX:$ORVALIS_ARCH:1")
for copy in "$WINEPREFIX"-[0-9]*; do
    [ ! -f "$copy/.orvalis-prefix" ] || prefixes+=("$copy:$ORVALIS_ARCH:${copy##*-}")
done
[ ! -d "$WINEPREFIX-wow64" ] || prefixes+=("$WINEPREFIX-wow64:win64:")
for p in "${prefixes[@]}"; do
    IFS=: read -r prefix arch id <<< "$p"
    pin=()
    [ -z "$id" ] || ! command -v taskset >/dev/null || pin=(taskset -c $(((id - 1) % $(nproc))))
    (
        export WINEPREFIX=$prefix WINEARCH=$arch
        "${pin[@]}" wineserver -p 2>/dev/null || true   # already running is fine
        cd "$WINEPREFIX/drive_c" && "${pin[@]}" "$WINELOADER" cmd /c exit 0
    ) >/dev/null 2>&1 &
done
wait
rc=0
log=$build/Testing/test-sh.log
mkdir -p "$(dirname "$log")"
ctest --preset "$ORVALIS_ARCH" --output-log "$log" "$@" || rc=$?
for p in "${prefixes[@]}"; do
    WINEPREFIX=${p%%:*} wineserver -k || true
done
count=$(sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
echo "suite: ${count:-no} tests in $(($(date +%s) - started)) s"
exit $rc
