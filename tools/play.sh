#!/bin/sh
# The main job: the Tangram puzzle.
#
# Sets everything up, builds the Windows program and the Tangram components
# in the build that runs natively on this machine (64 bits on x86-64 Linux,
# where wine64 runs them without emulation; 32 bits elsewhere; FL_PLAY_PRESET
# picks one), registers the components in the Wine prefix
# build/PRESET/wineprefix-play and starts the puzzle on your display. Without
# a display (DISPLAY unset) it plays a short scripted game instead on a
# virtual X server (choose a world, drag and turn pieces, resize and close
# the window; then solve the Swan with the mouse) and writes screenshots of
# each step into build/PRESET/play-shots.
set -eu
cd "$(dirname "$0")/.."

if [ "$(uname -m)" = x86_64 ]; then
  preset=${FL_PLAY_PRESET:-win64}
else
  preset=${FL_PLAY_PRESET:-win32}
fi
jobs=${FL_JOBS:-2}
prefix=build/$preset/wineprefix-play
shots=build/$preset/play-shots

tools/setup.sh >/dev/null
cmake --preset "$preset" >/dev/null
echo "== building the puzzle and the Tangram components ($preset)"
cmake --build "build/$preset" -j "$jobs" --target zotangram fl_forms tangram_model tangram_worlds tangram_proxy \
  tangram_model_server zotangram_app_test zotangram_recording_world >/dev/null

bin=build/$preset/bin
echo "== registering the components in $prefix"
for dll in tangram_model.dll tangram_worlds.dll tangram_proxy.dll; do
  timeout 300 tools/wine-run --prefix "$prefix" regsvr32 /s "$bin/$dll" >/dev/null 2>&1 ||
    echo "play: registering $dll failed" >&2
done
timeout 300 tools/wine-run --prefix "$prefix" "$bin/tangram_model_server.exe" /RegServer >/dev/null 2>&1 ||
  echo "play: registering the model server failed" >&2

if [ -n "${DISPLAY:-}" ]; then
  echo "== starting the puzzle on $DISPLAY (close its window to end)"
  exec tools/wine-run --prefix "$prefix" "$bin/zotangram.exe"
fi

# The scripted game plays on a recording test world of its own, registered in
# a prefix of its own, so that the player's list shows only the real worlds.
echo "== no display: playing a scripted game on a virtual X server"
rm -rf "$shots"
mkdir -p "$shots"
folder=$(cd "$shots" && pwd)
ZOTANGRAM_SHOTS="Z:$(echo "$folder" | tr / '\\\\')" \
  zotangram/tests/app/run_app_tests.sh "$prefix-game" "$bin/zotangram_app_test.exe" \
  --gtest_filter='Puzzle.PiecesAreDraggedAndTurnedAndTheRunEndsCleanly:Figures/FigureGame.*/Swan' --gtest_brief=1
for picture in "$shots"/*.bmp; do
  convert "$picture" "${picture%.bmp}.png" && rm "$picture"
done
echo "== screenshots of the game in $shots:"
ls "$shots"
