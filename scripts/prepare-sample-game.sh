#!/usr/bin/env bash
# Prepares a sample game directory for a first start of Velmora when no game is configured yet:
# Debian's free OpenArena data on the ioquake3 engine (base folder "baseoa"), with sample demos
# made by the project's own demo builder and two short bot matches recorded by the engine, and
# points the program's configuration file at it.
#
#   bash scripts/prepare-sample-game.sh [GAME_DIR]      (default: build/sample-game)
#
# Does nothing when the configuration file already names a folder that holds a game. Installs
# the Debian packages "openarena" and "ioquake3" when they are missing (through sudo when not
# root). Velmora itself never downloads anything.
set -euo pipefail
cd "$(dirname "$0")/.."
REPO="$PWD"
GAME_DIR="${1:-$REPO/build/sample-game}"
GAME_DIR="$(mkdir -p "$GAME_DIR" && cd "$GAME_DIR" && pwd)"
# The program started by scripts/run.sh is a portable copy: its configuration lives beside it.
PROGRAM_DIR="$REPO/build/release/src/gui"
CONFIG="$PROGRAM_DIR/Velmora.cfg"

# The project's own tools: velmora-cli, which names the game programs the program looks for, and
# the demo writer for the sample demos, built in the program's own build folder with the options
# scripts/run.sh gives it, so that the core is compiled once for both.
BUILD="$REPO/build/release"
cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF > /dev/null
cmake --build "$BUILD" --target velmora-cli write_demos -j "$(nproc)" > /dev/null
WRITE="$BUILD/tools/write_demos"
mapfile -t GAME_PROGRAMS < <("$BUILD/src/cli/velmora-cli" game-programs)
if [ "${#GAME_PROGRAMS[@]}" -eq 0 ]; then
    echo "velmora-cli game-programs named no game programs" >&2
    exit 1
fi

game_in() { # a folder holds a game when it holds one of the programs Velmora looks for there
    local dir="$1" name
    for name in "${GAME_PROGRAMS[@]}"; do
        case "$name" in
        # The Windows program only has to be there (Velmora runs it through Wine); the others
        # must be startable.
        *.exe) [ -f "$dir/$name" ] && return 0 ;;
        *) [ -x "$dir/$name" ] && [ -f "$dir/$name" ] && return 0 ;;
        esac
    done
    return 1
}

configured_game() { # the q3a_dir of section [Global], names compared without regard to case
    [ -f "$CONFIG" ] || return 0
    awk '
         /^[ \t]*\[/ { global = tolower($0) ~ /^[ \t]*\[[ \t]*global[ \t]*\]/; next }
         global && tolower($0) ~ /^[ \t]*q3a_dir[ \t]*=/ { sub(/^[^=]*=/, ""); sub(/\r$/, ""); print; exit }' "$CONFIG"
}

current="$(configured_game)"
# Sample games made by earlier versions of this script recorded their bot matches in the game's own
# home folder, whose q3config.cfg kept the recording's settings (a 320x240 window, the opengl1
# renderer, the name "Watcher", no time or frag limit): while the name is still the recording's,
# those settings are taken out again, and the engine starts with its defaults.
for dir in "$current" "$GAME_DIR"; do
    engine_config="$dir/home/baseoa/q3config.cfg"
    if [ -n "$dir" ] && [ -f "$engine_config" ] && grep -q '^seta name "Watcher"' "$engine_config"; then
        sed -i -E '/^seta (name|r_mode|r_customwidth|r_customheight|cl_renderer|r_fullscreen|in_nograb|g_gametype|timelimit|fraglimit|bot_minplayers) /d' "$engine_config"
    fi
done
if [ -n "$current" ] && game_in "$current"; then
    echo "Velmora already uses the game in $current"
    exit 0
fi

if [ ! -d /usr/lib/openarena/baseoa ] || [ ! -x /usr/lib/ioquake3/ioquake3 ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update
    $SUDO apt-get install -y --no-install-recommends openarena ioquake3
fi

# The game directory: the OpenArena packs linked into "baseoa", and a launcher that starts the
# engine on this directory (its PID is the engine's, thanks to exec).
mkdir -p "$GAME_DIR/baseoa/demos" "$GAME_DIR/home"
for pack in /usr/lib/openarena/baseoa/*; do
    ln -sfn "$pack" "$GAME_DIR/baseoa/$(basename "$pack")"
done
cat > "$GAME_DIR/ioquake3" <<LAUNCHER
#!/bin/sh
exec /usr/lib/ioquake3/ioquake3 +set com_basegame baseoa +set fs_basepath "$GAME_DIR" +set fs_homepath "$GAME_DIR/home" "\$@"
LAUNCHER
chmod +x "$GAME_DIR/ioquake3"

# Sample demos from the project's demo builder: some in the game directory itself (the folder
# listed at the first start), more in the game's demo folder, and a pack of demos beside them.
if ! ls "$GAME_DIR"/*.dm* > /dev/null 2>&1; then
    "$WRITE" "$GAME_DIR" 12 --seed 1
    "$WRITE" "$GAME_DIR/baseoa/demos" 20 --seed 2
    "$WRITE" "$GAME_DIR/baseoa/demos" 8 --pack sample-demos.pk3 --seed 3
fi

# Two short bot matches recorded by the installed engine, so that "Play it" has something the
# game recorded itself at the first start. Any failure there only leaves the matches out.
bash "$REPO/scripts/record-sample-matches.sh" "$GAME_DIR" || true

# Point the configuration at the sample game: a new file, or the two keys of [Global] replaced
# (or added) in an existing one, every other line kept.
mkdir -p "$PROGRAM_DIR"
if [ ! -f "$CONFIG" ]; then
    printf '[Global]\r\nq3a_dir=%s\r\nbase_folder=baseoa\r\n' "$GAME_DIR" > "$CONFIG"
else
    awk -v dir="$GAME_DIR" '
        function flush() { if (global && !done) { printf "q3a_dir=%s\r\nbase_folder=baseoa\r\n", dir; done = 1 } }
        /^[ \t]*\[/ { flush(); global = tolower($0) ~ /^[ \t]*\[[ \t]*global[ \t]*\]/; seen = seen || global; print; next }
        global && tolower($0) ~ /^[ \t]*(q3a_dir|base_folder)[ \t]*=/ { next }
        { print }
        END { flush(); if (!seen) printf "[Global]\r\nq3a_dir=%s\r\nbase_folder=baseoa\r\n", dir }' \
        "$CONFIG" > "$CONFIG.new"
    mv "$CONFIG.new" "$CONFIG"
fi
echo "Sample game prepared in $GAME_DIR; Velmora's configuration: $CONFIG"
