#!/usr/bin/env bash
# trim-benchmark.sh [TAMSEL_CONVERT]
# Times the recorder's cut of a 1 GB take (PCM 48000 Hz 16-bit stereo, noise)
# made by tamsel-convert --trim, which runs the same code: delete before 10
# minutes and delete after 10 minutes, each next to cp copying a file of the
# kept bytes alone. Prints the median of RUNS wall-clock times (whole process)
# and the ratio cut / cp. The files stay in the page cache, as a take just
# recorded or played does.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../../build/tools/convert/tamsel-convert}
runs=${RUNS:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/trim-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

[ -x "$tool" ] || { echo "no tamsel-convert at $tool (build the target first)" >&2; exit 2; }
# 5208 s of 192000 bytes a second: 1 GB of audio.
ffmpeg -v error -y -f lavfi -i "anoisesrc=r=48000:a=0.3:d=5208" -ac 2 -c:a pcm_s16le "$work/take.wav"

. "$here/median.sh"

printf '%-22s %12s %10s %8s\n' "cut" "kept bytes" "cut s" "cp s"
for range in "600," ",600"; do
  "$tool" --trim "$range" "$work/take.wav" "$work/cut.wav"
  kept=$(stat -c %s "$work/cut.wav")
  cut=$(median "$tool" --trim "$range" "$work/take.wav" "$work/cut.wav")
  copy=$(median cp "$work/cut.wav" "$work/copy.wav")
  printf '%-22s %12s %10.3f %8.3f   cut/cp %.2f\n' "--trim $range" "$kept" "$cut" "$copy" \
    "$(awk -v a="$cut" -v b="$copy" 'BEGIN { print a / b }')"
done
