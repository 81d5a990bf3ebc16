#!/usr/bin/env bash
# Runs every fuzz target for a longer time, one after the other:
#   fuzz/run-long.sh [SECONDS-PER-TARGET [TARGET...]]   (default 600 s, all targets)
# Builds build-fuzz with clang first. Each target works on a copy of its
# committed corpus in build-fuzz/fuzz/long/<target>/corpus, kept between runs
# (the committed corpus is never written); inputs that crash, hang or leak
# land in build-fuzz/fuzz/long/<target>/findings/. Exits non-zero when any
# target found something.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(probe probe_growth timecode_parse timecode_roundtrip progress save_filter runner_window)
fi
build=$root/build-fuzz

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DVELMORA_FUZZ=ON \
  -DVELMORA_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" --target fuzz_all --parallel "$(nproc)" || exit 1

failed=()
for name in "${targets[@]}"; do
  work=$build/fuzz/long/$name
  mkdir -p "$work"
  echo "== fuzz_$name for ${seconds}s"
  if ! "$root/fuzz/run-target.sh" "$build/fuzz/fuzz_$name" "$root/fuzz/corpus/$name" "$work" \
      "$seconds" >"$work.log" 2>&1; then
    failed+=("$name")
    echo "   FOUND something: see $work.log and $work/findings/"
  fi
  grep -E "^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units)" "$work.log" | tail -1 | sed 's/^/   /'
done

if [ ${#failed[@]} -eq 0 ]; then
  echo "== No findings"
else
  echo "== Findings in: ${failed[*]}"
  echo "   Reproduce one with: $build/fuzz/fuzz_<target> <file from findings/>"
fi
[ ${#failed[@]} -eq 0 ]
