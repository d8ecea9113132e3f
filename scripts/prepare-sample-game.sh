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

# Two short bot matches recorded by the installed engine, as the game records them, so that "Play
# it" has something to play at the first start (the engine plays no 1.17/1.27 demos). The client
# needs a display: a private Xvfb. Any failure here only leaves the matches out.
record_match() { # MAP NAME PROTOCOL SECONDS BOT...
    local map=$1 name=$2 protocol=$3 seconds=$4 fifo="$GAME_DIR/home/baseoa/velmora-sample.fifo" bot
    shift 4
    LIBGL_ALWAYS_SOFTWARE=1 timeout $((seconds + 60)) "$GAME_DIR/ioquake3" +set s_initsound 0 \
        +set cl_renderer opengl1 +set r_mode -1 +set r_customwidth 320 +set r_customheight 240 \
        +set r_fullscreen 0 +set in_nograb 1 +set com_introplayed 1 +set net_ip 127.0.0.1 \
        +set com_protocol "$protocol" +set com_legacyprotocol "$protocol" +set name Watcher \
        +set com_pipefile velmora-sample.fifo +set g_gametype 0 +set bot_minplayers 0 \
        +set timelimit 0 +set fraglimit 0 +map "$map" > /dev/null 2>&1 &
    local game=$!
    for _ in $(seq 60); do [ -p "$fifo" ] && break; sleep 0.5; done
    if [ -p "$fifo" ]; then
        sleep 8 # the map loads
        for bot in "$@"; do printf 'addbot %s 3\n' "$bot" > "$fifo"; done
        sleep 3
        printf 'record %s\n' "$name" > "$fifo"
        sleep "$seconds"
        printf 'stoprecord\n' > "$fifo"
        sleep 1
        printf 'quit\n' > "$fifo"
    fi
    wait "$game" || true
    [ -f "$GAME_DIR/home/baseoa/demos/$name.dm_$protocol" ] &&
        mv "$GAME_DIR/home/baseoa/demos/$name.dm_$protocol" "$GAME_DIR/baseoa/demos/"
}
if command -v Xvfb > /dev/null && ! ls "$GAME_DIR"/baseoa/demos/bots-*.dm_* > /dev/null 2>&1; then
    echo "Recording two short bot matches with the engine (about a minute)"
    displayfile=$(mktemp)
    Xvfb -displayfd 4 -screen 0 640x480x24 -nolisten tcp 4> "$displayfile" > /dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 20); do [ -s "$displayfile" ] && break; sleep 0.25; done
    if [ -s "$displayfile" ]; then
        export DISPLAY=":$(head -n1 "$displayfile")"
        record_match oa_dm2 bots-oa_dm2 68 20 sarge grism major kyonshi || true
        record_match oa_dm1 bots-oa_dm1 71 20 sarge angelyss || true
    fi
    kill "$xvfb" 2> /dev/null || true
    wait "$xvfb" 2> /dev/null || true
    rm -f "$displayfile"
fi

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
