#!/usr/bin/env bash
# CPU time of reading demos to their end for their events, Velmora against a peer demo tool, the
# way a library of many demos is read from the command line: one process per demo.
#
#   bash bench/peer-events.sh [-r ROUNDS] [-p PEER] [-a 'PEER OPTIONS'] BUILD_DIR [DEMO|FOLDER]...
#
#   BUILD_DIR  Velmora's build folder (a release build); runs BUILD_DIR/src/cli/velmora-cli
#              events --json DEMO.
#   -p PEER    the peer's executable, run as PEER OPTIONS DEMO. Made for UDT_json of the open
#              demo library uberdemotools (UDT, github.com/mightycow/uberdemotools), built on its
#              own outside this repository: in its UDT_DLL/premake, `./premake5 gmake`, then in
#              UDT_DLL/.build/gmake `make UDT_json config=release_x64 CXXFLAGS='-include cstdlib
#              -include cstring'` (newer GCCs need the two includes); it lands in
#              UDT_DLL/.bin/gmake/x64/release. Without -p only Velmora's figures are printed.
#   -a OPTIONS the peer's options before the demo (default for UDT_json: "-q -c -a=gmdfs", i.e. the
#              JSON to stdout of game states, chat, deaths, flag captures and match stats).
#   -r ROUNDS  how many times every demo is read by each program (default 5); an untimed pass
#              before them warms the file cache and finds the demos a program does not read to
#              the end.
#   DEMO|FOLDER  the demos (folders are searched through). Default: the real corpus (VELMORA_CORPUS,
#              else the VELMORA_CORPUS_DIR the build was configured with, else ../shared/corpus
#              beside the repository) and the demos inside OpenArena's packs pak6-misc.pk3 and
#              pak6-patch088.pk3 when Debian's OpenArena data is installed, unpacked to a temporary
#              folder.
#
# Printed per kind of demo (old 1.11-1.27: .dm3 and .dm_43-48; protocols 66-71; Quake Live 73, 90,
# 91): demos, megabytes, Velmora's summed CPU time (user+sys seconds of the processes over all
# rounds) and its rate; then over the demos both programs read to the end ("both"): both CPU times
# and their ratio, Velmora's over the peer's (below 1: Velmora used less). Outputs go to /dev/null.
# Each process's start-up is part of the figure, as it is for a user. CPU time, not wall time, so
# that other work on the machine disturbs it less; still, run it on a quiet machine, note `uptime`.
#
# Not part of the tests or CI: the peer is not a dependency of Velmora.
set -euo pipefail

ROUNDS=5
PEER=""
PEER_OPTIONS="-q -c -a=gmdfs"
while getopts "r:p:a:h" opt; do
    case "$opt" in
    r) ROUNDS="$OPTARG" ;;
    p) PEER="$OPTARG" ;;
    a) PEER_OPTIONS="$OPTARG" ;;
    *)
        sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 2
        ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || {
    echo "usage: bash bench/peer-events.sh [-r ROUNDS] [-p PEER] [-a 'PEER OPTIONS'] BUILD_DIR [DEMO|FOLDER]..." >&2
    exit 2
}
[[ "$ROUNDS" =~ ^[1-9][0-9]*$ ]] || {
    echo "peer-events: ROUNDS must be a positive number, not '$ROUNDS'" >&2
    exit 2
}

BUILD="$(cd "$1" && pwd)"
shift
CLI="$BUILD/src/cli/velmora-cli"
[ -x "$CLI" ] || {
    echo "peer-events: no $CLI (build the target velmora-cli)" >&2
    exit 1
}
if [ -n "$PEER" ]; then
    found="$(command -v "$PEER" || true)"
    if [ -z "$found" ] || [ ! -x "$found" ]; then
        echo "peer-events: the peer $PEER is not an executable file" >&2
        exit 1
    fi
    PEER="$found"
fi
read -r -a PEER_ARGS <<<"$PEER_OPTIONS"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

