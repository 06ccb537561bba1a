#!/bin/sh
# run-fuzzer.sh FUZZER WORKDIR SEEDDIR SECONDS: a short fuzz run over the kept corpus.
set -e
fuzzer=$1 work=$2 seeds=$3 seconds=$4
mkdir -p "$work"
if [ -d "$seeds" ]; then
  exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" "$seeds"
fi
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work"
