#!/bin/sh
# Runs one fuzzer for a bounded time from the committed seeds; new inputs go
# to a work folder, so the seeds stay as committed. A crash, a leak or a hang
# (an input that takes over 5 s) fails the run. A dictionary, where the
# fuzzer has one, gives it the words of its input's language.
# Usage: run_fuzzer.sh FUZZER SEEDS WORK SECONDS [DICTIONARY]
set -e
[ -x "$1" ] || { echo "missing build output: $1 (cmake --build --preset fuzz)"; exit 0; }
mkdir -p "$3"
exec "$1" -max_total_time="$4" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 ${5:+"-dict=$5"} "$3" "$2"
