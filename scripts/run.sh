#!/usr/bin/env bash
# Builds the optimised preset and starts Zelvante. Arguments go to the program ("/min", "/play").
#
# The program keeps its machine (registry, installed virtual camera, Windows folders) in ZV_ROOT,
# by default ~/.local/share/zelvante. Without a camera it runs on the built-in test camera; without
# a display, on a virtual one (Xvfb), where nobody sees it: it then runs until it is stopped.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target Zelvante -j "$(nproc)"
program=build/release/app/Zelvante

has_camera() {
  local device
  for device in /dev/video*; do
    # Only capture devices count: a video node may also be a codec or an output.
    [ -e "$device" ] || continue
    if [ -r "/sys/class/video4linux/${device##*/}/name" ] &&
       grep -qiE 'meta|output|codec' "/sys/class/video4linux/${device##*/}/name"; then
      continue
    fi
    return 0
  done
  return 1
}

if [ -z "${ZV_TEST_CAMERA:-}" ] && ! has_camera; then
  export ZV_TEST_CAMERA="Test Camera:640x480@30,320x240@30"
  echo "No camera found: Zelvante runs on the built-in test camera (ZV_TEST_CAMERA=\"$ZV_TEST_CAMERA\")."
fi

echo "Machine folder (ZV_ROOT): ${ZV_ROOT:-${XDG_DATA_HOME:-$HOME/.local/share}/zelvante}"
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: Zelvante runs on a virtual X display (Xvfb) that nobody sees; stop it with Ctrl+C."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env ZV_DISPLAY=gtk "$program" "$@"
fi
export ZV_DISPLAY="${ZV_DISPLAY:-gtk}"
exec "$program" "$@"
