#!/usr/bin/env bash
# Records two short bot matches with the installed engine (Debian's ioquake3 with OpenArena's
# data) into the demo folder of a game directory made by scripts/prepare-sample-game.sh, as the
# game records them: "bots-oa_dm2.dm_68" and "bots-oa_dm1.dm_71". Does nothing when they are
# there already or Xvfb is missing; the client draws into a private Xvfb.
#
#   bash scripts/record-sample-matches.sh GAME_DIR      ($VELMORA_MATCH_SECONDS: length, default 20)
#
# Each recording runs in a home folder of its own, removed afterwards: its small window, software
# renderer and player name must not become the settings the user's own games start with (the
# engine saves them in its home folder's q3config.cfg). Nothing but the two demos is left behind.
set -euo pipefail
GAME_DIR="$(cd "$1" && pwd)"
SECONDS_PER_MATCH="${VELMORA_MATCH_SECONDS:-20}"
mkdir -p "$GAME_DIR/baseoa/demos"

record_match() { # MAP NAME PROTOCOL SECONDS BOT...
    local map=$1 name=$2 protocol=$3 seconds=$4 home fifo bot
    shift 4
    home="$(mktemp -d "$GAME_DIR/.recording-home.XXXXXX")"
    fifo="$home/baseoa/velmora-sample.fifo"
    LIBGL_ALWAYS_SOFTWARE=1 timeout $((seconds + 60)) /usr/lib/ioquake3/ioquake3 +set com_basegame baseoa \
        +set fs_basepath "$GAME_DIR" +set fs_homepath "$home" +set s_initsound 0 \
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
    [ -f "$home/baseoa/demos/$name.dm_$protocol" ] &&
        mv "$home/baseoa/demos/$name.dm_$protocol" "$GAME_DIR/baseoa/demos/"
    rm -rf "$home"
}
if command -v Xvfb > /dev/null && ! ls "$GAME_DIR"/baseoa/demos/bots-*.dm_* > /dev/null 2>&1; then
    echo "Recording two short bot matches with the engine (about a minute)"
    displayfile=$(mktemp)
    Xvfb -displayfd 4 -screen 0 640x480x24 -nolisten tcp 4> "$displayfile" > /dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 20); do [ -s "$displayfile" ] && break; sleep 0.25; done
    if [ -s "$displayfile" ]; then
        export DISPLAY=":$(head -n1 "$displayfile")"
        record_match oa_dm2 bots-oa_dm2 68 "$SECONDS_PER_MATCH" sarge grism major kyonshi || true
        record_match oa_dm1 bots-oa_dm1 71 "$SECONDS_PER_MATCH" sarge angelyss || true
    fi
    kill "$xvfb" 2> /dev/null || true
    wait "$xvfb" 2> /dev/null || true
    rm -f "$displayfile"
fi

