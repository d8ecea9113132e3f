#!/usr/bin/env bash
# Makes a private game directory for the end-to-end tests: Debian's ioquake3 engine with the free
# OpenArena data, started headless by a launcher that Velmora finds as the game's program.
#
#   scripts/prepare-test-engine.sh <folder>
#
# <folder>/baseoa/ holds symbolic links to the OpenArena packs (so scripts and demos written there
# are found), <folder>/ioquake3 starts the engine with this folder as its base and home path, a
# small software-rendered window (needs $DISPLAY, e.g. from Xvfb), no sound, and the console log
# <folder>/baseoa/qconsole.log written line by line. Its output goes to <folder>/engine-output.txt.
# Velmora is pointed at it with q3a_dir=<folder> and base_folder=baseoa.
#
# Exits with 2 when the engine or the data is not installed
# (apt-get install openarena xvfb xauth libgl1-mesa-dri).
set -euo pipefail

engine=/usr/lib/ioquake3/ioquake3
data=/usr/lib/openarena/baseoa
if [ $# -ne 1 ]; then
    echo "usage: $0 <folder>" >&2
    exit 1
fi
if [ ! -x "$engine" ] || [ ! -e "$data/pak0.pk3" ]; then
    echo "ioquake3 or the OpenArena data is not installed" >&2
    exit 2
fi

folder=$(mkdir -p "$1" && cd "$1" && pwd)
mkdir -p "$folder/baseoa/demos"
for item in "$data"/*; do
    ln -sfn "$item" "$folder/baseoa/$(basename "$item")"
done

# The engine's own name, so that its process is the one Velmora started (exec keeps the PID).
# With this data the base folder cannot be called baseq3: the engine would ask for the original
# game's packs. Protocol 71 is OpenArena's; 68 as the legacy protocol plays .dm_68 demos too.
cat > "$folder/ioquake3" <<LAUNCHER
#!/bin/sh
export LIBGL_ALWAYS_SOFTWARE=1
exec $engine \\
    +set com_basegame baseoa +set fs_basepath "$folder" +set fs_homepath "$folder" \\
    +set com_protocol 71 +set com_legacyprotocol 68 +set cl_motd 0 \\
    +set s_initsound 0 +set cl_renderer opengl1 +set r_mode -1 +set r_customwidth 320 \\
    +set r_customheight 240 +set r_fullscreen 0 +set in_nograb 1 +set com_introplayed 1 \\
    +set net_ip 127.0.0.1 +set logfile 2 \\
    "\$@" >> "$folder/engine-output.txt" 2>&1
LAUNCHER
chmod 755 "$folder/ioquake3"
echo "$folder"
