#!/usr/bin/env bash
# Writes every output the program makes from a set of real and written demos into one folder, so
# that two builds can be compared byte for byte after a change of structure:
#   bash scripts/corpus-outputs.sh BUILD_DIR OUT_DIR
#   bash scripts/corpus-outputs.sh build/before /tmp/before && ... && diff -r /tmp/before /tmp/after
# The demos: the real corpus (VELMORA_CORPUS, default ../shared/corpus), the demos the sample
# writer makes, and the demos of OpenArena's own packs when Debian's data is installed.
# Per demo: info (plain, JSON, course), events, conversion to 68 and 71, a clip; per folder: the
# scan's JSON and its cache; then the library index and a few searches. Exit codes are written too.
set -uo pipefail

BUILD="$(cd "${1:?build folder}" && pwd)"
OUT="${2:?output folder}"
REPO="$(cd "$(dirname "$0")/.." && pwd)"
CORPUS="${VELMORA_CORPUS:-$REPO/../shared/corpus}"
CLI="$BUILD/src/cli/velmora-cli"
WRITE="$BUILD/tools/write_demos"

rm -rf "$OUT"
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local/share"
mkdir -p "$HOME"

# The demo sets, each in a folder of its own.
mkdir -p "$WORK/demos/corpus" "$WORK/demos/written" "$WORK/demos/packs"
[ -d "$CORPUS" ] && cp -r "$CORPUS"/. "$WORK/demos/corpus/"
"$WRITE" "$WORK/demos/written" 40 --seed 3 >/dev/null
"$WRITE" "$WORK/demos/written" 8 --pack sample-demos.pk3 --seed 5 >/dev/null
for pack in /usr/share/games/openarena/baseoa/pak6-misc.pk3 /usr/share/games/openarena/baseoa/pak6-patch088.pk3; do
    [ -f "$pack" ] && unzip -qo -j "$pack" 'demos/*' -d "$WORK/demos/packs" 2>/dev/null
done

# Files get one date, so that the dates shown do not depend on when this ran.
export TZ=UTC
find "$WORK/demos" -exec touch -h -d '2020-01-02 03:04:05' {} +

run() { # run NAME ARGS...: stdout, stderr and exit code of one command
    local name="$1"
    shift
    "$@" >"$OUT/$name.out" 2>"$OUT/$name.err"
    echo $? >"$OUT/$name.rc"
}

cd "$WORK/demos"
find . -type f \( -name '*.dm*' \) | sort | while read -r demo; do
    key="$(echo "${demo#./}" | tr '/' '_')"
    run "$key.info" "$CLI" info "$demo"
    run "$key.info-json" "$CLI" info --json "$demo"
    run "$key.course" "$CLI" info --course --json "$demo"
    run "$key.events" "$CLI" events --json "$demo"
    for to in 68 71; do
        run "$key.convert$to" "$CLI" convert --to "$to" "$demo" "$OUT/$key.convert$to.demo"
    done
    run "$key.cut" "$CLI" cut --from 0:02 --to 0:09.500 "$demo" "$OUT/$key.cut.${demo##*.}"
done
# Members of packs, read in place.
find . -type f -name '*.pk3' | sort | while read -r pack; do
    key="$(echo "${pack#./}" | tr '/' '_')"
    unzip -Z1 "$pack" | grep -E '\.dm' | while read -r member; do
        run "$key.$(basename "$member").info-json" "$CLI" info --json "$pack" "$member"
        run "$key.$(basename "$member").events" "$CLI" events --json "$pack" "$member"
    done
done

n=0
find . -type d | sort | while read -r folder; do
    n=$((n + 1))
    run "scan-$n" "$CLI" scan --json --data "$WORK/scan-data" "$WORK/demos/$folder"
    run "scan-$n-cached" "$CLI" scan --json --data "$WORK/scan-data" "$WORK/demos/$folder"
done
find . -name vmr_scan | sort | while read -r cache; do
    cp "$cache" "$OUT/scan-cache-$(echo "${cache#./}" | tr '/' '_')"
done
for data in "$WORK/scan-data" "$HOME/.cache"; do
    [ -d "$data" ] && (cd "$data" && find . -type f | sort | while read -r f; do
        mkdir -p "$OUT/scan-data/$(dirname "$f")"
        cp "$f" "$OUT/scan-data/$f"
    done)
done
# The scan caches name the folder they describe; make that name the same in every run.
grep -rl "$WORK" "$OUT" 2>/dev/null | while read -r f; do sed -i "s|$WORK|WORK|g" "$f"; done

run index "$CLI" index --data-dir "$WORK/index" "$WORK/demos/corpus" "$WORK/demos/written" "$WORK/demos/packs"
for query in 'map:q3dm17' 'player:alpha' 'gametype:ctf' 'oa' 'rating:0'; do
    run "search-$(echo "$query" | tr ':/ ' '___')" "$CLI" search --json --data-dir "$WORK/index" "$query"
done
grep -rlI -e "$WORK" -e "$OUT" "$OUT" 2>/dev/null | while read -r f; do sed -i -e "s|$WORK|WORK|g" -e "s|$OUT|OUT|g" "$f"; done
# The time a listing took is not an output.
grep -rlI 'item(s) loaded in' "$OUT" | while read -r f; do sed -i -E 's/loaded in [0-9.,]+ sec/loaded in T sec/' "$f"; done
echo "$(find "$OUT" -type f | wc -l) outputs in $OUT"
