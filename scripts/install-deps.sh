#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, when missing.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev libtag1-dev
          g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine64 xvfb xauth
          clang-14 lld-14 llvm-14 nlohmann-json3-dev libcurl4-openssl-dev iproute2 ninja-build
          libsdbus-c++-dev dbus mpv mpv-mpris playerctl dpkg-dev systemd desktop-file-utils)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them as root: apt-get install ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
