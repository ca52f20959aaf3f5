#!/usr/bin/env bash
# Installing and uninstalling a large mod, against a plain copy of the same
# bytes measured in the same run.
#
#   bench/install_bench.sh [BUILD_DIR]        (default: build)
#
# The mod: 5000 files, 300 MB, in the game folder table's folders; half of
# them replace game files, half are new. Baseline: `cp -a` of the mod's files
# into a fresh copy of the game, then `sync`; the install flushes the disk
# itself before it returns, so both sides are timed to the end of a flush.
# Every timed run starts from a fresh game copy with nothing left to flush
# and the mod's files read into the page cache; each side runs twice and the
# better run counts.
set -euo pipefail

build=${1:-build}
exe=$build/drydock
gen=$build/bench/make_install_fixture
for f in "$exe" "$gen"; do
  [[ -x $f ]] || { echo "missing $f: build first (cmake --build $build)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/drydock-install-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$gen" "$work/fixture" 5000 300
prog=$work/fixture/prog
mod=$prog/mods/Big
game=$work/run/game

fresh_game() {
  rm -rf "$work/run"
  mkdir -p "$work/run"
  cp -a "$work/fixture/game" "$game"
  sync
  find "$mod" -type f -exec cat {} + >/dev/null
}

# Seconds since `start`, and the smaller of two figures.
since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

drydock() { "$exe" --program-dir "$prog" --game-dir "$game" --yes "$@" >"$work/out.txt" 2>&1 || {
  cat "$work/out.txt" >&2
  exit 1
}; }

best_copy="" best_install="" best_uninstall=""
for round in 1 2; do
  fresh_game
  start=$EPOCHREALTIME
  cp -a "$mod/." "$game/"
  sync
  best_copy=$(least "$best_copy" "$(since "$start")")

  fresh_game
  start=$EPOCHREALTIME
  drydock install Big
  best_install=$(least "$best_install" "$(since "$start")")
  kept=$(find "$mod/Backup" -type f ! -name .drydock-added | wc -l)
  [[ $kept == 2500 ]] || { echo "round $round: the backup holds $kept files, not 2500" >&2; exit 1; }
  cmp -s "$mod/odf/ships/file00056.dat" "$game/odf/ships/file00056.dat" || { echo "install did not copy" >&2; exit 1; }

  sync
  start=$EPOCHREALTIME
  drydock uninstall Big
  best_uninstall=$(least "$best_uninstall" "$(since "$start")")
  diff -r "$work/fixture/game" "$game" >/dev/null || { echo "round $round: the game did not come back" >&2; exit 1; }
  [[ ! -e $mod/Backup ]] || { echo "round $round: the backup is still there" >&2; exit 1; }
done

echo "install of 5000 files, 300 MB, half of them replacing game files (best of 2):"
printf '  drydock install      %8.3f s\n' "$best_install"
printf '  cp -a + sync         %8.3f s\n' "$best_copy"
printf '  ratio                %8.2f    (goal: at most 1.5)\n' "$(awk -v a="$best_install" -v b="$best_copy" 'BEGIN { print a / b }')"
printf '  drydock uninstall    %8.3f s   (game back byte for byte)\n' "$best_uninstall"
