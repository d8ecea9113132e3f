#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Velmora needs. The ioquake3
# engine with OpenArena's free data (package openarena; openarena-081-misc holds OpenArena 0.8.1's
# own demos, played converted) and Xvfb are there for the end-to-end tests that play demos in a
# real game, and for the sample game directory of a first start; ffmpeg encodes the videos the
# engine films ("Export video...", velmora-cli video) and checks them in tests; openbox is the real
# window manager on Xvfb under which the window placement test runs. The desktop tools
# check the installed menu entry, AppStream description and file types. Qt's SVG module draws the
# command pictures: its plugins come with libqt6svg6 on Debian 12 and with qt6-svg-plugins where
# that package exists (later releases split them off).
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
SVG_PLUGINS=""
if apt-cache show qt6-svg-plugins >/dev/null 2>&1; then SVG_PLUGINS="qt6-svg-plugins"; fi
$SUDO apt-get install -y --no-install-recommends \
    g++ clang libclang-rt-dev clang-format cmake ninja-build pkg-config \
    qt6-base-dev qt6-svg-dev $SVG_PLUGINS libgl-dev libxcb1-dev zlib1g-dev libjpeg62-turbo-dev libopenal-dev libsqlite3-dev libicu-dev \
    libgtest-dev libbenchmark-dev \
    openarena openarena-081-misc xvfb xauth libgl1-mesa-dri ffmpeg openbox \
    desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db dpkg-dev python3
