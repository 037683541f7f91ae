#!/bin/sh
# Builds everything and runs every test: natively (optimised and with
# sanitizers), the fuzz smoke run, and the 32-bit Windows build under Wine.
#
#   tools/check.sh [PRESET...]     (default: native sanitize fuzz win32)
set -eu
cd "$(dirname "$0")/.."

tools/setup.sh

presets=${*:-"native sanitize fuzz win32"}
jobs=${FL_JOBS:-2}
failed=""
for preset in $presets; do
  echo "==== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$jobs"
  echo "==== $preset: test"
  if ! ctest --preset "$preset"; then
    failed="$failed $preset"
  fi
done

if [ -n "$failed" ]; then
  echo "check: tests failed in:$failed"
  exit 1
fi
echo "check: all tests passed ($presets)"
