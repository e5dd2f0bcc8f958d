#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
. scripts/wine-env.sh
export WINEPREFIX=$PWD/build/$ORVALIS_ARCH/wineprefix
# A persistent server saves every test program about 2.5 s of start-up.
wineserver -p 2>/dev/null || true   # already running is fine
(cd "$WINEPREFIX/drive_c" && "$WINELOADER" cmd /c exit 0) >/dev/null 2>&1
rc=0
ctest --preset "$ORVALIS_ARCH" "$@" || rc=$?
wineserver -k || true
exit $rc
