#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Velmora needs. The ioquake3
# engine with OpenArena's free data (package openarena) and Xvfb are there for the end-to-end tests
# that play demos in a real game, and for the sample game directory of a first start. The desktop
# tools check the installed menu entry, AppStream description and file types.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    g++ clang libclang-rt-dev clang-format cmake ninja-build pkg-config \
    qt6-base-dev libgl-dev zlib1g-dev libjpeg62-turbo-dev libopenal-dev libsqlite3-dev \
    libgtest-dev libbenchmark-dev \
    openarena xvfb xauth libgl1-mesa-dri \
    desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db dpkg-dev
