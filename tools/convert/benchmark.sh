#!/usr/bin/env bash
# benchmark.sh [TAMSEL_CONVERT]
# Times tamsel-convert next to ffmpeg (one thread) and sox on the same
# conversions of a 10-minute 44100 Hz 16-bit stereo file: to PCM 22050 Hz
# mono, to every compressed codec the drivers offer, and each of those back to
# PCM 44100 Hz stereo. Prints the best of RUNS wall-clock times and the ratio
# ours / ffmpeg; where the sample rate changes, also ffmpeg with soxr as its
# resampler (the one we use) and the ratio ours / that.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../../build/tools/convert/tamsel-convert}
runs=${RUNS:-3}
seconds=${SECONDS_OF_AUDIO:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -x "$tool" ] || { echo "no tamsel-convert at $tool (build the target first)" >&2; exit 2; }
ffmpeg -v error -y -f lavfi -i "sine=f=440:r=44100:d=$seconds" -f lavfi -i "anoisesrc=r=44100:a=0.05:d=$seconds" \
  -filter_complex "[0][1]amerge=inputs=2,volume=0.8" -ac 2 -c:a pcm_s16le "$work/in.wav"

best() {  # best RUNS wall-clock seconds of a command
  local b=""
  for _ in $(seq "$runs"); do
    local t0 t1 d
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "FAIL"; return; }
    t1=$(date +%s.%N)
    d=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
    if [ -z "$b" ] || awk -v d="$d" -v b="$b" 'BEGIN { exit !(d < b) }'; then b=$d; fi
  done
  printf '%.3f' "$b"
}

row() {  # name ours-cmd... -- ffmpeg-args... -- sox-args...(or none)
  local name=$1; shift
  local ours=() ff=() sx=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done; shift
  while [ "$1" != "--" ]; do ff+=("$1"); shift; done; shift
  sx=("$@")
  local to tf ts tx ratio rx
  to=$(best "$tool" -q "${ours[@]}")
  tf=$(best ffmpeg -v error -y -threads 1 "${ff[@]:0:${#ff[@]}-1}" -filter_threads 1 "${ff[-1]}")
  tx=-; rx=-
  if [ "$resamples" = 1 ]; then
    tx=$(best ffmpeg -v error -y -threads 1 "${ff[@]:0:${#ff[@]}-1}" -filter_threads 1 -af aresample=resampler=soxr "${ff[-1]}")
    [ "$to" != FAIL ] && [ "$tx" != FAIL ] && rx=$(awk -v o="$to" -v f="$tx" 'BEGIN { printf "%.2f", o / f }')
  fi
  if [ ${#sx[@]} -gt 0 ]; then ts=$(best sox "${sx[@]}"); else ts="-"; fi
  if [ "$to" != FAIL ] && [ "$tf" != FAIL ]; then ratio=$(awk -v o="$to" -v f="$tf" 'BEGIN { printf "%.2f", o / f }'); else ratio="-"; fi
  printf '%-28s %10s %10s %10s %10s %8s %8s\n' "$name" "$to" "$tf" "$tx" "$ts" "$ratio" "$rx"
}

# tag -> ffmpeg encoder, sox encoding (empty: sox has none)
declare -A ffenc=([alaw]=pcm_alaw [mulaw]=pcm_mulaw [ima-adpcm]=adpcm_ima_wav [ms-adpcm]=adpcm_ms
                  [gsm610]=libgsm_ms [mp3]=libmp3lame)
declare -A soxenc=([alaw]=a-law [mulaw]=u-law [ima-adpcm]=ima-adpcm [ms-adpcm]=ms-adpcm [gsm610]=gsm-full-rate)

in=$work/in.wav
printf '%-28s %10s %10s %10s %10s %8s %8s\n' conversion "ours(s)" "ffmpeg(s)" "ff-soxr(s)" "sox(s)" ours/ff ours/soxr
resamples=1
row "pcm:22050:16:mono" --format pcm:22050:16:mono "$in" "$work/o.wav" -- \
  -i "$in" -ar 22050 -ac 1 -c:a pcm_s16le "$work/f.wav" -- "$in" -r 22050 -c 1 "$work/s.wav"

# The recorder's typical targets, with real time required as when recording
# (like for like with ffmpeg's default LAME quality); mp3 once more at LAME's
# highest quality, which is what the codec uses when real time is not required.
for fmt in ima-adpcm:22050:mono ms-adpcm:22050:mono mulaw:8000:mono alaw:8000:mono gsm610:8000:mono \
            mp3:44100:stereo:128k mp3:44100:stereo:128k:best; do
  rt=(-r); case $fmt in *:best) fmt=${fmt%:best}; rt=();; esac
  tag=${fmt%%:*}
  rate=$(echo "$fmt" | cut -d: -f2)
  ch=1; case $fmt in *stereo*) ch=2;; esac
  ffx=(); case $tag in mp3) ffx=(-b:a "$(echo "$fmt" | grep -oE '[0-9]+k$' || echo 128k)");; esac
  [ ${#rt[@]} -eq 0 ] && ffx+=(-compression_level 0)
  sx=(); [ -n "${soxenc[$tag]:-}" ] && sx=("$in" -r "$rate" -c "$ch" -e "${soxenc[$tag]}" "$work/s-$tag.wav")
  resamples=0; [ "$rate" != 44100 ] && resamples=1
  row "$fmt${rt[0]:+ (real time)}" "${rt[@]}" --format "$fmt" "$in" "$work/o-$tag.wav" -- \
    -i "$in" -ar "$rate" -ac "$ch" -c:a "${ffenc[$tag]}" "${ffx[@]}" "$work/f-$tag.wav" -- "${sx[@]}"
  sx=(); [ -n "${soxenc[$tag]:-}" ] && sx=("$work/s-$tag.wav" -r 44100 -c 2 -b 16 -e signed-integer "$work/sb-$tag.wav")
  row "  back to pcm:44100:16:stereo" --format pcm:44100:16:stereo "$work/o-$tag.wav" "$work/ob-$tag.wav" -- \
    -i "$work/f-$tag.wav" -ar 44100 -ac 2 -c:a pcm_s16le "$work/fb-$tag.wav" -- "${sx[@]}"
done
