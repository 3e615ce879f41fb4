#!/usr/bin/env bash
# Builds the tree without the embedded browser engine (LANZHOU_WEB_ENGINE=OFF: partner pages open
# in the user's browser) into build-no-web/ (or $LANZHOU_BUILD_DIR) and runs every test there.
#
#   scripts/test-no-web.sh [cmake arguments...]
#
# LANZHOU_JOBS sets the build's parallelism (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANZHOU_BUILD_DIR:-$root/build-no-web}

"$root/scripts/install-deps.sh"
LANZHOU_BUILD_DIR=$build "$root/scripts/build.sh" -DLANZHOU_WEB_ENGINE=OFF -DLANZHOU_BUILD_TESTS=ON \
  -DLANZHOU_BUILD_BENCH=OFF "$@"

# The program must not even load the engine's libraries.
if ldd "$build/src/lanzhou" | grep -qi webengine; then
  echo "test-no-web: $build/src/lanzhou still links QtWebEngine" >&2
  exit 1
fi
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "${LANZHOU_JOBS:-2}"
