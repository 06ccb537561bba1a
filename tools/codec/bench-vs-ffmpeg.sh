#!/bin/sh
# bench-vs-ffmpeg.sh BUILD_DIR: the converter's benchmark next to the ffmpeg
# command line doing the same conversions (soxr, averaged mono) on a 300-second
# 44100 Hz 16-bit stereo file. Prints real-time factors (audio s per CPU s).
set -e
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sox -q -n -r 44100 -b 16 -c 2 "$dir/in.wav" synth 300 sine 997 vol 0.4
for target in "22050 pcm_s16le" "8000 pcm_u8"; do
  set -- $target
  cpu=$( { /usr/bin/time -f "%U %S" ffmpeg -nostdin -hide_banner -loglevel error -y -threads 1 -i "$dir/in.wav" \
      -af "pan=mono|c0=0.5*c0+0.5*c1,aresample=$1:resampler=soxr" -c:a "$2" "$dir/out.wav" ; } 2>&1 | tail -1)
  echo "ffmpeg to $1 Hz ($2): cpu $cpu s -> realtime factor $(echo "$cpu" | awk '{ printf "%.0f", 300 / ($1 + $2) }')"
done
"$build/tools/codec/bench_pcm_converter" --benchmark_counters_tabular=true
