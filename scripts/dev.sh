#!/usr/bin/env bash
# Build helper for a fresh Debian 12 / Ubuntu machine.
#
#   scripts/dev.sh demo   install the build dependencies, build the program as users get it
#                         (no tests, no fault injection) in build/, open Drydock on a demo game
#   scripts/dev.sh test   install the build dependencies, build with warnings as errors and
#                         fault injection in build-test/, check the formatting and run the
#                         whole test suite
#   scripts/dev.sh windows  install MinGW-w64 and Wine, cross-build the engine and its tests
#                         for Windows (no Qt) in build-windows/ and run them under Wine in a
#                         fresh prefix in a temporary folder; prints every skipped test's reason
#
# BUILD_DIR chooses another build folder.
set -euo pipefail

cd "$(dirname "$0")/.."
PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgtest-dev libgl-dev clang-format strace)
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 libgtest-dev)

install_dependencies() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
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
  # Wine's recycle bin is the freedesktop trash: keep it in the scratch folder too.
  export XDG_DATA_HOME="$SCRATCH/data"
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
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
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
  windows)
    BUILD_DIR=${BUILD_DIR:-build-windows}
    PACKAGES=("${WINDOWS_PACKAGES[@]}")
    install_dependencies
    build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DDRYDOCK_ENGINE_ONLY=ON -DDRYDOCK_BUILD_BENCH=OFF \
      -DDRYDOCK_WERROR=ON -DDRYDOCK_BUILD_TESTS=ON -DDRYDOCK_FAULT_INJECTION=ON
    run_windows_tests
    ;;
  *)
    echo "usage: scripts/dev.sh demo|test|windows" >&2
    exit 2
    ;;
esac
