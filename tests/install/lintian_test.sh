#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Packs this build as the .deb (CPack, as scripts/package.sh does) into a temporary folder and
# runs lintian on it: any error or warning fails, except the overrides the package carries
# (resources/debian/lintian-overrides, explained in the README).
#   lintian_test.sh BUILD_DIR
set -euo pipefail
build=$1
if ! command -v lintian >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "lintian or dpkg-dev is not installed: skipped"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out/staging" -D CPACK_OUTPUT_FILE_PREFIX="$out" \
  >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(find "$out" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "cpack made no .deb"; cat "$out/cpack.log"; exit 1; }
# Tags lintian shows as E: (errors) or W: (warnings); I:/P:/N: lines are information.
report=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
echo "$report"
if grep -qE '^[EW]: ' <<<"$report"; then
  echo "lintian reported errors or warnings"
  exit 1
fi
echo "lintian: no errors, no warnings"
