#!/bin/sh
# Runs each fuzz target for a bounded time on its seed corpus and fails when
# any target finds a crash, a leak, a hang or a broken check.
#
#   fuzz_smoke.sh BIN_DIR SEED_DIR WORK_DIR TARGET...
#
# SEED_DIR/TARGET holds the seeds of TARGET. WORK_DIR/TARGET receives the
# grown corpus, the log and any finding (crash-*, leak-*, timeout-*, oom-*,
# slow-unit-*), and is kept for inspection. Settings from the environment:
#   FLF_FUZZ_SECONDS  time per target (20)
#   FLF_FUZZ_MAX_LEN  largest input in bytes (4096)
#   FLF_FUZZ_TIMEOUT  seconds one input may take (10)
#   FLF_FUZZ_KEEP     1: go on from the corpus grown by earlier runs (else fresh)
set -eu

[ $# -ge 4 ] || { echo "usage: fuzz_smoke.sh BIN_DIR SEED_DIR WORK_DIR TARGET..." >&2; exit 2; }
bin=$1 seeds=$2 work=$3
shift 3
seconds=${FLF_FUZZ_SECONDS:-20}
max_len=${FLF_FUZZ_MAX_LEN:-4096}
timeout=${FLF_FUZZ_TIMEOUT:-10}
keep=${FLF_FUZZ_KEEP:-0}

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
  [ "$keep" = 1 ] || rm -rf "$dir"
  rm -f "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/slow-unit-*
  mkdir -p "$dir/corpus"
  cp "$seeds/$target"/* "$dir/corpus/"
  if "$bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout="$timeout" -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
    cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -n 1)
    echo "$target: passed, ${runs:-?} runs in ${seconds} s, ${cov:-cov: ?}, corpus $(ls "$dir/corpus" | wc -l) files"
  else
    failed=1
    echo "$target: FAILED; log in $dir/log"
    grep -v '^#[0-9]' "$dir/log" | tail -n 60
    for finding in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/slow-unit-*; do
      [ -e "$finding" ] && echo "$target: reproduce with: $bin/$target $finding"
    done
  fi
done
exit $failed
