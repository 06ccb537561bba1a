#!/bin/bash
# The recorder's whole CPU while it records and plays with its window on a
# display, beside arecord, parecord and aplay, on two rigs of a sound server:
# a null sink's monitor with a sweep playing into it (an idle sink's monitor
# is not paced; every client wakes at the sweep's pace), and a source paced
# like a microphone (module-sine-source, which honours each client's latency).
#   tools/windowcpu/window-cpu.sh BUILD_DIR [seconds]
# Use a RelWithDebInfo build for figures that compare. Starts its own Xvfb
# and sound server unless DISPLAY and a running server are there already.
# SWEEP_LATENCY_MS sets the sweep player's latency (20 ms by default): the
# server feeds the sink's monitor, and so every recorder, at that pace.
set -euo pipefail
build=${1:?build folder}
seconds=${2:-10}
tool=$build/tools/windowcpu/tamsel-windowcpu
[ -x "$tool" ] || { echo "no $tool: build the target tamsel-windowcpu" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "${own_server:-}" ] && pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi

if ! pactl info >/dev/null 2>&1; then
  export XDG_RUNTIME_DIR=$work/run
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load=module-native-protocol-unix --load="module-null-sink sink_name=vnull" 2>/dev/null
  own_server=1
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi
pactl list short sinks | grep -q vnull || pactl load-module module-null-sink sink_name=vnull >/dev/null

# A slow sweep, longer than the whole run, keeps the sink's monitor paced.
sox -n -r 44100 -c 2 "$work/sweep.wav" synth $((seconds * 5 + 30)) sine 100-4000 vol 0.5
paplay --latency-msec=${SWEEP_LATENCY_MS:-20} --device=vnull "$work/sweep.wav" &
pids+=($!)
sleep 1

export PULSE_SINK=vnull QT_QPA_PLATFORM=xcb
echo "== rig 1: the null sink's monitor, sweep at ${SWEEP_LATENCY_MS:-20} ms =="
PULSE_SOURCE=vnull.monitor "$tool" "$seconds"
pactl list short sources | grep -q paced || \
  pactl load-module module-sine-source source_name=paced rate=44100 frequency=437 >/dev/null
echo "== rig 2: a source paced like a microphone =="
PULSE_SOURCE=paced "$tool" "$seconds"
