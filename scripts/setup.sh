#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, each only when it is absent.
# Usage: scripts/setup.sh [extra-package ...]   (as root, or with sudo available)
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev          # Qt Widgets, PrintSupport and Test
  libgtest-dev libgmock-dev       # GoogleTest and GoogleMock
  fonts-liberation                # the printer and window fonts
  poppler-utils                   # pdftotext and pdftoppm, to read printed pages back
  xvfb xauth                      # a virtual display for the demo screenshots
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
