#!/usr/bin/env bash
# Builds the release artefacts into dist/:
#   dist/quintar_<version>_<arch>.deb   the Linux program as a Debian package
#   dist/quintar-<version>-win64.zip    quintar-win.exe, its x86-64-v3 build
#                                       quintar-win-x86-64-v3.exe,
#                                       README-windows.txt and LICENSE.txt
#   tools/package.sh [deb|win|all]      (default all)
# QUIN_PKG_BUILD overrides the Linux build directory (default build-pkg/),
# QUIN_JOBS the parallel jobs; the Windows program is built by
# tools/build_windows.sh into build-win/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
build=${QUIN_PKG_BUILD:-$root/build-pkg}
jobs=${QUIN_JOBS:-2}
dist=$root/dist
version=1.0-beta1

case $what in
deb | win | all) ;;
*)
    echo "usage: tools/package.sh [deb|win|all]" >&2
    exit 2
    ;;
esac
mkdir -p "$dist"

if [ "$what" != win ]; then
    # The shipped program is the profile-guided build.
    QUIN_JOBS=$jobs QUIN_TARGETS="quintar quintar_package_files" \
        "$root/tools/build_profiled.sh" "$build" -DQUIN_AMIGA_STANDIN=OFF >/dev/null
    rm -f "$build"/quintar_*.deb "$dist"/quintar_*.deb
    (cd "$build" && cpack -G DEB >/dev/null)
    cp "$build"/quintar_*.deb "$dist"/
    ls "$dist"/quintar_*.deb
fi

if [ "$what" != deb ]; then
    "$root/tools/build_windows.sh" >/dev/null
    zip_file=$dist/quintar-$version-win64.zip
    stage=$(mktemp -d)
    trap 'rm -rf "$stage"' EXIT
    mkdir "$stage/quintar-$version-win64"
    for exe in quintar-win.exe quintar-win-x86-64-v3.exe; do
        cp "${QUIN_WIN_BUILD:-$root/build-win}/$exe" "$stage/quintar-$version-win64/"
    done
    # Windows readers expect CRLF line ends in a text file.
    sed 's/$/\r/' "$root/packaging/windows/README-windows.txt" \
        >"$stage/quintar-$version-win64/README-windows.txt"
    sed 's/$/\r/' "$root/LICENSE" >"$stage/quintar-$version-win64/LICENSE.txt"
    rm -f "$zip_file"
    (cd "$stage" && zip -qX -r "$zip_file" "quintar-$version-win64")
    echo "$zip_file"
fi
