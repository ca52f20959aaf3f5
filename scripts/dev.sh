#!/usr/bin/env bash
# Build helper for a fresh Debian 12 / Ubuntu machine.
#
#   scripts/dev.sh demo   install the build dependencies, build the program as users get it
#                         (no tests, no fault injection) in build/, open Drydock on a demo game
#   scripts/dev.sh test   install the build dependencies, build with warnings as errors and
#                         fault injection in build-test/, check the formatting and run the
#                         whole test suite
#   scripts/dev.sh package
#                         build the program as users get it in build-package/, make the .deb
#                         there (cpack) and check it: unpacked into a temporary root with
#                         dpkg -x, it must validate and run (scripts/check_install.sh)
#
# BUILD_DIR chooses another build folder.
set -euo pipefail

cd "$(dirname "$0")/.."
PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgtest-dev libgl-dev libarchive-dev libarchive-tools clang-format strace
  libqt6svg6 groff-base desktop-file-utils appstream dpkg-dev file)

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
  *)
    echo "usage: scripts/dev.sh demo|test|package" >&2
    exit 2
    ;;
esac
