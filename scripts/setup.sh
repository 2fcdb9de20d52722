#!/usr/bin/env bash
# Installs what a step needs when it is missing (Debian 12, root):
#   setup.sh program    the program itself (build tools and libraries)
#   setup.sh tests      the program, its tests and the benchmarks (the default)
#   setup.sh sanitize   the tests, and clang with its sanitizer and fuzzer runtimes
set -euo pipefail
kind=${1:-tests}
pkgs=(cmake g++ ninja-build qt6-base-dev libcurl4-openssl-dev libwebp-dev zlib1g-dev
      libavformat-dev libavcodec-dev libswscale-dev
      fonts-liberation2 fonts-dejavu-extra fontconfig)
case "$kind" in
  program) ;;
  tests|sanitize)
    pkgs+=(ccache libgtest-dev libbenchmark-dev librsvg2-bin librlottie-dev xvfb xdotool openssl python3
           parallel)
    [ "$kind" = sanitize ] && pkgs+=(clang libclang-rt-14-dev)
    ;;
  *) echo "setup.sh: unknown step '$kind' (program, tests or sanitize)" >&2; exit 2 ;;
esac
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
