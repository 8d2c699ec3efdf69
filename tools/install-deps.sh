#!/bin/sh
# Installs the Debian 12 packages Vexmoor needs to build, run, test and package (as root or
# through sudo). Quiet: one line for what it installs, apt's output only when apt fails.
set -eu
# Build and run.
packages="cmake ninja-build g++ pkg-config libsdl2-dev libsdl2-ttf-dev libfontconfig-dev
  fonts-liberation fonts-dejavu-core fonts-noto-color-emoji libgstreamer1.0-dev
  libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good libsystemd-dev"
# Tests and benchmarks: a private system bus with a mock logind for the power test, PNG for
# the golden pictures.
packages="$packages libgtest-dev libgmock-dev libbenchmark-dev dbus-daemon python3-dbusmock libpng-dev"
# CI: the format check, clang and its sanitizer runtimes for the fuzz targets.
packages="$packages clang-format clang libclang-rt-14-dev"
# The Debian package and its checks.
packages="$packages dpkg-dev file desktop-file-utils appstream lintian"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "install-deps: installing$missing"
log=$(mktemp)
if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "install-deps: apt-get failed" >&2
  exit 1
fi
rm -f "$log"