SOURCES=("$@")
if [ ${#SOURCES[@]} -eq 0 ]; then
    REPO="$(cd "$(dirname "$0")/.." && pwd)"
    corpus="${VELMORA_CORPUS:-}"
    if [ -z "$corpus" ] && [ -f "$BUILD/CMakeCache.txt" ]; then
        corpus="$(sed -n 's/^VELMORA_CORPUS_DIR:[A-Z]*=//p' "$BUILD/CMakeCache.txt")"
    fi
    [ -n "$corpus" ] || corpus="$REPO/../shared/corpus"
    if [ -d "$corpus" ]; then
        SOURCES+=("$corpus")
    else
        echo "peer-events: no real corpus at $corpus (set VELMORA_CORPUS)" >&2
    fi
    for pack in /usr/share/games/openarena/baseoa/pak6-misc.pk3 /usr/share/games/openarena/baseoa/pak6-patch088.pk3; do
        [ -f "$pack" ] || continue
        dir="$WORK/packs/$(basename "$pack" .pk3)"
        mkdir -p "$dir"
        unzip -qo -j "$pack" 'demos/*' -d "$dir" 2>/dev/null || true
        SOURCES+=("$dir")
    done
fi

kind_of() { # the kind of a demo by its extension, or nothing for files that are not demos
    local extension="${1##*.}"
    case "${extension,,}" in
    dm3 | dm_4[3-8]) echo old ;;
    dm_6[6-9] | dm_7[01]) echo modern ;;
    dm_73 | dm_90 | dm_91) echo ql ;;
    esac
}

declare -A LIST_BOTH LIST_ALONE COUNT BYTES COUNT_BOTH BYTES_BOTH
: >"$WORK/all"
for source in "${SOURCES[@]}"; do
    if [ -d "$source" ]; then
        find "$source" -type f -print0 | sort -z | tr '\0' '\n' >>"$WORK/all"
    elif [ -f "$source" ]; then
        echo "$source" >>"$WORK/all"
    else
        echo "peer-events: no such demo or folder: $source" >&2
        exit 1
    fi
done

# The untimed pass: which demos each program reads to the end (Velmora exits 0; the peer exits 0
# and writes something). Only those both read are compared: a damaged demo that one program gives
# up on early would flatter it.
velmora_failed=()
peer_refused=()
while IFS= read -r demo; do
    kind="$(kind_of "$demo")"
    [ -n "$kind" ] || continue
    size=$(stat -c %s "$demo")
    COUNT[$kind]=$((${COUNT[$kind]:-0} + 1))
    BYTES[$kind]=$((${BYTES[$kind]:-0} + size))
    velmora_read=1
    "$CLI" events --json "$demo" >/dev/null 2>&1 || {
        velmora_read=0
        velmora_failed+=("$(basename "$demo")")
    }
    peer_read=0
    if [ -n "$PEER" ]; then
        if "$PEER" "${PEER_ARGS[@]}" "$demo" 2>/dev/null >"$WORK/peer-out" && [ -s "$WORK/peer-out" ]; then
            peer_read=1
        else
            peer_refused+=("$(basename "$demo")")
        fi
    fi
    if [ $velmora_read -eq 1 ] && [ $peer_read -eq 1 ]; then
        echo "$demo" >>"$WORK/both-$kind"
        COUNT_BOTH[$kind]=$((${COUNT_BOTH[$kind]:-0} + 1))
        BYTES_BOTH[$kind]=$((${BYTES_BOTH[$kind]:-0} + size))
    else
        echo "$demo" >>"$WORK/alone-$kind"
    fi
done <"$WORK/all"
for kind in old modern ql; do
    LIST_BOTH[$kind]="$WORK/both-$kind"
    LIST_ALONE[$kind]="$WORK/alone-$kind"
    touch "${LIST_BOTH[$kind]}" "${LIST_ALONE[$kind]}"
done

cpu_ms() { # cpu_ms LIST PROGRAM ARGS...: summed user+sys milliseconds of PROGRAM ARGS DEMO per demo
    local list="$1"
    shift
    (
        while IFS= read -r demo; do
            "$@" "$demo" >/dev/null 2>&1 || true
        done <"$list"
        times
    ) | awk 'NR == 2 {
        split($1, u, /[ms]/); split($2, s, /[ms]/)
        printf "%d\n", (u[1] * 60 + u[2] + s[1] * 60 + s[2]) * 1000 + 0.5 }'
}

declare -A V_BOTH V_ALONE P_BOTH
for kind in old modern ql; do
    V_BOTH[$kind]=0
    V_ALONE[$kind]=0
    P_BOTH[$kind]=0
