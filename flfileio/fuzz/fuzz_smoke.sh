#!/bin/sh
# Runs each fuzz target for a bounded time on a fresh copy of its seed corpus
# and fails when any target finds a crash, a leak, a hang or a broken check.
#
#   fuzz_smoke.sh BIN_DIR SEED_DIR WORK_DIR TARGET...
#
# SEED_DIR/TARGET holds the seeds of TARGET. WORK_DIR/TARGET receives the
# grown corpus, the log and any crash input (crash-*, leak-*, timeout-*), and
# is kept for inspection. FLF_FUZZ_SECONDS sets the time per target (20).
set -eu

[ $# -ge 4 ] || { echo "usage: fuzz_smoke.sh BIN_DIR SEED_DIR WORK_DIR TARGET..." >&2; exit 2; }
bin=$1 seeds=$2 work=$3
shift 3
seconds=${FLF_FUZZ_SECONDS:-20}

rm -rf "$work"
mkdir -p "$work"
# The targets write their scratch files in memory where the system offers it.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  FLF_FUZZ_TMP=$(mktemp -d /dev/shm/flf-fuzz-smoke.XXXXXX)
else
  FLF_FUZZ_TMP=$(mktemp -d "$work/scratch.XXXXXX")
fi
export FLF_FUZZ_TMP
trap 'rm -rf "$FLF_FUZZ_TMP"' EXIT INT TERM

failed=0
for target in "$@"; do
  dir=$work/$target
  mkdir -p "$dir/corpus"
  cp "$seeds/$target"/* "$dir/corpus/"
  if "$bin/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
    cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -n 1)
    echo "$target: passed, ${runs:-?} runs in ${seconds} s, ${cov:-cov: ?}, corpus $(ls "$dir/corpus" | wc -l) files"
  else
    failed=1
    echo "$target: FAILED; log and input in $dir"
    grep -v '^#[0-9]' "$dir/log" | tail -n 60
  fi
done
exit $failed
