#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine, several at
# a time, then prints the suite's wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
. scripts/wine-env.sh
started=$(date +%s)
build=$PWD/build/$ORVALIS_ARCH
export WINEPREFIX=$build/wineprefix
# The end-to-end tests each need a prefix to themselves (scripts/test-wine.sh): they run in fresh
# copies of the build's prefix, which ctest allots one test at a time (the resource "prefix" of
# the file written here), beside the other tests in the build's prefix.
copies=${ORVALIS_TEST_COPIES:-3}
jobs=${ORVALIS_TEST_JOBS:-$((copies + 3))}
spec=$build/test-prefixes.json
ids=()
for i in $(seq 2 $((copies + 1))); do ids+=("$i"); done

# A copy is taken of the prefix as its server last saved it.
wineserver -k 2>/dev/null || true
wineserver -w
for id in "${ids[@]}"; do
    (
        rm -rf "$WINEPREFIX-$id"
        cp -a "$WINEPREFIX" "$WINEPREFIX-$id"
        sh tests/uninstall/make-links.sh "$WINEPREFIX-$id"
    ) &
done
wait
for id in "${ids[@]}"; do
    [ ! -e "$WINEPREFIX-$id/dosdevices/z:" ] || { echo "test.sh: $WINEPREFIX-$id maps Z:" >&2; exit 1; }
done
{
    printf '{ "version": { "major": 1, "minor": 0 }, "local": [ { "prefix": [ '
    sep=
    for id in "${ids[@]}"; do printf '%s{ "id": "%s", "slots": 1 }' "$sep" "$id"; sep=', '; done
    printf ' ] } ] }\n'
} > "$spec"

# Every prefix the tests run in: the build's own, its copies and, for the 32-bit build, a 64-bit
# one for the WoW64 case. A persistent server per prefix saves every test program about 2.5 s
# of start-up.
prefixes=("$WINEPREFIX:$ORVALIS_ARCH")
for id in "${ids[@]}"; do prefixes+=("$WINEPREFIX-$id:$ORVALIS_ARCH"); done
[ ! -d "$WINEPREFIX-wow64" ] || prefixes+=("$WINEPREFIX-wow64:win64")
for p in "${prefixes[@]}"; do
    (
        export WINEPREFIX=${p%:*} WINEARCH=${p##*:}
        wineserver -p 2>/dev/null || true   # already running is fine
        cd "$WINEPREFIX/drive_c" && "$WINELOADER" cmd /c exit 0
    ) >/dev/null 2>&1
done
rc=0
log=$build/Testing/test-sh.log
mkdir -p "$(dirname "$log")"
ctest --preset "$ORVALIS_ARCH" -j "$jobs" --resource-spec-file "$spec" --output-log "$log" "$@" || rc=$?
for p in "${prefixes[@]}"; do
    WINEPREFIX=${p%:*} wineserver -k || true
done
# The copies are kept after a failure, to look into.
if [ $rc = 0 ]; then
    for id in "${ids[@]}"; do rm -rf "$WINEPREFIX-$id"; done
fi
count=$(sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
echo "suite: ${count:-no} tests in $(($(date +%s) - started)) s"
exit $rc
