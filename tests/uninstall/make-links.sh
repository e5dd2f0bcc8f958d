#!/bin/sh
# make-links.sh PREFIX...
# Lays out, inside each test prefix only, trees holding Unix links (which Wine shows as
# links) to folders and a file outside them, and a hard link to a read-only file outside, for
# the tree removal's link tests, and a desktop folder whose shortcut is a link to a document
# beside it, for the uninstall's shortcut test. Every link target lies inside the same folder
# of the prefix.
set -eu
if [ $# -gt 1 ]; then
    for prefix; do sh "$0" "$prefix"; done
    exit 0
fi
case "${1:-}" in /*) ;; *) echo "make-links.sh: PREFIX must be absolute" >&2; exit 2 ;; esac
base="$1/drive_c/OrvalisTest/TreeRemoverLinks"
[ -d "$1/drive_c" ] || { echo "make-links.sh: no prefix at $1" >&2; exit 2; }
rm -rf "$base"
mkdir -p "$base/outside/inner" "$base/empty"
echo keep > "$base/outside/keep1.txt"
echo keep > "$base/outside/keep2.txt"
echo keep > "$base/outside/inner/keep3.txt"
echo keep > "$base/outfile.txt"
# One tree per kind of link, as a removal stops at the first link it cannot remove.
for kind in folder toempty file deep; do
    mkdir -p "$base/$kind/sub"
    echo a > "$base/$kind/a.txt"
    echo b > "$base/$kind/sub/b.txt"
done
ln -s ../outside "$base/folder/link"
ln -s ../empty "$base/toempty/link"
ln -s ../outfile.txt "$base/file/link.txt"
ln -s ../../outside "$base/deep/sub/link"
ln -s outside "$base/top"
# A hard link to a read-only document of the user's, whose attributes and times it shares.
mkdir -p "$base/hard/sub"
echo "the user's own" > "$base/document.doc"
touch -d '2020-01-02 03:04:05.123456789' "$base/document.doc"
chmod 444 "$base/document.doc"
ln "$base/document.doc" "$base/hard/sub/document.doc"
# A link to the prefix's own Windows folder, which must be refused as the folder itself.
ln -s ../../windows "$base/windows"

# Wine moves and deletes a file link's target, not the link: only Linux can place it.
shortcuts="$1/drive_c/OrvalisTest/ShortcutLinks"
rm -rf "$shortcuts"
mkdir -p "$shortcuts/Desktop"
echo "the user's own" > "$shortcuts/document.txt"
ln -s ../document.txt "$shortcuts/Desktop/オルヴァリス.lnk"
