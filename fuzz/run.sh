#!/bin/sh
# Fuzzes one target for a bounded time and prints a one-line summary.
#   run.sh BINARY SEED_DIR WORK_DIR SECONDS
# New inputs go to WORK_DIR/corpus, never into the committed seeds. On a
# failure the end of the log (libFuzzer's report, the input's file name in
# WORK_DIR) is shown and the status is 1.
set -u
binary=$1
seeds=$2
work=$3
seconds=$4
name=$(basename "$binary")
log=$work/log.txt

mkdir -p "$work/corpus"
"$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$seeds" >"$log" 2>&1
status=$?
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "$name: FAILED (status $status); log in $log"
    exit 1
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
echo "$name: $runs runs in ${seconds} s, $coverage"
