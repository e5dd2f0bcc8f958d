#!/usr/bin/env bash
# make-prefix.sh DIR [null|x11] [win32|win64]
# Creates a Wine prefix that cannot reach the host: no Z: drive, profile folders that are real
# folders instead of links into the host's home, Japanese fonts, and the given display driver
# (null needs no X server; x11 is for the demo and screenshots). The prefix is of the build's
# architecture unless told: a 64-bit prefix runs the 32-bit build under WoW64.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
dir=$1
driver=${2:-null}
arch=${3:-$ORVALIS_ARCH}
case "$dir" in /*) ;; *) echo "make-prefix.sh: DIR must be absolute" >&2; exit 2 ;; esac
export WINEPREFIX=$dir
case "$arch" in
    "$ORVALIS_ARCH") ;;
    win64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 ;;
    *) echo "make-prefix.sh: a $arch prefix cannot run the $ORVALIS_ARCH build" >&2; exit 2 ;;
esac

[ -d "$dir" ] && { WINEPREFIX=$dir wineserver -k 2>/dev/null || true; rm -rf "$dir"; }
"$WINELOADER" wineboot -i >/dev/null 2>&1
wineserver -w

rm -f "$dir/dosdevices/z:"
# Every link below users/ leads into the host's home or elsewhere outside the prefix.
find "$dir/drive_c/users" -type l | while read -r link; do
    rm -f "$link"
    mkdir -p "$link"
done
mkdir -p "$dir/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$dir/drive_c/windows/Fonts/" 2>/dev/null || true

wineserver -p
cd "$dir/drive_c"   # a working folder that Wine can see
reg() { "$WINELOADER" reg add "$@" /f >/dev/null; }
repl='HKCU\Software\Wine\Fonts\Replacements'
for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do reg "$repl" /v "$face" /d IPAPGothic; done
for face in 'ＭＳ ゴシック' 'MS Gothic'; do reg "$repl" /v "$face" /d IPAGothic; done
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
if [ "$driver" = null ]; then reg 'HKCU\Software\Wine\Drivers' /v Graphics /d null; fi
wineserver -k
wineserver -w
[ ! -e "$dir/dosdevices/z:" ] || { echo "make-prefix.sh: Z: still mapped" >&2; exit 1; }
[ -z "$(find "$dir/drive_c" -type l)" ] || { echo "make-prefix.sh: links left on drive C:" >&2; exit 1; }
touch "$dir/.orvalis-prefix"
