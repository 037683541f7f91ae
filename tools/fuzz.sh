#!/bin/sh
# Fuzzes every reader for longer than the test command does: each fuzz target
# runs for MINUTES minutes (default 10) with inputs up to 1 MB (and
# fuzz_large_inputs with files of several megabytes it generates), going on
# from the corpus earlier runs grew. Run it before a release and after changing a
# reader (the resource file, name file, property record or form source).
#
#   tools/fuzz.sh [MINUTES]
#
# The grown corpora, logs and findings stay in build/fuzz/long-run (outside
# the repository); every finding is printed with the command that reproduces
# it. FLF_FUZZ_MAX_LEN and FLF_FUZZ_TIMEOUT change the input size and the
# time one input may take. Exits non-zero when anything was found.
set -eu
cd "$(dirname "$0")/.."

minutes=${1:-10}
case $minutes in '' | *[!0-9]*) echo "usage: tools/fuzz.sh [MINUTES]" >&2; exit 2 ;; esac

targets="fuzz_open_base fuzz_name_base fuzz_read_prop fuzz_large_inputs"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j "${FL_JOBS:-2}" --target $targets fuzz_form_source

export FLF_FUZZ_SECONDS=$((minutes * 60)) FLF_FUZZ_KEEP=1
export FLF_FUZZ_MAX_LEN=${FLF_FUZZ_MAX_LEN:-1048576} FLF_FUZZ_TIMEOUT=${FLF_FUZZ_TIMEOUT:-30}
work=build/fuzz/long-run
status=0
sh flfileio/fuzz/fuzz_smoke.sh build/fuzz/bin flfileio/fuzz/corpus $work $targets || status=1
sh flfileio/fuzz/fuzz_smoke.sh build/fuzz/bin tools/flftool/fuzz/corpus $work fuzz_form_source || status=1
[ $status = 0 ] && echo "fuzz: nothing found in $minutes minutes per target" || echo "fuzz: findings above"
exit $status
