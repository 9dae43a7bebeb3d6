#!/usr/bin/env bash
# Runs one libFuzzer target briefly and keeps the log short: on success one
# line, on failure the end of the report and the failing input (base64), so a
# CI log that is cut in the middle still shows what broke and how to replay it.
# usage: run-fuzzer.sh FUZZER SECONDS CORPUS [SEED_DIR...]
# QSR_FUZZ_SEED picks the random seed (default 1); QSR_FUZZ_KEEP names a
# folder that failing inputs are copied to.
set -uo pipefail
fuzzer=$1 seconds=$2 corpus=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus"
# A fixed seed makes a run repeatable: the same build explores the same inputs.
ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -seed="${QSR_FUZZ_SEED:-1}" -max_total_time="$seconds" \
  -rss_limit_mb=2048 -artifact_prefix="$work/" -print_final_stats=1 "$corpus" "$@" \
  >"$work/log" 2>&1
status=$?
if [ $status -eq 0 ]; then
  grep -E '^stat::number_of_executed_units|^Done' "$work/log" | tr '\n' ' '
  echo
  exit 0
fi
grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$work/log" | tail -80
for artifact in "$work"/crash-* "$work"/leak-* "$work"/oom-* "$work"/timeout-*; do
  [ -e "$artifact" ] || continue
  # A long campaign keeps it where every later run replays it.
  if [ -n "${QSR_FUZZ_KEEP:-}" ]; then
    mkdir -p "$QSR_FUZZ_KEEP" && cp "$artifact" "$QSR_FUZZ_KEEP/" &&
      echo "kept as $QSR_FUZZ_KEEP/$(basename "$artifact")"
  fi
  echo "failing input $(basename "$artifact") ($(stat -c %s "$artifact") bytes), base64:"
  base64 -w 100 "$artifact" | head -200
done
exit $status
