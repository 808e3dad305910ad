#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need.
# Idempotent: asks apt only when a package is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # platform/gdi: fonts and text
  libfreetype-dev libfontconfig-dev fonts-liberation2
  # imagelib: JPEG codec
  libjpeg62-turbo-dev
  # image benchmarks compare the resampler against libvips, JPEG against TurboJPEG, GIF against giflib
  libvips-dev libturbojpeg0-dev libgif-dev
  # imagelib: PNG
  libpng-dev
  # imagelib: TIFF, and JPEG-2000 under imagelib/jas
  libtiff-dev libopenjp2-7-dev
  # fuzz targets: clang with its libFuzzer runtime
  clang libclang-rt-14-dev
  # platform/dshow: capture and test devices through GStreamer
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  # platform/dshow: decoders for video files, Windows Media included
  gstreamer1.0-libav gstreamer1.0-plugins-ugly
  # platform/inet: HTTP over libcurl; its tests run a scripted server in python3
  libcurl4-openssl-dev python3
  # platform/user/gtk: real windows on X11; the gui tests run them under Xvfb and drive them with xdotool
  libgtk-3-dev xvfb xauth xdotool x11-apps x11-utils
  # platform/skin: skin files are ZIP archives holding an XML description
  libzip-dev libpugixml-dev
  # platform/user/gtk: tray balloons as desktop notifications
  libnotify-dev
  # platform/user/gtk: the screen context reads the X screen (MIT-SHM where offered)
  libxcb1-dev libxcb-shm0-dev
  # platform/user/gtk tests: the cursor the X server shows, read through XFixes
  libxfixes-dev
  # platform/browser: the WebBrowser control over WebKitGTK
  libwebkit2gtk-4.1-dev
  # ShellExecuteA and HtmlHelpA open documents, web sites and help with the desktop's xdg-open
  xdg-utils
  # independent tools the interop tests compare against
  netpbm imagemagick libjpeg-turbo-progs libimage-exiftool-perl giflib-tools
  libtiff-tools libopenjp2-tools libwmf-bin fonts-urw-base35
  # the Run key's autostart entries are checked with desktop-file-validate
  desktop-file-utils
)

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
