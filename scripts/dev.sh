#!/usr/bin/env bash
# Build helper for a fresh Debian 12 / Ubuntu machine. Each command installs the packages it
# needs (through sudo when not root) and builds in a folder of its own.
#
#   scripts/dev.sh demo   build the program as users get it (no tests, no fault injection, no
#                         benchmarks) in build/ and open Drydock on a demo game; installs only
#                         what building and running Drydock needs
#   scripts/dev.sh test   add the test tools, build with warnings as errors and fault injection
#                         in build-test/, check the formatting and run the whole test suite (the
#                         launch through Wine included)
#   scripts/dev.sh sanitize
#                         the same test build with AddressSanitizer and UndefinedBehaviorSanitizer
#                         in build-sanitize/ (benchmarks left out); any report fails the run
#   scripts/dev.sh tsan   the test programs labelled `threads` built with ThreadSanitizer in
#                         build-tsan/ (benchmarks left out) and run; any report fails the run
#   scripts/dev.sh bench  a Release build in build-bench/ and every benchmark in bench/, each
#                         figure printed beside its baseline and their ratio (a few minutes)
#   scripts/dev.sh fuzz [SECONDS]
#                         build the libFuzzer targets with Clang in build-fuzz/ and run each
#                         for SECONDS (default 10) on its seed corpus in fuzz/corpus/
#   scripts/dev.sh fuzz-corpus
#                         write the seed corpora in fuzz/corpus/ anew
#   scripts/dev.sh package
#                         build the program as users get it in build-package/, make the .deb
#                         there (cpack) and check it: unpacked into a temporary root with
#                         dpkg -x, it must validate and run (scripts/check_install.sh)
#   scripts/dev.sh windows  install MinGW-w64 and Wine, cross-build the engine and its tests
#                         for Windows (no Qt) in build-windows/ and run them under Wine in a
#                         fresh prefix in a temporary folder; prints every skipped test's reason
#
# Every ctest run fails when it changed the real ~/.cache (ccache's folder aside) or the real
# trash (DRYDOCK_HOME_CHECK=off leaves that check out). BUILD_DIR chooses another build folder.
set -euo pipefail

cd "$(dirname "$0")/.."

# The packages, one list for each purpose; a command installs the lists it needs.
# Building and running Drydock: the compiler, CMake, Qt (with the plugin that draws the SVG window icon)
# and libarchive, which reads mod archives.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgl-dev libarchive-dev libqt6svg6)
# Added for the test suite: GoogleTest; clang-format for the format check; strace for the kill sweeps
# inside system calls; ccache; bsdtar, groff, the desktop-entry and AppStream validators and the
# .deb tools (dpkg-shlibdeps needs `file`) for the archive, manual-page and install checks; Wine and
# MinGW-w64 for the launch through real Wine, with a stand-in game built for Windows.
TEST_PACKAGES=(libgtest-dev clang-format strace ccache libarchive-tools groff-base desktop-file-utils appstream
  dpkg-dev file wine wine64 g++-mingw-w64-x86-64-posix)
# The .deb and its check (scripts/check_install.sh).
PACKAGE_PACKAGES=(dpkg-dev file desktop-file-utils appstream libarchive-tools)
# The engine and its tests cross-built for Windows and run under Wine (no Qt).
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 libgtest-dev)
# The libFuzzer targets: Clang, and its runtimes with libFuzzer (only recommended by Clang, so not
# installed with it here).
FUZZ_PACKAGES=(clang libclang-rt-dev)
# The benchmarks: bsdtar is the baseline of the archive add.
BENCH_PACKAGES=(libarchive-tools)

install_dependencies() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The tests run with home folders of their own (tests/support/test_home.cpp); every ctest run is
# checked all the same: it must leave the user's real cache folder and trash as they were. ccache's
# folder is left out, since the builds fill it. Taken here, before any command points HOME elsewhere.
REAL_HOME=$HOME
WATCHED_FOLDERS=("$REAL_HOME/.cache" "$REAL_HOME/.local/share/Trash")
[ -n "${XDG_CACHE_HOME:-}" ] && WATCHED_FOLDERS+=("$XDG_CACHE_HOME")
[ -n "${XDG_DATA_HOME:-}" ] && WATCHED_FOLDERS+=("$XDG_DATA_HOME/Trash")
# ccache's folder: the one this run uses, and its default one, which other builds on the machine fill.
CCACHE_FOLDERS=("$REAL_HOME/.cache/ccache" "${XDG_CACHE_HOME:-$REAL_HOME/.cache}/ccache")
[ -n "${CCACHE_DIR:-}" ] && CCACHE_FOLDERS+=("$CCACHE_DIR")
command -v ccache >/dev/null && CCACHE_FOLDERS+=("$(ccache -k cache_dir 2>/dev/null || true)")

