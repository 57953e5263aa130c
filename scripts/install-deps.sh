#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Project Kestu.
# Idempotent: when every package is already installed nothing is done (no
# apt-get update either). Needs root, or sudo for the install itself.
set -euo pipefail

packages=(
    build-essential
    cmake
    libsdl1.2-dev
    libgl-dev
    libglu1-mesa-dev
    libx11-dev
    libpng-dev
    libgl1-mesa-dri
    xvfb
    xauth
    googletest
    libgtest-dev
    libbenchmark-dev
    time
    clang
    libclang-rt-dev
    llvm
    libegl-dev
    libegl-mesa0
    pkg-config
    ccache
    ffmpeg
    desktop-file-utils
    dpkg-dev
    file
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    if [ "$status" != "installed" ]; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages are installed"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
    run_as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update
"${run_as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
