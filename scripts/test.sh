#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
. scripts/wine-env.sh
export WINEPREFIX=$PWD/build/$ORVALIS_ARCH/wineprefix
# The prefixes the tests run in: the build's own and, for the 32-bit build, a 64-bit one for
# the WoW64 case. A persistent server per prefix saves every test program about 2.5 s of start-up.
prefixes=("$WINEPREFIX:$ORVALIS_ARCH")
[ ! -d "$WINEPREFIX-wow64" ] || prefixes+=("$WINEPREFIX-wow64:win64")
for p in "${prefixes[@]}"; do
    (
        export WINEPREFIX=${p%:*} WINEARCH=${p##*:}
        wineserver -p 2>/dev/null || true   # already running is fine
        cd "$WINEPREFIX/drive_c" && "$WINELOADER" cmd /c exit 0
    ) >/dev/null 2>&1
done
rc=0
ctest --preset "$ORVALIS_ARCH" "$@" || rc=$?
for p in "${prefixes[@]}"; do
    WINEPREFIX=${p%:*} wineserver -k || true
done
exit $rc
