#!/usr/bin/env bash
# Configures and builds the shipped 32-bit program and, where this host cannot run 32-bit
# code, the 64-bit twin that the tests and the demo run.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
presets=(win32)
[ "$ORVALIS_ARCH" = win32 ] || presets+=("$ORVALIS_ARCH")
for p in "${presets[@]}"; do
    run=ON
    [ "$p" = "$ORVALIS_ARCH" ] || run=OFF
    cmake --preset "$p" -DORVALIS_WINE_PREFIX=$run >/dev/null
    cmake --build --preset "$p"
done
