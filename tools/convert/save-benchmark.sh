#!/usr/bin/env bash
# save-benchmark.sh [TAMSEL_CONVERT]
# Times saving a 10-minute take in each type (FLAC, Opus, Vorbis, MP3) the way
# the recorder's Save makes the copy (tamsel-convert runs the same code on a
# WAVE file), next to ffmpeg (one thread) making the same copy of the same file
# with the same settings. Two takes: PCM 44100 Hz 16-bit stereo, and IMA ADPCM
# 22050 Hz mono as the recorder records speech. Prints the median of RUNS
# wall-clock times (whole process, start-up included) and the ratio ours / ffmpeg.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../../build/tools/convert/tamsel-convert}
runs=${RUNS:-5}
seconds=${SECONDS_OF_AUDIO:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -x "$tool" ] || { echo "no tamsel-convert at $tool (build the target first)" >&2; exit 2; }
ffmpeg -v error -y -f lavfi -i "sine=f=440:r=44100:d=$seconds" -f lavfi -i "anoisesrc=r=44100:a=0.05:d=$seconds" \
  -filter_complex "[0][1]amerge=inputs=2,volume=0.8" -ac 2 -c:a pcm_s16le "$work/pcm.wav"
"$tool" -q --format ima-adpcm:22050:mono "$work/pcm.wav" "$work/ima.wav"

. "$here/median.sh"

# type -> extension, ffmpeg's settings for the copy Save makes
declare -A ext=([flac]=flac [opus]=opus [vorbis]=ogg [mp3]=mp3)
declare -A ffargs=([flac]="-c:a flac -compression_level 5" [opus]="-c:a libopus -ar 48000 -b:a BITRATE"
                   [vorbis]="-c:a libvorbis -q:a 5" [mp3]="-c:a libmp3lame -q:a 2")

printf '%-22s %10s %10s %8s\n' copy "ours(s)" "ffmpeg(s)" ours/ff
for take in pcm ima; do
  in=$work/$take.wav
  bitrate=96k; [ "$take" = ima ] && bitrate=64k
  for type in flac opus vorbis mp3; do
    # Word splitting of the settings is wanted here.
    # shellcheck disable=SC2206
    ff=(${ffargs[$type]/BITRATE/$bitrate})
    ours=$(median "$tool" -q "$in" "$work/ours.${ext[$type]}")
    theirs=$(median ffmpeg -v error -y -threads 1 -i "$in" "${ff[@]}" "$work/ff.${ext[$type]}")
    ratio=-
    [ "$ours" != FAIL ] && [ "$theirs" != FAIL ] && ratio=$(awk -v o="$ours" -v f="$theirs" 'BEGIN { printf "%.2f", o / f }')
    printf '%-22s %10s %10s %8s\n' "$take -> $type" "$ours" "$theirs" "$ratio"
  done
done
