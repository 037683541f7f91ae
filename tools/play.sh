#!/bin/sh
# The main job. Until the puzzle is playable this demonstrates the form
# resource database: it compiles the example form source into a resource
# file, reads that file back as text, and shows it with the Windows build of
# the tool under Wine.
set -eu
cd "$(dirname "$0")/.."

tools/setup.sh >/dev/null
cmake --preset native >/dev/null
cmake --build build/native -j "${FL_JOBS:-2}" --target flftool fl_forms >/dev/null

tool=build/native/bin/flftool
names=build/native/forms/vocabulary.fln
out=build/native/demo
mkdir -p "$out"

echo "== compiling forms/example.fls into $out/example.flf"
"$tool" build forms/example.fls -o "$out/example.flf" --names "$names"
ls -l "$out/example.flf"

echo "== reading it back as a form source"
"$tool" dump "$out/example.flf" --names "$names"

echo "== the same file read by the 32-bit Windows tool under Wine"
cmake --preset win32 >/dev/null
cmake --build build/win32 -j "${FL_JOBS:-2}" --target flftool fl_vocabulary >/dev/null
tools/wine-run build/win32/bin/flftool.exe dump "$out/example.flf" --names build/win32/forms/vocabulary.fln | head -12
