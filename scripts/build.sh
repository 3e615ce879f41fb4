#!/usr/bin/env bash
# Configures and builds into build/ (or $LANZHOU_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANZHOU_BUILD_DIR:-$root/build}
mkdir -p "$build"
# One build at a time per folder: two ninja runs in one tree corrupt each other.
exec 9>"$build/.build.lock"
flock 9
# ccache, where the machine has it, makes a rebuild in a fresh checkout cheap; nothing needs it.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} \
  "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "${LANZHOU_JOBS:-2}"
