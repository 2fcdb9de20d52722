#!/usr/bin/env bash
# Installs what the build, the tests and the benchmarks need, when it is missing (Debian 12, root).
set -euo pipefail
pkgs=(cmake g++ make qt6-base-dev libcurl4-openssl-dev libgtest-dev libbenchmark-dev
      fonts-liberation2 fontconfig clang libclang-rt-14-dev librsvg2-bin xvfb xdotool
      libwebp-dev openssl python3 zlib1g-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
