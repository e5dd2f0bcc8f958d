#!/usr/bin/env bash
# Installs what building and running the program under Wine needs on Debian 12.
# Does nothing that is already done, so it is cheap to call before every build.
set -euo pipefail
pkgs=(wine wine64 wine32:i386 g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake googletest
      xvfb xauth x11-utils fonts-ipafont-gothic fonts-wine imagemagick locales
      gcc libc6-dev)
sudo=
[ "$(id -u)" = 0 ] || sudo=sudo

missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Without a Japanese locale Wine runs with code page 1252 instead of 932. The tests also run
# under an English system code page (en_US: 1252) and a UTF-8 one (hi_IN: 65001).
for l in ja_JP en_US hi_IN; do
    if ! locale -a 2>/dev/null | grep -qix "$l.utf8"; then
        $sudo localedef -i $l -f UTF-8 $l.UTF-8
    fi
done
