#!/usr/bin/env bash
# ostrela-convert against plain ffmpeg started by a shell loop, on the same
# sources and with the same encoder arguments, in one run: one file at a time
# against `for f in ...; do ffmpeg ...; done`, and JOBS at once against
# `xargs -P JOBS ffmpeg ...`. Prints the median wall time of each and the
# ratios (the program's overhead: probing, starting, progress).
#
# Usage: bench/ConvertProgramBench.sh BUILD_DIR [sources, default 8] [seconds each, default 60]
#        [rounds, default 5] [jobs, default: the processor count]
set -euo pipefail

bin="${1:?usage: $0 BUILD_DIR [sources] [seconds] [rounds] [jobs]}/bin"
count="${2:-8}"
seconds="${3:-60}"
rounds="${4:-5}"
jobs="${5:-$(nproc)}"
program="$bin/ostrela-convert"
encoder="$bin/vexa.exe"
[ -x "$program" ] || { echo "no $program: build first" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The program reads option.ini beside itself; a copy in a folder of its own
# keeps the build's file out of the figures.
mkdir "$work/prog" "$work/src" "$work/out"
cp "$program" "$bin/libostrela_core.so" "$work/prog/"
ln -s "$(readlink -f "$encoder")" "$work/prog/vexa.exe"

sources=()
for ((i = 1; i <= count; i++)); do
  f="$work/src/video $i.mp4"
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=320x240:rate=25:duration=$seconds" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" -shortest \
    -c:v mpeg4 -c:a aac "$f"
  sources+=("$f")
done

# The arguments the program gives the encoder for 128 kbit/s MP3, 48000 Hz, stereo.
ffmpeg_one() { "$encoder" -nostdin -i "$1" -y -acodec libmp3lame -ab 128k -ac 2 -ar 48000 \
  "$work/out/$(basename "${1%.*}").mp3" 2>/dev/null; }
export -f ffmpeg_one
export encoder work

now() { date +%s.%N; }
declare -A times
measure() { # name command...
  local name="$1" start end
  shift
  rm -f "$work/out/"*
  start="$(now)"
  "$@" >/dev/null
  end="$(now)"
  times[$name]+="$(echo "$end - $start" | bc) "
}
program_run() { "$work/prog/ostrela-convert" --format mp3 --bitrate 128 --rate 48000 --channels 2 \
  --jobs "$1" --out "$work/out" "${sources[@]}"; }
loop_run() { for f in "${sources[@]}"; do ffmpeg_one "$f"; done; }
xargs_run() { printf '%s\0' "${sources[@]}" | xargs -0 -P "$1" -I{} bash -c 'ffmpeg_one "$1"' _ {}; }

for ((r = 0; r < rounds; r++)); do
  measure program1 program_run 1
  measure loop loop_run
  measure programN program_run "$jobs"
  measure xargsN xargs_run "$jobs"
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
m1="$(median "${times[program1]}")"; ml="$(median "${times[loop]}")"
mn="$(median "${times[programN]}")"; mx="$(median "${times[xargsN]}")"
echo "$count sources of $seconds s, $rounds rounds, median wall seconds"
printf 'ostrela-convert --jobs 1     %8.2f   shell loop          %8.2f   ratio %.3f\n' "$m1" "$ml" "$(echo "$m1 / $ml" | bc -l)"
printf 'ostrela-convert --jobs %-5s %8.2f   xargs -P %-10s %8.2f   ratio %.3f\n' "$jobs" "$mn" "$jobs" "$mx" "$(echo "$mn / $mx" | bc -l)"
printf 'ostrela-convert --jobs %-5s against the shell loop:               ratio %.3f\n' "$jobs" "$(echo "$mn / $ml" | bc -l)"
