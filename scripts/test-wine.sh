#!/bin/sh
# test-wine.sh LOADER PROGRAM [ARGUMENTS...]
# Runs a test program under Wine in the prefix that ctest has allotted the test: the resource
# "prefix" with id 1 is the build's prefix $WINEPREFIX, id N the build's copy $WINEPREFIX-N. The
# program starts from the same folder inside that prefix as ctest's working folder lies in the
# build's. Without an allotment (ctest without the preset's resource file) it runs in $WINEPREFIX.
# A test and its prefix's wineserver share one processor (prefix N: processor (N-1) mod count, as
# scripts/test.sh starts the servers): each request to the server costs microseconds there, and
# tens of them across processors.
set -eu
loader=$1
shift
slot=${CTEST_RESOURCE_GROUP_0_PREFIX:-}
id=${slot#id:}
id=${id%%,*}
if [ -n "$id" ] && [ "$id" != 1 ]; then
    copy=${WINEPREFIX:?must name the prefix of the build}-$id
    [ -f "$copy/.orvalis-prefix" ] || { echo "test-wine.sh: no prefix $copy (the build makes it)" >&2; exit 1; }
    here=$(pwd -P)
    prefix=$(cd "$WINEPREFIX" && pwd -P)
    case "$here/" in
        "$prefix"/*) cd "$copy${here#"$prefix"}" ;;
        *) echo "test-wine.sh: $here lies outside $WINEPREFIX" >&2; exit 1 ;;
    esac
    WINEPREFIX=$copy
    export WINEPREFIX
fi
[ -n "$id" ] || exec "$loader" "$@"
echo "[prefix] $WINEPREFIX" >&2
command -v taskset >/dev/null || exec "$loader" "$@"
exec taskset -c $(((id - 1) % $(nproc))) "$loader" "$@"
