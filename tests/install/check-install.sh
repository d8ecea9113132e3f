#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop needs from it: every file in
# its place, the menu entry and the AppStream description valid, and the file types, once the
# MIME database is built from the installed XML, leading to Velmora.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
id=org.velmora.Velmora
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

share=$prefix/share
expected=(
    bin/velmora bin/velmora-cli
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" "share/mime/packages/$id.xml"
    "share/icons/hicolor/scalable/apps/$id.svg" share/man/man1/velmora-cli.1
)
for size in 16 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || problem "not installed: $file"
done
for program in velmora velmora-cli; do
    [ -x "$prefix/bin/$program" ] || problem "not executable: bin/$program"
done
# A PNG's size is in its header: width and height at bytes 16 to 23.
for size in 16 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || continue
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || problem "$png is ${width}x${height}"
done

desktop-file-validate "$share/applications/$id.desktop" || problem "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || problem "appstreamcli validate"
# The icon named by the menu entry is the one installed.
grep -qx "Icon=$id" "$share/applications/$id.desktop" || problem "the menu entry names another icon"
# The manual page formats without warnings.
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/velmora-cli.1" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || problem "man page: $warnings"
fi

# The file types: the databases built from the installed files (as the distribution's triggers do
# after a package install), then asked as a file manager asks.
update-mime-database "$share/mime"
update-desktop-database "$share/applications"
mkdir -p "$scratch/files" "$scratch/home"
printf 'VMR Play List, ver 1.32\r\n' >"$scratch/files/list.vmr"
printf 'VMR Play List, ver 1.32\r\n' >"$scratch/files/list-without-extension"
head -c 64 /dev/urandom >"$scratch/files/duel.dm_48"
head -c 64 /dev/urandom >"$scratch/files/final.dm_68"
export XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$scratch/home/data XDG_CONFIG_HOME=$scratch/home/config
export HOME=$scratch/home
# Menu entries whose program is not on the PATH are left out by the desktop.
export PATH=$prefix/bin:$PATH
if command -v gio >/dev/null; then
    type_of() { gio info -a standard::content-type "$1" 2>&1 | sed -n 's/^ *standard::content-type: //p' || true; }
    for check in "duel.dm_48 application/x-quake3-demo" "final.dm_68 application/x-quake3-demo" \
                 "list.vmr application/x-velmora-playlist" \
                 "list-without-extension application/x-velmora-playlist"; do
        read -r file type <<<"$check"
        got=$(type_of "$scratch/files/$file")
        [ "$got" = "$type" ] || problem "$file is '$got', not $type"
    done
    for type in application/x-quake3-demo application/x-velmora-playlist; do
        handlers=$(gio mime "$type" 2>&1 || true)
        grep -q "$id.desktop" <<<"$handlers" || problem "$type does not lead to $id.desktop: $handlers"
    done
else
    echo "gio is missing: the file type look-up is not checked" >&2
fi
exit $fail
