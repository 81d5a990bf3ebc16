#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a work copy of its corpus:
#   run-target.sh [--fresh] TARGET CORPUS WORK SECONDS
# The committed corpus CORPUS is only read: the target runs on WORK/corpus,
# where new inputs go; --fresh starts that copy anew (the test suite does),
# otherwise what earlier runs found is kept. Crash, timeout and leak inputs
# land in WORK/findings/. Exits non-zero on any finding.
set -euo pipefail
fresh=0
if [ "${1:-}" = "--fresh" ]; then
  fresh=1
  shift
fi
if [ $# -ne 4 ]; then
  echo "usage: $0 [--fresh] TARGET CORPUS WORK SECONDS" >&2
  exit 2
fi
target=$1
corpus=$2
work=$3
seconds=$4

[ $fresh -eq 1 ] && rm -rf "$work/corpus"
mkdir -p "$work/corpus" "$work/findings"
cp -n "$corpus"/* "$work/corpus/" 2>/dev/null || true

echo "$(basename "$target"): ${seconds}s on $work/corpus; findings go to $work/findings/"
exec "$target" "$work/corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
  -artifact_prefix="$work/findings/" -print_final_stats=1
