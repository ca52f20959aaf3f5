#!/usr/bin/env bash
# Checks an installed Drydock under ROOT (ROOT/usr/bin/drydock and what goes
# with it), as `cmake --install --prefix ROOT/usr` or `dpkg -x drydock.deb ROOT`
# lay it out:
#   - the desktop entry passes desktop-file-validate, names the program, the
#     icon and the archive types; the AppStream file passes appstreamcli;
#   - the icon is an SVG drawing; the manual page is what `drydock --man` prints;
#   - the installed program runs: --version, `demo DIR`, and `add ARCHIVE`, which
#     must put the mod under $XDG_DATA_HOME/drydock, never beside the program.
#
#   scripts/check_install.sh ROOT
set -euo pipefail

root=${1:?usage: check_install.sh ROOT}
id=org.example.drydock
prefix=$root/usr
exe=$prefix/bin/drydock
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program runs as a user's would, but in a home folder of its own: nothing it writes (locks,
# caches, the trash) may reach the real one.
export HOME=$work/user XDG_DATA_HOME=$work/user/data XDG_CACHE_HOME=$work/user/cache XDG_CONFIG_HOME=$work/user/config
mkdir -p "$HOME"
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

[ -x "$exe" ] || { echo "FAILED: no program at $exe" >&2; exit 1; }
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
icon=$prefix/share/icons/hicolor/scalable/apps/$id.svg
manpage=$prefix/share/man/man1/drydock.1

desktop-file-validate --no-hints "$desktop" || fail "desktop-file-validate $desktop"
grep -qx 'Exec=drydock %F' "$desktop" || fail "the desktop entry does not start drydock with the files"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
grep -qx 'Categories=Game;Utility;' "$desktop" || fail "the desktop entry's categories"
for type in application/zip application/x-7z-compressed application/vnd.rar application/x-tar \
  application/x-compressed-tar application/x-bzip-compressed-tar application/x-xz-compressed-tar; do
  grep -q "^MimeType=.*$type;" "$desktop" || fail "the desktop entry lacks $type"
done
appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 || {
  cat "$work/appstream.txt" >&2
  fail "appstreamcli validate $metainfo"
}
grep -q '<svg' "$icon" || fail "no SVG icon at $icon"

version=$("$exe" --version) || fail "$exe --version"
[[ $version == "drydock "[0-9]* ]] || fail "--version printed: $version"
if [ -e "$manpage" ] || [ -e "$manpage.gz" ]; then
  installed_man=$( { [ -e "$manpage" ] && cat "$manpage"; } || zcat "$manpage.gz")
  [ "$installed_man" == "$("$exe" --man)" ] || fail "the installed manual page is not what drydock --man prints"
else
  fail "no manual page at $manpage"
fi

demo=$("$exe" demo "$work/demo") || fail "drydock demo"
grep -q '^created: ' <<<"$demo" || fail "drydock demo printed: $demo"
game=$(sed -n 's/^game-dir: //p' <<<"$demo")
[ -f "$game/Armada2.exe" ] || fail "the demo has no game: $demo"

# A system-wide install keeps the mods per user.
mkdir -p "$work/mod/odf" "$work/xdg" "$work/home"
echo unit >"$work/mod/odf/fed.odf"
bsdtar -a -cf "$work/Fleet.zip" -C "$work/mod" odf
added=$(HOME=$work/home XDG_DATA_HOME=$work/xdg "$exe" add "$work/Fleet.zip") ||
  fail "drydock add"
[ "$added" == "added: Fleet" ] || fail "drydock add printed: $added"
[ -f "$work/xdg/drydock/mods/Fleet/odf/fed.odf" ] || fail "the mod is not under \$XDG_DATA_HOME/drydock/mods"
[ ! -e "$prefix/bin/mods" ] || fail "mods were put beside the installed program"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) of the install in $root failed" >&2
  exit 1
fi
echo "the install in $root is complete: $version"
