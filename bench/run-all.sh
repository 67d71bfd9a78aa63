#!/usr/bin/env bash
# Runs every benchmark program built into the folder given, in name order.
set -u
dir=$1
status=0
for program in "$dir"/bench_*; do
    [ -x "$program" ] && [ -f "$program" ] || continue
    echo "=== $(basename "$program")"
    "$program" || status=1
done
exit $status
