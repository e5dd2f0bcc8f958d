#!/bin/sh
# test-wine.sh LOADER PROGRAM [ARGUMENTS...]
# Runs a test program under Wine for the tests that need a prefix to themselves: they start the
# program, whose key, footprint, mutex and windows are one per prefix, or compare the whole drive
# before and after. When ctest has allotted the test one of the copies of the build's prefix that
# scripts/test.sh makes (resource "prefix", id N: the copy $WINEPREFIX-N), it runs there, from the
# same folder inside it; without an allotment (ctest run one test at a time) in $WINEPREFIX.
set -eu
loader=$1
shift
slot=${CTEST_RESOURCE_GROUP_0_PREFIX:-}
if [ -n "$slot" ]; then
    id=${slot#id:}
    id=${id%%,*}
    copy=$WINEPREFIX-$id
    [ -f "$copy/.orvalis-prefix" ] || { echo "test-wine.sh: no prefix $copy (scripts/test.sh makes it)" >&2; exit 1; }
    here=$(pwd -P)
    prefix=$(cd "$WINEPREFIX" && pwd -P)
    case "$here/" in
        "$prefix"/*) cd "$copy${here#"$prefix"}" ;;
        *) echo "test-wine.sh: $here lies outside $WINEPREFIX" >&2; exit 1 ;;
    esac
    WINEPREFIX=$copy
    export WINEPREFIX
    echo "[prefix] $copy" >&2
fi
exec "$loader" "$@"
