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
  # Under Wine on an emulated CPU (tools/setup.sh says when) a GUI or COM test
  # program now and then crashes or hangs for reasons of the emulator: there a
  # failed test gets two more runs. Elsewhere every test runs once.
  # Tests labelled unreliable_under_emulation (out-of-process COM, whose RPC
  # threads Wine cannot run reliably on the emulated CPU) are left out there.
  repeat=""
  if [ "$preset" = win32 ] && dpkg-divert --list /usr/lib/wine/wine 2>/dev/null | grep -q .; then
    repeat="--repeat until-pass:3 -LE unreliable_under_emulation"
    echo "check: Wine runs on an emulated CPU here: local COM server tests are left out"
  fi
  if ! ctest --preset "$preset" $repeat; then
    failed="$failed $preset"
  fi
done

if [ -n "$failed" ]; then
  echo "check: tests failed in:$failed"
  exit 1
fi
echo "check: all tests passed ($presets)"
