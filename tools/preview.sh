#!/bin/sh
# Runs the form preview program (flpreview.exe) under Wine: the one place
# that chooses the Windows build tree and the Wine it runs with.
#
#   tools/preview.sh FILE.flf CLASS ID [OUT.png]
#
# With OUT.png it writes a picture of the form's window and prints its caption
# and sizes; without, the form stays on the display until it is closed.
# FL_PREVIEW_TREE names another build tree.
set -eu
[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "usage: preview.sh FILE.flf CLASS ID [OUT.png]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)

# The 32-bit build runs under the 32-bit Wine; a 64-bit tree goes first here
# once tools/wine-run runs it.
tree=${FL_PREVIEW_TREE:-}
if [ -z "$tree" ]; then
  for candidate in "$root/build/win32"; do
    if [ -f "$candidate/bin/flpreview.exe" ]; then tree=$candidate; break; fi
  done
fi
if [ -z "$tree" ] || [ ! -f "$tree/bin/flpreview.exe" ]; then
  echo "preview: no flpreview.exe; build it: cmake --preset win32 && cmake --build build/win32 --target flpreview" >&2
  exit 1
fi

windows_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
file=$(windows_path "$1")
if [ $# -eq 4 ]; then
  exec "$root/tools/wine-run" --prefix "$tree/wineprefix" "$tree/bin/flpreview.exe" "$file" "$2" "$3" \
    "$(windows_path "$4")"
fi
exec "$root/tools/wine-run" --prefix "$tree/wineprefix" "$tree/bin/flpreview.exe" "$file" "$2" "$3"
