#!/usr/bin/env bash
# Installing and uninstalling a large mod, each against the least work that
# does the same, measured in the same run.
#
#   bench/install_bench.sh [BUILD_DIR [FILES [MEGABYTES]]]   (default: build 5000 300)
#
# The mod: FILES files, MEGABYTES in all, in the game folder table's folders; half of
# them replace game files, half are new. Install baseline: `cp -a` of the mod's
# files into a fresh copy of the game, then `sync`. Uninstall baseline:
# uninstall_baseline links every kept file back over its game file, deletes the
# added files and the backup, then syncs. Drydock flushes the disk itself
# before it returns, so every side is timed to the end of a flush.
# Every timed run starts with nothing left to flush and the mod's files in the
# page cache; both uninstalls start from what `drydock install` left in a fresh
# game copy. Each side runs three times and the best run counts. The script
# only reports the ratios; it fails when a result is wrong.
set -euo pipefail

build=${1:-build}
files=${2:-5000}
megabytes=${3:-300}
exe=$build/drydock
gen=$build/bench/make_install_fixture
undo=$build/bench/uninstall_baseline
for f in "$exe" "$gen" "$undo"; do
  [[ -x $f ]] || { echo "missing $f: build first (cmake --build $build)" >&2; exit 2; }
done

rounds=3
work=$(mktemp -d "${TMPDIR:-/tmp}/drydock-install-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$gen" "$work/fixture" "$files" "$megabytes"
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

fail() { echo "round $round: $*" >&2; exit 1; }
run() { "$@" >"$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; exit 1; }; }
drydock() { run "$exe" --program-dir "$prog" --game-dir "$game" --yes "$@"; }

# The engine's own files in the backup start with ".drydock-"; the rest are kept game files.
check_installed() {
  local kept
  kept=$(find "$mod/Backup" -type f ! -name '.drydock-*' | wc -l)
  [[ $kept == $((files / 2)) ]] || fail "the backup holds $kept files, not $((files / 2))"
  cmp -s "$mod/odf/ships/file00056.dat" "$game/odf/ships/file00056.dat" || fail "install did not copy"
}

check_uninstalled() {
  diff -r "$work/fixture/game" "$game" >/dev/null || fail "$1: the game did not come back"
  [[ ! -e $mod/Backup ]] || fail "$1: the backup is still there"
}

best_copy="" best_install="" best_undo="" best_uninstall=""
for round in $(seq "$rounds"); do
  fresh_game
  start=$EPOCHREALTIME
  cp -a "$mod/." "$game/"
  sync
  best_copy=$(least "$best_copy" "$(since "$start")")

  fresh_game
  start=$EPOCHREALTIME
  drydock install Big
  best_install=$(least "$best_install" "$(since "$start")")
  check_installed

  sync
  start=$EPOCHREALTIME
  run "$undo" "$game" "$mod"
  best_undo=$(least "$best_undo" "$(since "$start")")
  check_uninstalled "the baseline"

  # The same kind of state again: backup files linked to a fresh copy's game files.
  fresh_game
  drydock install Big
  check_installed
  sync
  start=$EPOCHREALTIME
  drydock uninstall Big
  best_uninstall=$(least "$best_uninstall" "$(since "$start")")
  check_uninstalled "drydock uninstall"
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "install of $files files, $megabytes MB, half of them replacing game files (best of $rounds):"
printf '  drydock install      %8.3f s\n' "$best_install"
printf '  cp -a + sync         %8.3f s\n' "$best_copy"
printf '  ratio                %8s    (goal: at most 1.25)\n' "$(ratio "$best_install" "$best_copy")"
printf '  drydock uninstall    %8.3f s   (game back byte for byte)\n' "$best_uninstall"
printf '  link back + sync     %8.3f s\n' "$best_undo"
printf '  ratio                %8s    (goal: at most 1.5)\n' "$(ratio "$best_uninstall" "$best_undo")"
