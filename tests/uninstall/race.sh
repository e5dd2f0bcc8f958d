#!/bin/sh
# race.sh PREFIX WINE WORKDIR [ROUNDS]
# The tree removal against an attacker who swaps entries for links while it works. Per round:
# six small trees inside the prefix, the attacker (race-attacker.c, built here with the host's
# cc, as only Linux can make the links) watching them at real-time priority, both cores busy,
# and the real tree removal (bench_remove.exe, staged with the tests) run on them. In three
# trees read-only files are swapped for a link to an outside read-only file; in the other three
# folders are swapped, the moment their read-only file is opened, for a link to an outside
# folder holding a read-only file of the same name. Fails when anything outside changed
# (content, mode, size, modification or change time) after a round.
set -eu
case "${1:-}" in /*) ;; *) echo "race.sh: PREFIX must be absolute" >&2; exit 2 ;; esac
prefix=$1 wine=$2 work=$3 rounds=${4:-4}
[ -d "$prefix/drive_c/OrvalisTest" ] || { echo "race.sh: no staged prefix at $prefix" >&2; exit 2; }
base=$prefix/drive_c/OrvalisTest/TreeRemoverRace
mkdir -p "$work"
cc -O2 -Wall -o "$work/race-attacker" "$(dirname "$0")/race-attacker.c"

load_pids=
attacker=
cleanup() {
    for pid in $load_pids $attacker; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$base"
}
trap cleanup EXIT INT TERM
# Busy cores make the removal lose the processor between its steps, which gives the attacker
# its chance: on an idle machine it hardly ever wins.
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    load_pids="$load_pids $!"
done
prio=
if chrt -f 50 true 2>/dev/null; then prio="chrt -f 50"; elif nice -n -20 true 2>/dev/null; then prio="nice -n -20"; fi

# What each tree's links lead to: outside/<tree>/victim.txt and outside/<tree>/dir/ro.txt.
make_outside() {
    rm -rf "$base/outside/$1"
    mkdir -p "$base/outside/$1/dir"
    echo "the user's own" > "$base/outside/$1/victim.txt"
    echo "the user's own too" > "$base/outside/$1/dir/ro.txt"
    touch -d '2020-01-02 03:04:05.123456789' "$base/outside/$1/victim.txt" "$base/outside/$1/dir/ro.txt"
    chmod 444 "$base/outside/$1/victim.txt" "$base/outside/$1/dir/ro.txt"
}
snapshot() {
    find "$base/outside/$1" -exec stat -c '%n %a %s %y %z' {} + | sort
    find "$base/outside/$1" -type f -exec cat {} +
}

rm -rf "$base"
mkdir -p "$base"
for t in 1 2 3 4 5 6; do
    make_outside $t
    snapshot $t > "$work/before-$t"
done
hurt=0 swaps=0 start=$(date +%s)
for round in $(seq 1 "$rounds"); do
    rm -rf "$base/trees" "$base/away"
    mkdir -p "$base/trees" "$base/away"
    # Each tree stops at its first failure, so a swap per tree: three of each kind per round.
    paths=
    for t in 1 2 3 4 5 6; do
        for i in 1 2 3; do
            if [ $t -le 3 ]; then
                mkdir -p "$base/trees/$t/f$i"
                echo "in the tree" > "$base/trees/$t/f$i/victim.txt"
                chmod 444 "$base/trees/$t/f$i/victim.txt"
            else
                mkdir -p "$base/trees/$t/d$i"
                echo "in the tree" > "$base/trees/$t/d$i/ro.txt"
                chmod 444 "$base/trees/$t/d$i/ro.txt"
            fi
        done
        paths="$paths C:\\OrvalisTest\\TreeRemoverRace\\trees\\$t"
    done
    rm -f "$work/ready"
    $prio "$work/race-attacker" "$base/trees" "$base/away" "$base/outside" "$work/ready" > "$work/swaps" &
    attacker=$!
    n=0
    while [ ! -e "$work/ready" ] && [ $n -lt 200 ]; do sleep 0.01; n=$((n + 1)); done
    # Written to a file: a Wine program inside $(...) can keep the pipe open.
    # shellcheck disable=SC2086
    (cd "$prefix/drive_c" && "$wine" 'C:\OrvalisTest\bench_remove.exe' RemoveFolder $paths > "$work/removal" 2>&1) || true
    kill "$attacker"
    wait "$attacker" || true
    attacker=
    swaps=$((swaps + $(cat "$work/swaps" 2>/dev/null || echo 0)))
    for t in 1 2 3 4 5 6; do
        snapshot $t > "$work/after"
        if ! cmp -s "$work/before-$t" "$work/after"; then
            hurt=$((hurt + 1))
            echo "round $round, tree $t ($([ $t -le 3 ] && echo file || echo folder) swap): outside changed" >&2
            diff "$work/before-$t" "$work/after" >&2 || true
            make_outside $t
            snapshot $t > "$work/before-$t"
        fi
    done
done
echo "rounds $rounds, swaps landed $swaps of $((rounds * 6)), swaps that changed the outside $hurt," \
     "$(( $(date +%s) - start )) s," \
     "attacker ${prio:-at normal priority}"
[ "$hurt" -eq 0 ]