# One line per entry below the watched folders: kind, size, modification time, path.
home_listing() {
  local skip=() folder
  for folder in "${CCACHE_FOLDERS[@]}"; do
    [ -n "$folder" ] && skip+=(-path "$folder" -prune -o)
  done
  find "${WATCHED_FOLDERS[@]}" "${skip[@]}" -printf '%y %s %TY-%Tm-%Td %TT %p\n' 2>/dev/null | sort || true
}

# Runs a command (a ctest run) and fails when the real cache or trash changed meanwhile, showing how.
# DRYDOCK_HOME_CHECK=off leaves the check out, on a desktop whose other programs write into the cache.
run_home_checked() {
  if [ "${DRYDOCK_HOME_CHECK:-on}" = off ]; then
    "$@"
    return
  fi
  local before after status=0
  before=$(mktemp) after=$(mktemp)
  home_listing >"$before"
  "$@" || status=$?
  home_listing >"$after"
  if ! cmp -s "$before" "$after"; then
    echo "The test run changed the real cache or trash (${WATCHED_FOLDERS[*]}); - before, + after:"
    diff "$before" "$after" | sed -n 's/^< /  - /p; s/^> /  + /p'
    status=1
  fi
  rm -f "$before" "$after"
  return "$status"
}

# The engine tests under Wine, in a prefix of their own that goes afterwards. The Wine
# server stays up for the whole run, so each test program starts in well under a second.
run_windows_tests() {
  SCRATCH=$(mktemp -d)
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$SCRATCH"' EXIT
  export WINEPREFIX="$SCRATCH/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine's recycle bin is the freedesktop trash of $HOME (it does not follow XDG_DATA_HOME, and it is
  # there only when its folders are): keep it in the scratch folder too.
  export XDG_DATA_HOME="$SCRATCH/data" HOME="$SCRATCH/home"
  mkdir -p "$HOME/.local/share/Trash/files" "$HOME/.local/share/Trash/info" "$XDG_DATA_HOME"
  mkdir -p "$WINEPREFIX"
  wineserver -p
  wineboot -i >/dev/null 2>&1 || true  # it reports failures of parts the tests do not need
  local status=0
  run_home_checked ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" || status=$?
  echo "Skipped under Wine, with the reason each gave:"
  awk '/: Skipped$/ {getline why; reason = why} /^\[  SKIPPED \] [^ ]+ \(/ {print "  " $4 ": " reason}' \
    "$BUILD_DIR/Testing/Temporary/LastTest.log" | sort -u
  return $status
}

# configure CMAKE_ARGS...: a Ninja build in $BUILD_DIR, through ccache when it is there.
configure() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
}

