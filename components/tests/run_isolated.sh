#!/bin/sh
# Runs a Windows test program under Wine in the given prefix, in a Wine
# session of its own: the session (wineserver, RPC service, any server the
# tests left behind) is ended before and after the run.
#
#   run_isolated.sh PREFIX PROGRAM [ARGS...]
set -u
prefix=$(realpath -m "$1")
shift
tools=$(cd "$(dirname "$0")/../../tools" && pwd)

end_session() {
  "$tools/wine-run" --prefix "$prefix" --end-session
  return 0
}

end_session
# Bounded, so that the session is ended even when Wine hangs.
timeout --kill-after=10 600 "$tools/wine-run" --prefix "$prefix" "$@"
rc=$?
end_session
exit $rc
