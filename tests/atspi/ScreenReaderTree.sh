#!/usr/bin/env bash
# The recorder as a screen reader meets it: the program runs under Xvfb on a
# private session bus with the accessibility bus, and an AT-SPI client in
# another process walks its tree, presses Record and hears the status change.
# Usage: ScreenReaderTree.sh PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # Debian's own: the bindings come as Debian packages

# Inside the display and the private bus: the program and its reader.
if [ "${1:-}" = --inside ]; then
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  # The server must answer an X connection set-up before the program starts:
  # on a busy machine a first connection has been refused now and then.
  answers() {
    "$python" - "${DISPLAY#:}" <<'PY'
import socket, struct, sys
s = socket.socket(socket.AF_UNIX)
s.settimeout(5)
try:
    s.connect("/tmp/.X11-unix/X" + sys.argv[1])
    s.sendall(b"l\0" + struct.pack("<HHHH", 11, 0, 0, 0) + b"\0\0")
    sys.exit(0 if s.recv(1) == b"\1" else 1)
except OSError:
    sys.exit(1)
PY
  }
  for _ in $(seq 100); do answers && break; sleep 0.1; done
  answers || echo "the X server at $DISPLAY does not answer" >&2
  start() {
    "$work/bin/tamsel" >"$work/program.log" 2>&1 &
    app=$!
  }
  start
  # A program that could not connect is started once more, and says so.
  sleep 1
  if ! kill -0 "$app" 2>/dev/null && grep -q "could not connect to display" "$work/program.log"; then
    echo "the program could not connect to $DISPLAY; started again" >&2
    sed 's/^/first start: /' "$work/program.log" >&2
    start
  fi
  rc=0
  "$python" "$here/ScreenReaderTree.py" || rc=$?
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  [ $rc -eq 0 ] || sed 's/^/program: /' "$work/program.log" >&2
  exit $rc
fi

program=$(readlink -f "$1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Nothing of the user's: configuration, data and the working file stay in $work.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" "$work/bin" && chmod 700 "$XDG_RUNTIME_DIR"
cp "$program" "$work/bin/tamsel"

# A capture device that gives silence without a sound card.
cat > "$work/asound.conf" <<CONF
<confdir:alsa.conf>
pcm.silence {
  type plug
  slave.pcm { type file slave.pcm "null" file "/dev/null" infile "/dev/zero" format "raw" }
}
CONF
export ALSA_CONFIG_PATH=$work/asound.conf TAMSEL_CAPTURE_DEVICE=silence TAMSEL_AUDIO=alsa

"$python" -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' || {
  echo "python3-gi and gir1.2-atspi-2.0 are needed (setup.sh installs them)" >&2
  exit 1
}

# Xvfb picks its own display: it takes the first number whose sockets are all
# free, the abstract one included, which lock files in /tmp cannot tell on a
# machine whose network namespace is shared. It writes the number once it
# accepts connections.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
[ -s "$work/display" ] || {
  echo "Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}

export work DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
unset XAUTHORITY
timeout 120 dbus-run-session -- "$here/ScreenReaderTree.sh" --inside || {
  rc=$?
  sed 's/^/xvfb: /' "$work/xvfb.log" >&2
  exit $rc
}
