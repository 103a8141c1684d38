#!/usr/bin/env bash
# Renders the reference composition (composition.mvp / composition.mlt /
# the filtergraph below) with mvrender, melt and ffmpeg to uncompressed AVI
# (RGB24 640x480 at 30 fps, 16-bit stereo PCM at 44.1 kHz), checks every
# output (450 frames, 15 s of picture and sound) and prints the times side
# by side. Installs melt, ffmpeg and python3 with apt-get when missing.
#   bench/run.sh [rounds]     (default 3; each tool's median is reported)
# Environment: MORVIK_BUILD (default build/ in the repository); BENCH_DIR
# (default a folder in /dev/shm, removed at the end, when it has room; else
# build/bench-media, kept so the media are made once).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${MORVIK_BUILD:-$root/build}
# Media and outputs (about 1.4 GB) in memory when there is room, so that the
# disk's speed does not hide the tools' own; that memory is given back at the end.
in_memory=false
if [ -z "${BENCH_DIR:-}" ] && [ "$(df -Pk /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')" -gt 3000000 ] 2>/dev/null; then
  BENCH_DIR=/dev/shm/morvik-bench-$$ in_memory=true
fi
work=${BENCH_DIR:-$build/bench-media}
rounds=${1:-3}
seconds=15 frames=450

build_mvrender() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  fi
  cmake --build "$build" --target mvrender >/dev/null
  "$build/harness/harness.sh" prefix
}

make_media() {
  mkdir -p "$work"
  [ -f "$work/a.avi" ] && [ -f "$work/b.avi" ] && [ -f "$work/tone.wav" ] || python3 "$here/make_media.py" "$work"
  cp "$here/composition.mvp" "$here/composition.mlt" "$work/"
  cat "$work/a.avi" "$work/b.avi" "$work/tone.wav" >/dev/null  # every tool reads from the page cache
}

winpath() { echo "Z:${1//\//\\}"; }

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" WINEARCH=win64

run_mvrender() {
  /usr/lib/wine/wine64 "$build/app/mvrender.exe" "$(winpath "$work/composition.mvp")" \
    "$(winpath "$work/mvrender.avi")" </dev/null 2>"$work/mvrender.log" >/dev/null
}

run_melt() {
  melt -quiet "$work/composition.mlt" -consumer "avformat:$work/melt.avi" vcodec=rawvideo pix_fmt=bgr24 \
    acodec=pcm_s16le ar=44100 ac=2 real_time=-2 </dev/null >"$work/melt.log" 2>&1
}

run_ffmpeg() {
  (cd "$work" && ffmpeg -v error -y -i a.avi -i b.avi -i tone.wav -filter_complex \
    "[0:v]lutrgb=r='clipval+26':g='clipval+26':b='clipval+26'[a];[a][1:v]xfade=transition=fade:duration=5:offset=5,format=bgr24[v]" \
    -map '[v]' -map 2:a -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le ffmpeg.avi </dev/null >ffmpeg.log 2>&1)
}

# CPU seconds (user + system) that Wine's server of the build's prefix has
# used so far: its work for mvrender counts as mvrender's.
server_cpu() {
  local dir pid
  # It works in a folder named after the prefix's device and inode.
  dir=server-$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for pid in $(pgrep -x wineserver64; pgrep -x wineserver); do
    if [[ "$(readlink "/proc/$pid/cwd")" == */"$dir" ]]; then
      awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$pid/stat"
      return
    fi
  done
  echo 0
}

# "wall-seconds cpu-seconds" of one run of "$1".
timed() {
  local before after report
  before=$(server_cpu)
  if ! report=$( { TIMEFORMAT='%R %U %S'; time "$1"; } 2>&1 ); then
    echo "bench: $1 failed; see $work/${1#run_}.log" >&2
    exit 1
  fi
  after=$(server_cpu)
  awk -v r="$report" -v b="$before" -v a="$after" 'BEGIN { split(r, t, " "); print t[1], t[2] + t[3] + a - b }'
}

calc() { awk "BEGIN { print $1 }"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Fails unless file holds 450 RGB24 640x480 frames and 15 s of 44.1 kHz stereo PCM.
check() {
  local file="$work/$1.avi" video audio
  video=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
    stream=codec_name,width,height,pix_fmt,nb_read_frames -of csv=p=0 "$file")
  # AVI keeps no audio duration: the PCM bytes tell it.
  audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels \
    -of csv=p=0 "$file"),$(ffprobe -v error -select_streams a:0 -show_entries packet=size -of csv=p=0 "$file" |
    awk '{ bytes += $1 } END { print bytes / 176400 }')
  if [ "$video" != "rawvideo,640,480,bgr24,$frames" ] ||
     ! awk -F, -v s=$seconds '{ exit !($1 == "pcm_s16le" && $2 == 44100 && $3 == 2 && $4 > s - 0.01 && $4 < s + 0.01) }' <<<"$audio"; then
    echo "bench: $1's output is wrong: video [$video] audio [$audio]" >&2
    exit 1
  fi
}

source "$root/cmake/install-missing.sh"
install_missing bench melt ffmpeg python3
build_mvrender
make_media
# Wine's server stays up between the runs (ended at the end, with any other
# program of this build's prefix), so each run starts as a warm Wine does.
/usr/lib/wine/wineserver -p 2>/dev/null || true  # fails when one runs already
finish() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  if $in_memory; then rm -rf "$work"; fi
}
trap finish EXIT
/usr/lib/wine/wine64 "$build/app/mvrender.exe" --help </dev/null >/dev/null 2>&1
declare -A took cpu
inside=()  # mvrender's own time, from its last line
for tool in mvrender melt ffmpeg; do
  walls=() cpus=()
  for _ in $(seq "$rounds"); do
    read -r wall used < <(timed "run_$tool")
    walls+=("$wall") cpus+=("$used")
    if [ "$tool" = mvrender ]; then
      inside+=("$(grep -o 'in [0-9.]* s' "$work/mvrender.log" | tail -1 | tr -dc '0-9.')")
    fi
  done
  took[$tool]=$(median "${walls[@]}")
  cpu[$tool]=$(median "${cpus[@]}")
  check "$tool"
done
inside=$(median "${inside[@]}")

echo "The reference composition, $seconds s at 640x480, 30 fps, to uncompressed AVI; median of $rounds runs:"
printf '%-10s %8s %12s %12s %9s %12s\n' tool seconds "x real time" "vs mvrender" "CPU s" "CPU vs mv."
for tool in mvrender melt ffmpeg; do
  t=${took[$tool]} u=${cpu[$tool]}
  printf '%-10s %8.2f %12.1f %12.2f %9.2f %12.2f\n' "$tool" "$t" "$(calc "$seconds / $t")" \
    "$(calc "$t / ${took[mvrender]}")" "$u" "$(calc "$u / ${cpu[mvrender]}")"
done
printf 'mvrender rendering alone (its progress line: the graph run, without Wine, project and check): %.2f s (%.1f x real time)\n' \
  "$inside" "$(calc "$seconds / $inside")"