# build CMAKE_ARGS...: configure and build everything.
build() {
  configure "$@"
  cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

check_format() {
  local bad=()
  while IFS= read -r f; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done < <(git ls-files -- '*.cpp' '*.h')
  if [ ${#bad[@]} -ne 0 ]; then
    echo "These files are not formatted (run clang-format -i on them):"
    printf '  %s\n' "${bad[@]}"
    return 1
  fi
}

# Runs the suite of a sanitizer build. Reports go to files as well as to the
# test's output, so that one from a child process whose exit code a test does
# not look at still fails the run.
run_sanitized_tests() {
  local reports="$BUILD_DIR/sanitizer-reports"
  rm -rf "$reports" && mkdir -p "$reports"
  local common="halt_on_error=1:print_stacktrace=1:log_path=$(realpath "$reports")/report"
  local status=0
  ASAN_OPTIONS="$common:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1" \
    LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="$common" \
    QT_QPA_PLATFORM=offscreen run_home_checked ctest --test-dir "$BUILD_DIR" --output-on-failure \
    --parallel "$(nproc)" ${SANITIZE_CTEST_ARGS:-} || status=$?
  fail_on_reports "$reports" "Sanitizer reports:" "$status"
}

# Prints every report a sanitizer left in the folder $1 under the heading $2 and fails; else
# returns the test run's status $3.
fail_on_reports() {
  if compgen -G "$1/report*" >/dev/null; then
    echo "$2"
    cat "$1"/report*
    return 1
  fi
  return "$3"
}

# Runs the tests labelled `threads` of a ThreadSanitizer build. As above, every report (of the
# test program or of a program it starts) lands in a file, and any report fails the run. Qt's
# libraries are not built with the sanitizer: tests/support/tsan.supp says what that costs.
run_thread_sanitized_tests() {
  local reports="$BUILD_DIR/sanitizer-reports"
  rm -rf "$reports" && mkdir -p "$reports"
  local status=0
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/support/tsan.supp:print_suppressions=0:log_path=$(realpath "$reports")/report" \
    QT_QPA_PLATFORM=offscreen run_home_checked ctest --test-dir "$BUILD_DIR" -L threads --output-on-failure \
    --parallel "$(nproc)" ${TSAN_CTEST_ARGS:-} || status=$?
  fail_on_reports "$reports" "ThreadSanitizer reports:" "$status"
}

# Runs every benchmark of a Release build. Each prints its figures beside the baseline it
# measured in the same run, and the ratio; the sizes are chosen so that all of them take a
# few minutes on two cores. A benchmark that fails (a wrong result or a missed goal it checks)
# fails the whole run, after the others have run.
run_benchmarks() {
  local bench=$BUILD_DIR/bench failed=() t0
  # The program's writer locks and caches go to a home folder of the run's own, not the user's.
  BENCH_HOME=$(mktemp -d)
  trap 'rm -rf "$BENCH_HOME"' EXIT
  local -x HOME=$BENCH_HOME XDG_DATA_HOME=$BENCH_HOME/data XDG_CACHE_HOME=$BENCH_HOME/cache \
    XDG_CONFIG_HOME=$BENCH_HOME/config
  one() {
    local name=$1
    shift
    echo
    echo "== $name"
    t0=$SECONDS
    "$@" || failed+=("$name")
    echo "   ($((SECONDS - t0)) s)"
  }
  # Most of these two goes to laying out fresh game copies and flushing them, not to the timed runs.
  one "install and uninstall of a large mod: 3000 files, 150 MB" bench/install_bench.sh "$BUILD_DIR" 3000 150
  one "install and uninstall of many small files: 10000 files, 20 MB" bench/install_bench.sh "$BUILD_DIR" 10000 20
  one "details panel: 10000 files in 80 folders" "$bench/details_bench" 10000 80
  one "compatibility check: two mods of 20000 files, 5000 shared" "$bench/compat_bench" 20000 5000
  one "conflict index: 500 mods of 2000 files, 3 percent shared" "$bench/conflict_bench" 500 2000
  one "archive add: 5000 files, 300 MB zip" "$bench/archive_bench"
  one "mod list, idle tick and case-variant paths: 1000 mods, 5000 paths" "$bench/modlist_bench" 1000 5000
  one "filter box and idle tick: 1000 mods of 3 addons with authors" "$bench/filter_bench" 1000
  echo
  if [ ${#failed[@]} -ne 0 ]; then
    printf 'FAILED: %s\n' "${failed[@]}"
    return 1
  fi
  echo "all benchmarks ran"
}

FUZZERS=(fuzz_modinfo fuzz_odf fuzz_reg_vdf fuzz_picture fuzz_archive_plan fuzz_record)

build_fuzzers() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only" "${launcher[@]}" \
    -DDRYDOCK_FUZZ=ON -DDRYDOCK_BUILD_TESTS=OFF -DDRYDOCK_FAULT_INJECTION=OFF -DDRYDOCK_BUILD_BENCH=OFF
  cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target drydock_fuzzers
}

# Runs every fuzz target for $1 seconds, as many at once as there are cores.
# New inputs go to $BUILD_DIR/fuzz-runs/<target>/corpus (the seeds in the
# repository are only read); a crash, hang or leak is saved beside it and
# fails the run.
run_fuzzers() {
  local seconds=$1 runs="$BUILD_DIR/fuzz-runs"
  rm -rf "$runs"
  for t in "${FUZZERS[@]}"; do mkdir -p "$runs/$t/corpus"; done
  export QT_QPA_PLATFORM=offscreen
  printf '%s\n' "${FUZZERS[@]}" | xargs -P "$(nproc)" -I{} sh -c \
    '"$0/fuzz/{}" -max_total_time="$1" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$2/{}/" "$2/{}/corpus" fuzz/corpus/{} >"$2/{}/log" 2>&1; echo $? >"$2/{}/status"' \
    "$BUILD_DIR" "$seconds" "$runs"
  local failed=0
  for t in "${FUZZERS[@]}"; do
    local execs
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$runs/$t/log" | tail -1)
    if [ "$(cat "$runs/$t/status")" != 0 ]; then
      failed=1
      echo "$t: FAILED after ${execs:-?} executions (log: $runs/$t/log)"
      grep -A30 -m1 'ERROR: \|check failed\|==ERROR\|runtime error' "$runs/$t/log" || tail -30 "$runs/$t/log"
    else
      echo "$t: ${execs:-?} executions in ${seconds}s, no finding"
    fi
  done
  return "$failed"
}

case "${1:-}" in
  demo)
    BUILD_DIR=${BUILD_DIR:-build}
    install_dependencies "${BUILD_PACKAGES[@]}"
    build -DDRYDOCK_BUILD_TESTS=OFF -DDRYDOCK_FAULT_INJECTION=OFF -DDRYDOCK_BUILD_BENCH=OFF
    exec "$BUILD_DIR/drydock" --demo
    ;;
  test)
    BUILD_DIR=${BUILD_DIR:-build-test}
    install_dependencies "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    check_format
    build -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON
    QT_QPA_PLATFORM=offscreen run_home_checked ctest --test-dir "$BUILD_DIR" --output-on-failure \
      --parallel "$(nproc)"
    ;;
  sanitize)
    BUILD_DIR=${BUILD_DIR:-build-sanitize}
    install_dependencies "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    # -O1 and line tables only: about half the compile time of -O2 -g, and reports
    # still name file and line.
    build -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON -DDRYDOCK_BUILD_BENCH=OFF \
      -DDRYDOCK_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
    run_sanitized_tests
    ;;
  tsan)
    BUILD_DIR=${BUILD_DIR:-build-tsan}
    install_dependencies "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    configure -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON -DDRYDOCK_BUILD_BENCH=OFF \
      -DDRYDOCK_SANITIZE_THREAD=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
    # Only the test programs that run, and what they start.
    cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target drydock_threaded_tests
    run_thread_sanitized_tests
    ;;
  bench)
    BUILD_DIR=${BUILD_DIR:-build-bench}
    install_dependencies "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
    configure -DCMAKE_BUILD_TYPE=Release -DDRYDOCK_BUILD_TESTS=OFF -DDRYDOCK_FAULT_INJECTION=OFF \
      -DDRYDOCK_BUILD_BENCH=ON
    cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target drydock_benchmarks
    run_home_checked run_benchmarks
    ;;
  fuzz)
    BUILD_DIR=${BUILD_DIR:-build-fuzz}
    install_dependencies "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    build_fuzzers
    run_fuzzers "${2:-10}"
    ;;
  fuzz-corpus)
    BUILD_DIR=${BUILD_DIR:-build-fuzz}
    install_dependencies "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    build_fuzzers
    rm -rf fuzz/corpus
    "$BUILD_DIR/fuzz/fuzz_make_corpus" fuzz/corpus
    ;;
  package)
    BUILD_DIR=${BUILD_DIR:-build-package}
    install_dependencies "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    build -DCMAKE_BUILD_TYPE=Release -DDRYDOCK_BUILD_TESTS=OFF -DDRYDOCK_FAULT_INJECTION=OFF \
      -DDRYDOCK_BUILD_BENCH=OFF
    rm -f "$BUILD_DIR"/drydock_*.deb
    (cd "$BUILD_DIR" && cpack -G DEB)
    deb=$(ls "$BUILD_DIR"/drydock_*.deb)
    dpkg-deb --field "$deb" Package Version Depends
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    dpkg -x "$deb" "$root"
    scripts/check_install.sh "$root"
    echo "package: $deb"
    ;;
  windows)
    BUILD_DIR=${BUILD_DIR:-build-windows}
    install_dependencies "${WINDOWS_PACKAGES[@]}"
    build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DDRYDOCK_ENGINE_ONLY=ON -DDRYDOCK_BUILD_BENCH=OFF \
      -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON
    run_windows_tests
    ;;
  *)
    echo "usage: scripts/dev.sh demo|test|sanitize|tsan|bench|fuzz [SECONDS]|fuzz-corpus|package|windows" >&2
    exit 2
    ;;
esac
