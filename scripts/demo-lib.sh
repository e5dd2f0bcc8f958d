# shellcheck shell=bash
# Sourced by scripts/demo.sh and scripts/screenshots.sh: a Wine prefix of their own with a demo
# installation of the application, a display, and the uninstaller worked from outside by
# OrvalisDemoDriver.exe. Expects the working directory to be the repository's root.

# demo_prepare DIR [PROGRAM.exe]: installs what is missing, builds, and makes the prefix
# DIR/wineprefix with the uninstaller (or PROGRAM in its place) and the demo's programs in
# C:\OrvalisTest. Sets root, bin, demo, prefix, stage and WINEPREFIX.
demo_prepare() {
    root=$PWD
    demo=$1
    scripts/install-deps.sh
    scripts/build.sh
    . scripts/wine-env.sh
    bin=$root/build/$ORVALIS_ARCH
    local program
    program=$(realpath "${2:-$bin/shipped/app/OrvalisUninstaller.exe}")
    prefix=$demo/wineprefix
    stage=$prefix/drive_c/OrvalisTest
    mkdir -p "$demo"
    echo "== Wine prefix $prefix"
    scripts/make-prefix.sh "$prefix" x11
    export WINEPREFIX=$prefix
    mkdir -p "$stage"
    cp "$program" "$stage/OrvalisUninstaller.exe"
    cp "$bin/demo/OrvalisKicker.exe" "$bin/demo/OrvalisDemoSeed.exe" "$bin/demo/OrvalisDemoDriver.exe" "$stage/"
    trap demo_finish EXIT
}

xvfb_pid=
app_pid=
demo_finish() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}

# poll SECONDS CONDITION...: runs CONDITION every 0.1 s for at most SECONDS; fails when time runs out.
poll() {
    local limit=$(( $1 * 10 )) i=0
    shift
    until "$@"; do
        i=$((i + 1))
        [ "$i" -lt "$limit" ] || return 1
        sleep 0.1
    done
}

# demo_display [virtual]: keeps a working $DISPLAY unless told otherwise, else starts Xvfb.
# Sets virtual=1 for Xvfb. Must come before any Wine process: they keep the display they
# were started with.
virtual=
demo_display() {
    if [ "${1:-}" != virtual ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        echo "== Display $DISPLAY"
        return
    fi
    virtual=1
    exec 3>"$demo/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    poll 10 test -s "$demo/display" || { echo "Xvfb did not start" >&2; exit 1; }
    DISPLAY=:$(head -n1 "$demo/display")
    export DISPLAY
    poll 10 xdpyinfo >/dev/null 2>&1 || { echo "Xvfb does not answer" >&2; exit 1; }
    echo "== Virtual display $DISPLAY"
}

# A persistent server and Wine's own processes first: every later Wine call is then quick.
demo_start_wine() {
    wineserver -p
    (cd "$prefix/drive_c" && "$WINELOADER" cmd /c exit 0) >/dev/null 2>&1
}

# Lays out the demo installation and lists it.
demo_seed() {
    echo "== Demo installation"
    # The seeding program writes code page 932; its output goes through a file to be converted.
    local rc=0
    (cd "$stage" && "$WINELOADER" OrvalisDemoSeed.exe >"$demo/seed.log" 2>&1) || rc=$?
    iconv -f CP932 -t UTF-8 "$demo/seed.log" | grep -v '^made' || true
    [ "$rc" = 0 ] || { echo "the demo installation could not be made" >&2; exit 1; }
    footprint
    grep -q "$(printf 'オルヴァリス' | iconv -f UTF-8 -t CP932)" "$demo/reg.log" \
        || { echo "the Japanese display name did not reach the registry" >&2; exit 1; }
}

# Lists what the installation has left in the registry and on disk; sets left=1 if anything.
left=
footprint() {
    local key files
    left=
    for key in 'HKLM\SoftWare\Halvik\Orvalis' 'HKLM\SoftWare\Microsoft\Windows\CurrentVersion\Uninstall\Orvalis'; do
        if (cd "$stage" && "$WINELOADER" reg query "$key" /s >"$demo/reg.log" 2>&1); then
            iconv -f CP932 -t UTF-8 "$demo/reg.log" | tr -d '\r' | grep -v '^$'
            left=1
        fi
    done
    [ -n "$left" ] || echo "(no registry keys)"
    files=$(cd "$prefix/drive_c" && find . \( -path './Program Files/Orvalis*' -o -path '*/オルヴァリス*' \) \
        -printf '%M  C:/%P\n' | sed 's|^\(..........\)  C:/\./|\1  C:/|' | sort -k2)
    if [ -n "$files" ]; then echo "$files"; left=1; else echo "(no files or folders)"; fi
}

# Starts the uninstaller in the background from C:\OrvalisTest.
demo_start_program() {
    (cd "$stage" && exec "$WINELOADER" OrvalisUninstaller.exe) >/dev/null 2>&1 &
    app_pid=$!
}

# drive STEP...: one step of OrvalisDemoDriver.exe (see demo/DemoDriver.cpp); its answer,
# converted to UTF-8, goes to $demo/driver.txt for field to read. Written to a file first:
# a Wine program inside $(...) can keep the pipe open.
drive() {
    local rc=0
    (cd "$stage" && "$WINELOADER" OrvalisDemoDriver.exe "$@" >"$demo/driver.log" 2>"$demo/driver.err") || rc=$?
    iconv -f CP932 -t UTF-8 "$demo/driver.log" | tr -d '\r' >"$demo/driver.txt"
    if [ "$rc" != 0 ]; then
        echo "driver step '$*' failed: $(tr -d '\r' <"$demo/driver.err")" >&2
        return 1
    fi
}

# field NAME: the value of the driver's line "NAME value".
field() {
    sed -n "s/^$1 //p" "$demo/driver.txt" | head -n1
}

# capture "LEFT TOP RIGHT BOTTOM" FILE: saves that part of the screen once its painting has
# ended, that is when two pictures in a row agree.
capture() {
    local l t r b geometry last='' now i=0
    read -r l t r b <<<"$1"
    geometry=$((r - l))x$((b - t))+$l+$t
    until now=$(import -window root -crop "$geometry" +repage rgb:- 2>/dev/null | md5sum) && [ "$now" = "$last" ]; do
        last=$now
        i=$((i + 1))
        [ "$i" -lt 50 ] || { echo "   (the picture kept changing; taking it anyway)"; break; }
        sleep 0.1
    done
    # Without the time stamps, the same picture gives the same file.
    import -window root -crop "$geometry" +repage -define png:exclude-chunks=date,time "$2"
    echo "== Screenshot $2 ($geometry)"
}
