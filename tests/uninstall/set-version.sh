#!/bin/sh
# set-version.sh LOADER PROGRAM VERSION PREFIX...
# Makes Wine report another Windows version (win98, nt40, ...) to the program of that exe name
# in each prefix, in all of them at once.
set -eu
loader=$1
program=$2
version=$3
shift 3
pids=
for prefix; do
    # From a folder inside the prefix: none outside it is mapped.
    (cd "$prefix/drive_c" && WINEPREFIX=$prefix "$loader" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" \
        /v Version /d "$version" /f >/dev/null) &
    pids="$pids $!"
done
for pid in $pids; do
    wait "$pid"
done
