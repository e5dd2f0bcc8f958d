#!/usr/bin/env bash
# bench.sh [RUNS]
# Times the removal of an album-sized folder tree (10,000 files over 100 folders, a tenth
# read-only, 300 of photo size) by RemoveFolder, std::filesystem::remove_all and
# "cmd /c rd /s /q" under Wine, and by a native "rm -rf" as the floor. Each method gets a
# fresh copy of the same tree in every run; the methods take turns in a rotating order.
# Every run checks that the tree is gone and that nothing beside it was touched. Prints every
# time with the load, the medians, their ratios and RemoveFolder's against the goals (no
# slower than the fastest peer under Wine, within twice the native floor). Not a test.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
scripts/build.sh >/dev/null
. scripts/wine-env.sh
export WINEPREFIX=$PWD/build/$ORVALIS_ARCH/wineprefix
root=$WINEPREFIX/drive_c/OrvalisBench
template=$root/template
tree=$root/tree
methods=(RemoveFolder remove_all rd rm)

make_template() {
    rm -rf "$root"
    mkdir -p "$template"
    head -c 3145728 /dev/urandom > "$root/photo.bin"
    local n=0 y m f name
    for y in $(seq 2015 2024); do
        mkdir "$template/$y"
        # Ten folders per year, the year's own included: 100 folders, 100 files each.
        for m in "" $(seq -w 1 9); do
            local dir=$template/$y${m:+/$m}
            [ -d "$dir" ] || mkdir "$dir"
            for f in $(seq -w 1 100); do
                n=$((n + 1))
                name=$dir/IMG_$f.jpg
                if [ $((n % 33)) -eq 0 ]; then
                    cp "$root/photo.bin" "$name"                 # 300 of photo size
                else
                    printf '%*s' $((2000 + n % 30000)) '' > "$name"   # thumbnails, sidecars
                fi
                [ $((n % 10)) -ne 0 ] || chmod 444 "$name"       # a tenth read-only
            done
        done
    done
    rm -f "$root/photo.bin"
}

# One timed removal of a fresh tree; prints the seconds, or "left" when the tree (or any of
# it) stayed. Fails when the removal reached beyond the tree.
run_one() {
    local method=$1 t0 t1 out report
    rm -rf "$tree"
    cp -a "$template" "$tree"
    sync
    if [ "$method" = rm ]; then
        t0=$(date +%s.%N)
        rm -rf "$tree"
        t1=$(date +%s.%N)
        out=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
    else
        # Written to a file: a Wine program inside $(...) can keep the pipe open.
        (cd "$WINEPREFIX/drive_c" && "$WINELOADER" 'C:\OrvalisTest\bench_remove.exe' "$method" 'C:\OrvalisBench\tree' \
            > "$root/out.txt" 2>&1) || true
        read -r out report _ < "$root/out.txt" || true
        # A removal that says it failed but left nothing is worth knowing about.
        [ "$report" != reported-failure ] || echo "  ($method reported failure)" >&2
    fi
    if [ ! -f "$root/sentinel" ] || [ "$(find "$template" | wc -l)" != "$template_entries" ]; then
        return 1
    fi
    # rd reports success even when it did nothing: the tree itself is the judge.
    if [ -e "$tree" ]; then echo "left"; rm -rf "$tree"; else echo "$out"; fi
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "Preparing the tree..."
make_template
echo keep > "$root/sentinel"   # next to the tree: must outlive every removal
template_entries=$(find "$template" | wc -l)
echo "Tree: $(find "$template" -type f | wc -l) files, $(find "$template" -mindepth 1 -type d | wc -l) folders," \
     "$(find "$template" -type f ! -perm -u+w | wc -l) read-only, $(du -sh "$template" | cut -f1)"
wineserver -p 2>/dev/null || true   # already running is fine
(cd "$WINEPREFIX/drive_c" && "$WINELOADER" cmd /c exit 0) >/dev/null 2>&1

echo "Load before: $(load) on $(nproc) cores; $runs runs"
declare -A times
for ((r = 0; r < runs; r++)); do
    for ((i = 0; i < ${#methods[@]}; i++)); do
        m=${methods[$(((i + r) % ${#methods[@]}))]}
        t=$(run_one "$m") || { echo "$m removed something beside its tree; stopping" >&2; exit 1; }
        times[$m]="${times[$m]:-} $t"
        printf '  run %d  %-12s %8s   (load %s)\n' $((r + 1)) "$m" "$t" "$(load)"
    done
done
wineserver -k || true
rm -rf "$root"

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (v[1] == "left") print "left"; else print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
declare -A med
echo
echo "Seconds; \"left\" = the tree (or part of it) stayed, and then the median is \"left\" too."
printf '%-12s %8s   %s\n' method median "times (s)"
for m in "${methods[@]}"; do
    med[$m]=$(echo "${times[$m]}" | median)
    printf '%-12s %8s   %s\n' "$m" "${med[$m]}" "${times[$m]}"
done
echo
echo "Ratios (row time / column time):"
printf '%-12s' ""; for c in "${methods[@]}"; do printf ' %12s' "$c"; done; echo
for m in "${methods[@]}"; do
    printf '%-12s' "$m"
    for c in "${methods[@]}"; do
        awk -v a="${med[$m]}" -v b="${med[$c]}" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf " %12.2f", a / b; else printf " %12s", "-" }'
    done
    echo
done
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else printf "-" }'; }
fastest=$(for m in remove_all rd; do echo "${med[$m]} $m"; done | grep -v '^left' | sort -g | head -1 | cut -d' ' -f2)
if [ -n "$fastest" ]; then
    echo "RemoveFolder / fastest Wine peer ($fastest): $(ratio "${med[RemoveFolder]}" "${med[$fastest]}")   goal <= 1.00"
fi
echo "RemoveFolder / native rm -rf:            $(ratio "${med[RemoveFolder]}" "${med[rm]}")   goal <= 2.00"
echo "Load after: $(load)"
