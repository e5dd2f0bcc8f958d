#!/usr/bin/env bash
# scripts/screenshots.sh
# Renders the README's pictures on a virtual display (Xvfb) with the Japanese fonts, in a Wine
# prefix of its own (build/screenshots/wineprefix) holding the demo installation, each cropped
# to its window: docs/main.png (the page of an installed application), docs/confirm.png (the
# confirmation after 実行, answered with No), docs/about.png (the About box from the system
# menu) and docs/result.png (the result message of the uninstall that follows).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/demo-lib.sh
demo_prepare "$PWD/build/screenshots"
docs=$root/docs
mkdir -p "$docs"
demo_display virtual
demo_start_wine
demo_seed >/dev/null

demo_start_program
drive main
[ "$(field execute)" = 1 ] || { echo "screenshots.sh: the page shows no installation" >&2; exit 1; }
capture "$(field window)" "$docs/main.png"

drive about
capture "$(field box)" "$docs/about.png"
drive answer 1

drive execute
capture "$(field box)" "$docs/confirm.png"
drive answer 7

drive execute
drive answer 6 20000
echo "   $(field text)"
capture "$(field box)" "$docs/result.png"
drive answer 1
drive exit
app_pid=
