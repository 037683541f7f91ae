#!/bin/sh
# Runs the program's tests under Wine in a prefix of their own (the tests
# register components there) and on an X display of their own, so that
# screenshots show only the program's windows.
#
#   run_app_tests.sh PREFIX PROGRAM [ARGS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
n=120
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  xdpyinfo -display ":$n" >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=":$n" "$here/../../../components/tests/run_isolated.sh" "$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $rc
