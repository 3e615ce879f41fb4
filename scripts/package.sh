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
# Debian's hardening flags (fortified functions, stack protector, full RELRO with BIND_NOW), as a
# Debian build of the package would use; CMake reads them on the first configure of the folder.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS
CMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-Release} LANZHOU_BUILD_DIR=$build "$root/scripts/build.sh" \
  -DLANZHOU_BUILD_TESTS=OFF -DLANZHOU_BUILD_BENCH=OFF "$@"
rm -f "$build"/packages/*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/packages/*.deb)
dpkg-deb --info "$deb"
# The Debian conventions: no error or warning is acceptable (see the README for the rest).
lintian --tag-display-limit 0 --info "$deb" || true
if lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep -qE '^[EW]: '; then
  echo "lintian reported errors or warnings" >&2
  exit 1
fi
dpkg-deb --contents "$deb"
echo "$deb"
