#!/usr/bin/env bash
# Build helper for a fresh Debian 12 / Ubuntu machine.
#
#   scripts/dev.sh demo   install the build dependencies, build the program as users get it
#                         (no tests, no fault injection) in build/, open Drydock on a demo game
#   scripts/dev.sh test   install the build dependencies, build with warnings as errors and
#                         fault injection in build-test/, check the formatting and run the
#                         whole test suite (the launch through Wine included)
#   scripts/dev.sh sanitize
#                         the same test build with AddressSanitizer and UndefinedBehaviorSanitizer
#                         in build-sanitize/ (benchmarks left out); any report fails the run
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
# BUILD_DIR chooses another build folder.
set -euo pipefail

cd "$(dirname "$0")/.."
PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgtest-dev libgl-dev libarchive-dev libarchive-tools clang-format strace ccache
  libqt6svg6 groff-base desktop-file-utils appstream dpkg-dev file
  wine wine64 g++-mingw-w64-x86-64-posix)  # the launch through real Wine, with a stand-in game built for Windows
FUZZ_PACKAGES=(clang)
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 libgtest-dev)

install_dependencies() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
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
  ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" || status=$?
  echo "Skipped under Wine, with the reason each gave:"
  awk '/: Skipped$/ {getline why; reason = why} /^\[  SKIPPED \] [^ ]+ \(/ {print "  " $4 ": " reason}' \
    "$BUILD_DIR/Testing/Temporary/LastTest.log" | sort -u
  return $status
}

build() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
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
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" \
    ${SANITIZE_CTEST_ARGS:-} || status=$?
  if compgen -G "$reports/report*" >/dev/null; then
    echo "Sanitizer reports:"
    cat "$reports"/report*
    return 1
  fi
  return "$status"
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
    install_dependencies
    build -DDRYDOCK_BUILD_TESTS=OFF -DDRYDOCK_FAULT_INJECTION=OFF
    exec "$BUILD_DIR/drydock" --demo
    ;;
  test)
    BUILD_DIR=${BUILD_DIR:-build-test}
    install_dependencies
    check_format
    build -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)"
    ;;
  sanitize)
    BUILD_DIR=${BUILD_DIR:-build-sanitize}
    install_dependencies
    # -O1 and line tables only: about half the compile time of -O2 -g, and reports
    # still name file and line.
    build -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON -DDRYDOCK_BUILD_BENCH=OFF \
      -DDRYDOCK_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
    run_sanitized_tests
    ;;
  fuzz)
    BUILD_DIR=${BUILD_DIR:-build-fuzz}
    install_dependencies "${FUZZ_PACKAGES[@]}"
    build_fuzzers
    run_fuzzers "${2:-10}"
    ;;
  fuzz-corpus)
    BUILD_DIR=${BUILD_DIR:-build-fuzz}
    install_dependencies "${FUZZ_PACKAGES[@]}"
    build_fuzzers
    rm -rf fuzz/corpus
    "$BUILD_DIR/fuzz/fuzz_make_corpus" fuzz/corpus
    ;;
  package)
    BUILD_DIR=${BUILD_DIR:-build-package}
    install_dependencies
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
    PACKAGES=("${WINDOWS_PACKAGES[@]}")
    install_dependencies
    build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DDRYDOCK_ENGINE_ONLY=ON -DDRYDOCK_BUILD_BENCH=OFF \
      -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON
    run_windows_tests
    ;;
  *)
    echo "usage: scripts/dev.sh demo|test|sanitize|fuzz [SECONDS]|fuzz-corpus|package|windows" >&2
    exit 2
    ;;
esac
