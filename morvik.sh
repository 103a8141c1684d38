#!/usr/bin/env bash
# Morvik's two commands on a Debian machine:
#   ./morvik.sh run    install what is missing, build, and start the program
#   ./morvik.sh test   install what is missing, build, and run every test
#   ./morvik.sh render project.mvp out.avi [mvrender options]
#                      install what is missing, build, and render a project
#   ./morvik.sh fuzz [seconds-per-target] [target|all] [inputs-per-target]
#                      build, and fuzz the readers for that long or that many inputs
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build="$root/build"
packages=(cmake ninja-build googletest g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 xvfb xauth)

source "$root/cmake/install-missing.sh"

# Builds everything, or the targets named.
build() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)" ${1:+--target "$@"}
}

# Starts the editor on the user's display; without one, on a virtual display
# for MORVIK_RUN_SECONDS seconds (default 15), leaving a screenshot behind.
run_editor() {
  local runner="$build/wine-run.sh" program="$build/app/Morvik.exe"
  if [ -n "${DISPLAY:-}" ]; then
    exec "$runner" "$program" "$@"
  fi
  command -v import >/dev/null || install_missing morvik imagemagick
  local display=:$((90 + RANDOM % 50)) shot="$build/morvik-screen.png" seconds=${MORVIK_RUN_SECONDS:-15}
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
  sleep 1
  echo "morvik: no DISPLAY; running on the virtual display $display for $seconds s"
  DISPLAY=$display "$runner" "$program" "$@" >/dev/null 2>&1 &
  local editor=$!
  sleep $((seconds > 6 ? 6 : seconds))
  DISPLAY=$display import -window root "$shot" && echo "morvik: screenshot of the editor: $shot"
  sleep $((seconds > 6 ? seconds - 6 : 0))
  kill "$editor" 2>/dev/null || true
  WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
}

# Runs mvrender under Wine (no display needed). Paths given the Linux way
# are handed over as Wine sees them (Z: is the root); option values and
# paths already in Windows form (C:\..., with backslashes) pass unchanged.
render_project() {
  local args=() arg value=false
  for arg in "$@"; do
    if $value || [[ "$arg" == -* ]] || [[ "$arg" == *\\* ]] || [[ "$arg" =~ ^[A-Za-z]: ]]; then
      args+=("$arg")
    else
      arg=$(realpath -m -- "$arg")
      args+=("Z:${arg//\//\\}")
    fi
    value=false
    case "$arg" in --from|--to|--group) value=true ;; esac
  done
  "$build/harness/harness.sh" prefix
  WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" WINEARCH=win64 \
    exec /usr/lib/wine/wine64 "$build/app/mvrender.exe" "${args[@]}" </dev/null
}

case "${1:-}" in
  run)
    install_missing morvik "${packages[@]}"
    build
    run_editor "${@:2}"
    ;;
  test)
    install_missing morvik "${packages[@]}"
    build
    # One program at a time: they share one display, and a window of one
    # program must not take the focus from another's.
    ctest --test-dir "$build" --output-on-failure
    ;;
  render)
    install_missing morvik "${packages[@]}"
    build mvrender >/dev/null
    render_project "${@:2}"
    ;;
  fuzz)
    install_missing morvik "${packages[@]}"
    build
    cd "$build/fuzz" && "$build/wine-run.sh" "$build/fuzz/engine_fuzz.exe" "${@:2}" </dev/null
    ;;
  *)
    echo "usage: $0 run|test|render|fuzz [seconds] [target|all] [inputs]" >&2
    exit 2
    ;;
esac
