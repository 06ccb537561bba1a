#!/bin/sh
# fuzz-for.sh BUILD_DIR SECONDS [TARGET...]: a long fuzz run of each target in
# turn (all of them when none is named), at the lowest priority, over a corpus
# kept in BUILD_DIR. Prints each target's executions, time and whether it crashed.
# RUNS=N in the environment ends a target early once it has made N executions,
# so a run on a busy machine still gets there.
# Not part of the test command: a run meant to reach millions of executions.
set -u
build=$1 seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
seeds=$here/../../tests/corpus
if [ $# -eq 0 ]; then set -- fuzz_riff_reader fuzz_codecs fuzz_acm_formats fuzz_av_reader; fi
status=0
for target in "$@"; do
  fuzzer=$build/tools/fuzz/$target
  work=$build/tools/fuzz/corpus_$target
  log=$build/tools/fuzz/$target.long.log
  mkdir -p "$work" "$build/tools/fuzz/artifacts_$target"
  start=$(date +%s)
  QT_QPA_PLATFORM=offscreen nice -n 19 "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 ${RUNS:+-runs="$RUNS"} -artifact_prefix="$build/tools/fuzz/artifacts_$target/" "$work" "$seeds/$target" >"$log" 2>&1
  rc=$?
  end=$(date +%s)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$rc" -eq 0 ]; then result="no crash"; else result="FAILED (exit $rc, see $log)"; status=1; fi
  printf '%s: %s executions in %s s, %s\n' "$target" "${execs:-?}" "$((end - start))" "$result"
done
exit $status
