#!/usr/bin/env bash
# Runs every fuzz target for a set time and prints, per target, the executions
# and the findings (crash, leak, timeout or out-of-memory inputs).
#   scripts/fuzz.sh <fuzz build folder> <seconds per target>
set -u
build=${1:?fuzz build folder}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
printf '%-22s %12s %10s %9s\n' target executions exec/s findings
for exe in "$build"/*_fuzz; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe" _fuzz)
  work="$build/runs/$name"
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/findings"
  [ -d "$root/tests/fuzz/corpus/$name" ] && cp "$root/tests/fuzz/corpus/$name"/* "$work/corpus/" 2>/dev/null
  "$exe" "$work/corpus" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/findings/" -print_final_stats=1 >"$work/log" 2>&1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -1)
  findings=$(find "$work/findings" -type f | wc -l)
  printf '%-22s %12s %10s %9s\n' "$name" "${runs:-?}" "${speed:-?}" "$findings"
  if [ "$findings" -gt 0 ] || [ -z "$runs" ]; then
    status=1
    tail -30 "$work/log"
  fi
done
exit $status
