#!/bin/sh
# Fuzzes one target for a bounded time and prints a one-line summary.
#   run.sh BINARY SEED_DIR WORK_DIR SECONDS [SEED]
# New inputs go to WORK_DIR/corpus, never into the committed seeds. On a
# failure the end of the log is shown and the status is 1. Without SEED the
# search goes on from earlier runs; with SEED it starts afresh and replays
# exactly (fuzz/README.md says why).
set -u
binary=$1
seeds=$2
work=$3
seconds=$4
seed=${5-}
name=$(basename "$binary")
log=$work/log.txt

seed_option=
fixed_addresses=
if [ -n "$seed" ]; then
    rm -rf "$work/corpus"
    seed_option=-seed=$seed
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        fixed_addresses="setarch $(uname -m) -R"
    else
        echo "$name: cannot turn address randomization off; this run may not replay exactly"
    fi
fi
mkdir -p "$work/corpus"
# shellcheck disable=SC2086 # each is a few words or none
$fixed_addresses "$binary" $seed_option -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$seeds" \
    >"$log" 2>&1
status=$?
used=$(sed -n 's/^INFO: Seed: *//p' "$log" | head -n 1)
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "$name: FAILED (status $status, seed ${used:-unknown}); log in $log"
    if [ -n "$seed" ]; then
        echo "$name: replay this run: sh $0 $binary $seeds $work $seconds $seed"
    fi
    exit 1
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
echo "$name: $runs runs in ${seconds} s, seed $used, $coverage"
