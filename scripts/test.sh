#!/usr/bin/env bash
# Sets up what is missing, builds Velmora and runs the whole test suite twice:
# a normal build, and a build under AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the test that caused it.
# Then builds the libFuzzer targets with clang and runs each for a short time
# on its committed corpus (fuzz/README.md). Prints ctest's summary of each
# stage; exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/setup-deps.sh" || exit 1

export QT_QPA_PLATFORM=offscreen
status=0

echo "== Build and test: $root/build"
if "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  ctest --test-dir "$root/build" --output-on-failure -j "$jobs" || status=1
else
  echo "build failed: $root/build"
  status=1
fi

echo "== Build and test under sanitizers: $root/build-sanitize"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if "$root/scripts/build.sh" "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON; then
  ctest --test-dir "$root/build-sanitize" --output-on-failure -j "$jobs" -LE nosanitize || status=1
else
  echo "build failed: $root/build-sanitize"
  status=1
fi

echo "== Build and run the fuzz targets: $root/build-fuzz"
if CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DVELMORA_FUZZ=ON \
     -DVELMORA_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
   cmake --build "$root/build-fuzz" --parallel "$jobs" --target fuzz_all; then
  ctest --test-dir "$root/build-fuzz" --output-on-failure -j "$jobs" || status=1
else
  echo "build failed: $root/build-fuzz"
  status=1
fi

if [ $status -eq 0 ]; then
  echo "== All tests passed"
else
  echo "== Some tests FAILED"
fi
exit $status
