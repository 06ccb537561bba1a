#!/usr/bin/env bash
# setup.sh run   installs what is missing, builds and starts the recorder.
# setup.sh test  installs what is missing, builds and runs every test
#                (plain build, sanitizer build, short fuzz runs).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev lld
  qt6-base-dev libgl-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libasound2-dev libpulse-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg sox libsox-fmt-all sndfile-programs alsa-utils libasound2-plugins pulseaudio pulseaudio-utils
  pipewire pipewire-bin pipewire-pulse wireplumber
  xvfb xauth desktop-file-utils appstream fonts-wqy-microhei dbus-daemon
  at-spi2-core python3-gi gir1.2-atspi-2.0
  dpkg-dev file
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc)

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" ${TARGETS:+--target $TARGETS}
}

# Test builds skip debug information and heavy optimisation: linking every
# test program with full debug info is most of the build time on two cores.
# Warnings fail the test builds.
quick=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DCMAKE_C_FLAGS_RELEASE=-O1 -DTAMSEL_WERROR=ON)

case "${1:-}" in
  run)
    install_missing
    build build -DTAMSEL_TESTS=OFF
    exec ./build/app/tamsel
    ;;
  test)
    install_missing
    build build-test "${quick[@]}"
    build build-asan "${quick[@]}" -DTAMSEL_SANITIZE=ON
    fuzzers=$(for f in tools/fuzz/fuzz_*.cpp; do basename "$f" .cpp; done | tr '\n' ' ')
    CC=clang CXX=clang++ TARGETS="$fuzzers" build build-fuzz "${quick[@]}" -DTAMSEL_FUZZ=ON -DTAMSEL_TESTS=OFF
    status=0
    echo "== tests =="
    ctest --test-dir build-test --no-tests=error --output-on-failure -j "$jobs" || status=1
    echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
    ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --no-tests=error --output-on-failure -j "$jobs" || status=1
    echo "== fuzz runs =="
    ctest --test-dir build-fuzz --output-on-failure -L fuzz || status=1
    exit $status
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
