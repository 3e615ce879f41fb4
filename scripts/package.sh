#!/usr/bin/env bash
# Builds the Debian package: a Release build with the window into build-package/ (or
# $LANZHOU_BUILD_DIR), then CPack's DEB generator. The .deb lands in <build>/packages/; its
# control data and file list are printed at the end. Extra arguments go to cmake.
#
#   scripts/package.sh && sudo apt install ./build-package/packages/lanzhou_*.deb
#
# Dependencies come from dpkg-shlibdeps (package dpkg-dev) plus the hand-listed runtime needs in
# cmake/LanzhouInstall.cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANZHOU_BUILD_DIR:-$root/build-package}

"$root/scripts/install-deps.sh"
CMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-Release} LANZHOU_BUILD_DIR=$build "$root/scripts/build.sh" \
  -DLANZHOU_BUILD_TESTS=OFF -DLANZHOU_BUILD_BENCH=OFF "$@"
rm -f "$build"/packages/*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/packages/*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
echo "$deb"
