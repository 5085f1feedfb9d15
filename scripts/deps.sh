#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing.
# Without root it prints the one apt-get line to run instead.
set -euo pipefail
PKGS=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-serialport-dev
      libgl1-mesa-dev libgtest-dev googletest fonts-wqy-microhei xvfb xauth clang-format ser2net
      ansible-core)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
