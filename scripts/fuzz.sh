#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $LANZHOU_BUILD_DIR) and runs each
# for a while: scripts/fuzz.sh [seconds per target, default 60] [target...]
#
# Targets (fuzz/): csv_table_format, packed_resource, http_reply, timetable_queries,
# timetable_file, crawl_import; all of them
# when none is named.
# New inputs a run finds go to build-fuzz/corpus/<target>/ (the seeds in fuzz/corpus/ stay as
# they are); a crash lands in build-fuzz/artifacts/ and ends that target's run. Reproduce one with
#   build-fuzz/fuzz/<target>_fuzz build-fuzz/artifacts/<target>-crash-<hash>
# then turn it into a unit test under tests/data or tests/net before fixing it.
# LANZHOU_FUZZ_FLAGS adds libFuzzer options (e.g. -jobs=2 -workers=2); LANZHOU_JOBS sets the
# build's parallelism. Exits non-zero when any target found a crash.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LANZHOU_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(csv_table_format packed_resource http_reply timetable_queries timetable_file
  crawl_import)

# Only the fuzz targets and what they link are built.
mkdir -p "$build"
exec 9>"$build/.build.lock"
flock 9
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="${CC:-clang}" -DCMAKE_CXX_COMPILER="${CXX:-clang++}" -DLANZHOU_FUZZ=ON \
  -DLANZHOU_BUILD_GUI=OFF -DLANZHOU_BUILD_TESTS=OFF -DLANZHOU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "${LANZHOU_JOBS:-2}" --target "${targets[@]/%/_fuzz}"
flock -u 9

failed=()
for t in "${targets[@]}"; do
  bin=$build/fuzz/${t}_fuzz
  [ -x "$bin" ] || { echo "no fuzz target $t" >&2; exit 2; }
  mkdir -p "$build/corpus/$t" "$build/artifacts"
  dict=()
  [ -f "$root/fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  echo "== $t: ${seconds} s"
  # -rss_limit_mb: a reader that allocates by a size it was handed shows up as a crash too.
  if ! "$bin" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$build/artifacts/$t-" "${dict[@]}" ${LANZHOU_FUZZ_FLAGS:-} \
      "$build/corpus/$t" "$root/fuzz/corpus/$t" 2>"$build/$t.log"; then
    failed+=("$t")
  fi
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|stat::peak_rss_mb)|^Done|ERROR:|SUMMARY:" \
    "$build/$t.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "crashes in: ${failed[*]} (logs in $build/<target>.log, inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "no crashes"