done
for ((round = 1; round <= ROUNDS; round++)); do
    for kind in old modern ql; do
        # Turns alternate which program goes first, so that neither always meets the other's caches.
        if [ -n "$PEER" ] && ((round % 2 == 0)); then
            P_BOTH[$kind]=$((${P_BOTH[$kind]} + $(cpu_ms "${LIST_BOTH[$kind]}" "$PEER" "${PEER_ARGS[@]}")))
        fi
        V_BOTH[$kind]=$((${V_BOTH[$kind]} + $(cpu_ms "${LIST_BOTH[$kind]}" "$CLI" events --json)))
        V_ALONE[$kind]=$((${V_ALONE[$kind]} + $(cpu_ms "${LIST_ALONE[$kind]}" "$CLI" events --json)))
        if [ -n "$PEER" ] && ((round % 2 == 1)); then
            P_BOTH[$kind]=$((${P_BOTH[$kind]} + $(cpu_ms "${LIST_BOTH[$kind]}" "$PEER" "${PEER_ARGS[@]}")))
        fi
    done
done

echo "Velmora: $CLI events --json DEMO"
[ -z "$PEER" ] || echo "Peer:    $PEER ${PEER_OPTIONS} DEMO"
echo "$ROUNDS rounds, one process per demo; CPU = user+sys seconds summed over all rounds; $(uptime | sed 's/.*load/load/')"
[ ${#velmora_failed[@]} -eq 0 ] ||
    echo "Velmora stops with an error on ${#velmora_failed[@]} demo(s) (timed, not compared): ${velmora_failed[*]}"
[ ${#peer_refused[@]} -eq 0 ] || echo "The peer does not read ${#peer_refused[@]} demo(s): ${peer_refused[*]}"
echo
if [ -n "$PEER" ]; then
    printf '%-24s %6s %8s %9s %7s | %6s %8s %9s %9s %8s\n' kind demos MB "vel CPU" "MB/s" both MB "vel CPU" "peer CPU" "vel/peer"
else
    printf '%-24s %6s %8s %9s %7s\n' kind demos MB "vel CPU" "MB/s"
fi
t_count=0 t_bytes=0 t_v=0 t_count_both=0 t_bytes_both=0 t_vb=0 t_p=0
row() { # row NAME COUNT BYTES V_MS COUNT_BOTH BYTES_BOTH V_BOTH_MS P_MS
    awk -v name="$1" -v n="$2" -v b="$3" -v v="$4" -v nb="$5" -v bb="$6" -v vb="$7" -v p="$8" -v rounds="$ROUNDS" \
        -v peer="${PEER:+1}" 'BEGIN {
        mb = b / 1048576; rate = v > 0 ? sprintf("%7.0f", mb * rounds / (v / 1000)) : "      -"
        printf "%-24s %6d %8.1f %9.3f %s", name, n, mb, v / 1000, rate
        if (peer) {
            ratio = (nb > 0 && p > 0) ? sprintf("%8.2f", vb / p) : "       -"
            printf " | %6d %8.1f %9.3f %9.3f %s", nb, bb / 1048576, vb / 1000, p / 1000, ratio
        }
        printf "\n" }'
}
for kind in old modern ql; do
    case "$kind" in
    old) name="old (1.11-1.27)" ;;
    modern) name="protocols 66-71" ;;
    ql) name="Quake Live (73, 90, 91)" ;;
    esac
    v=$((${V_BOTH[$kind]} + ${V_ALONE[$kind]}))
    row "$name" "${COUNT[$kind]:-0}" "${BYTES[$kind]:-0}" "$v" "${COUNT_BOTH[$kind]:-0}" "${BYTES_BOTH[$kind]:-0}" \
        "${V_BOTH[$kind]}" "${P_BOTH[$kind]}"
    t_count=$((t_count + ${COUNT[$kind]:-0}))
    t_bytes=$((t_bytes + ${BYTES[$kind]:-0}))
    t_v=$((t_v + v))
    t_count_both=$((t_count_both + ${COUNT_BOTH[$kind]:-0}))
    t_bytes_both=$((t_bytes_both + ${BYTES_BOTH[$kind]:-0}))
    t_vb=$((t_vb + ${V_BOTH[$kind]}))
    t_p=$((t_p + ${P_BOTH[$kind]}))
done
row "all" "$t_count" "$t_bytes" "$t_v" "$t_count_both" "$t_bytes_both" "$t_vb" "$t_p"
