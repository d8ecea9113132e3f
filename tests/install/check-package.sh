#!/usr/bin/env bash
# Builds the Debian package with CPack and unpacks it into a clean folder tree: the programs, the
# menu entry, icons, AppStream description, file types and manual page under /usr, the menu entry
# and description valid, and the libraries it needs declared.
# Usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
id=org.velmora.Velmora
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/velmora_*.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/velmora usr/bin/velmora-cli "usr/share/applications/$id.desktop" \
            "usr/share/metainfo/$id.metainfo.xml" "usr/share/mime/packages/$id.xml" \
            "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/48x48/apps/$id.png" \
            usr/share/man/man1/velmora-cli.1; do
    [ -s "$root/$file" ] || problem "not in the package: $file"
done
desktop-file-validate "$root/usr/share/applications/$id.desktop" || problem "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || problem "appstreamcli validate"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6network6 qt6-qpa-plugins libjpeg62-turbo libopenal1 zlib1g; do
    grep -q "$library" <<<"$depends" || problem "Depends lacks $library: $depends"
done
# The SVG icon engine, a plugin: in libqt6svg6 on Debian 12, in qt6-svg-plugins later.
grep -Eq "(libqt6svg6|qt6-svg-plugins)" <<<"$depends" || problem "Depends lacks the SVG icon engine: $depends"
[ "$(dpkg-deb -f "$deb" Package)" = velmora ] || problem "package name"
# The unpacked programs start: the command line tool answers a wrong call with its usage.
set +e
"$root/usr/bin/velmora-cli" >/dev/null 2>"$scratch/usage"
status=$?
set -e
[ "$status" = 2 ] && grep -q "usage: velmora-cli" "$scratch/usage" || problem "velmora-cli does not run from the package"
exit $fail
