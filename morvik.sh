#!/usr/bin/env bash
# Morvik's two commands on a Debian machine:
#   ./morvik.sh run    install what is missing, build, and start the program
#   ./morvik.sh test   install what is missing, build, and run every test
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build="$root/build"
packages=(cmake ninja-build googletest g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 xvfb xauth)

install_missing() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "morvik: installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

build() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)"
}

case "${1:-}" in
  run)
    install_missing
    build
    echo "morvik: the support library and its tests are built; the editor itself (Morvik.exe) is not part of the build yet."
    ;;
  test)
    install_missing
    build
    ctest --test-dir "$build" --output-on-failure -j 2
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
