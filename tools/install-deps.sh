#!/usr/bin/env bash
# Debian packages the build, the tests and the real window need.
set -euo pipefail
pkgs=(build-essential cmake pkg-config git clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
      libfreetype-dev libfontconfig-dev fonts-dejavu-core libwxgtk3.2-dev libgtk-3-dev
      xvfb xdotool x11-utils imagemagick openbox dpkg-dev
      libjpeg62-turbo-dev libpng-dev libwebp-dev libgif-dev webp libjpeg-turbo-progs netpbm libimage-exiftool-perl python3-pil ffmpeg
      libopencv-core-dev libopencv-imgproc-dev libopencv-video-dev libopencv-features2d-dev
      libopencv-calib3d-dev libssl-dev chromium libheif-dev libheif-examples
      libavcodec-dev)
# The machine's own Node.js brings npm and conflicts with Debian's npm package.
command -v npm >/dev/null || pkgs+=(npm)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
