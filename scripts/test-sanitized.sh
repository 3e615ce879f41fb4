#!/usr/bin/env bash
# Builds the whole tree with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (or
# $LANZHOU_BUILD_DIR) and runs every test there; prints how long it all took.
#
#   scripts/test-sanitized.sh [cmake arguments...]     e.g. -DLANZHOU_BUILD_GUI=OFF
#
# Any sanitizer report fails the test that triggered it: UBSan does not recover, ASan stops at the
# first error, LeakSanitizer runs at exit. LANZHOU_JOBS sets the build's parallelism (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANZHOU_BUILD_DIR:-$root/build-asan}
start=$(date +%s)

"$root/scripts/install-deps.sh"
# The flags themselves live behind LANZHOU_SANITIZE in CMakeLists.txt, so a preset or an IDE
# gets the same build: -fsanitize=address,undefined -fno-omit-frame-pointer
# -fno-sanitize-recover=undefined. Benchmarks are not worth timing under ASan.
LANZHOU_BUILD_DIR=$build "$root/scripts/build.sh" -DLANZHOU_SANITIZE=ON -DLANZHOU_BUILD_TESTS=ON \
  -DLANZHOU_BUILD_BENCH=OFF "$@"
built=$(date +%s)

# Third-party findings that are not ours to fix, kept narrow:
# - fontconfig and QtWebEngineCore keep allocations for the life of the process, which
#   LeakSanitizer reports at exit;
# - the Chromium inside QtWebEngineCore frees with a sized delete of another type, so the tests
#   that create a web page (LANZHOU_ASAN_WEBENGINE_TESTS, a ctest regex) run without that one
#   check, and every other test runs with it.
suppressions=$build/lsan.supp
printf '%s\n' 'leak:libfontconfig.so' 'leak:libQt6WebEngineCore.so' >"$suppressions"
webengine_tests=${LANZHOU_ASAN_WEBENGINE_TESTS:-web_view}
asan_options=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
cd "$build"
ASAN_OPTIONS=$asan_options QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure -j "${LANZHOU_JOBS:-2}" -E "$webengine_tests" || status=$?
ASAN_OPTIONS=$asan_options:new_delete_type_mismatch=0 QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure -j "${LANZHOU_JOBS:-2}" -R "$webengine_tests" --no-tests=ignore ||
  status=$?
end=$(date +%s)
echo "sanitized build: $((built - start)) s, tests: $((end - built)) s, total: $((end - start)) s"
exit $status
