#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run the project.
# Safe to run again: it only calls apt-get when a package is missing.
set -euo pipefail
# Qt Charts' CMake package needs Qt OpenGL's, which qt6-charts-dev does not pull in.
packages=(cmake ninja-build ccache g++ clang-14 clang libclang-rt-14-dev clang-format clang-tidy libgtest-dev
          libgmock-dev libbenchmark-dev valgrind iproute2 qt6-base-dev qt6-base-dev-tools fonts-wqy-microhei xvfb
          libusb-dev libusb-0.1-4 python3-can can-utils python3-pytest python3-pip python3-venv lintian pkg-config
          libsocketcan-dev qt6-charts-dev libqt6opengl6-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
