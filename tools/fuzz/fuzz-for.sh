#!/bin/sh
# fuzz-for.sh BUILD_DIR SECONDS [TARGET...]: a long fuzz run of each target in
# turn (all of them when none is named), at the lowest priority, over a corpus
# kept in BUILD_DIR. Prints each target's executions, time and whether it crashed.
# RUNS=N in the environment ends a target early once it has made N executions,
# so a run on a busy machine still gets there. JOBS=N runs N processes of each
# target side by side over the same corpus (one per core), RUNS shared among them.
# Not part of the test command: a run meant to reach millions of executions.
set -u
build=$(cd "$1" && pwd) || exit 1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
seeds=$(cd "$here/../../tests/corpus" && pwd)
if [ $# -eq 0 ]; then set -- fuzz_riff_reader fuzz_codecs fuzz_acm_formats fuzz_av_reader; fi
status=0
for target in "$@"; do
  fuzzer=$build/tools/fuzz/$target
  work=$build/tools/fuzz/corpus_$target
  log=$build/tools/fuzz/$target.long.log
  jobs=${JOBS:-1}
  # With several processes libFuzzer writes each one's log as fuzz-N.log in the current folder.
  logs=$build/tools/fuzz/logs_$target
  artifacts=$build/tools/fuzz/artifacts_$target/
  mkdir -p "$work" "$artifacts" "$logs"
  rm -f "$logs"/fuzz-*.log
  start=$(date +%s)
  (cd "$logs" && QT_QPA_PLATFORM=offscreen nice -n 19 "$fuzzer" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    ${RUNS:+-runs=$(((RUNS + jobs - 1) / jobs))} $([ "$jobs" -gt 1 ] && echo "-jobs=$jobs -workers=$jobs") \
    -artifact_prefix="$artifacts" "$work" "$seeds/$target") >"$log" 2>&1
  rc=$?
  end=$(date +%s)
  # The main log repeats the processes' logs when there are several.
  execs=0
  if [ "$jobs" -gt 1 ]; then counted=$(ls "$logs"/fuzz-*.log 2>/dev/null); else counted=$log; fi
  for l in $counted; do
    [ -f "$l" ] || continue
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$l" | tail -n 1)
    execs=$((execs + ${n:-0}))
  done
  if [ "$rc" -eq 0 ]; then result="no crash"; else result="FAILED (exit $rc, see $log)"; status=1; fi
  printf '%s: %s executions in %s s, %s\n' "$target" "${execs:-?}" "$((end - start))" "$result"
done
exit $status
