#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, and only what is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build g++-multilib
    clang libclang-rt-14-dev clang-format
    googletest libgtest-dev libgmock-dev
    ncurses-bin
    ipxe-qemu
    g++-mingw-w64-x86-64 libz-mingw-w64-dev zlib1g-dev wine64 xvfb
    python3
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
