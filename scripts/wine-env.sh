# Sourced by the scripts: picks the Windows build that this host can run and sets the
# environment that every Wine call of ours uses. ORVALIS_ARCH=win32|win64 overrides.
if [ -z "${ORVALIS_ARCH:-}" ]; then
    # Some hosts cannot execute 32-bit x86 code at all; the 64-bit twin stands in there.
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then ORVALIS_ARCH=win32; else ORVALIS_ARCH=win64; fi
fi
case "$ORVALIS_ARCH" in
    win32) WINELOADER=/usr/lib/wine/wine ;;
    win64) WINELOADER=/usr/lib/wine/wine64 ;;
    *) echo "ORVALIS_ARCH must be win32 or win64" >&2; return 1 ;;
esac
export ORVALIS_ARCH WINELOADER WINEARCH="$ORVALIS_ARCH"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
