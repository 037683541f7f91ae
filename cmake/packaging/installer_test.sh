#!/bin/sh
# The installer as a user meets it, under Wine in a fresh prefix of its own:
# installed silently, the puzzle's end-to-end test run against the installed
# copy, uninstalled silently, and nothing of ours left behind (the prefix's
# registry and drive C compared with their state before the installation).
#
#   installer_test.sh BUILD_DIR INSTALLER [APP_TEST_FILTER]
#
# Installing twice tries the path of an update: the copy installed is taken
# out first.
set -eu
build=$(realpath "$1")
installer=$(realpath "$2")
filter=${3:-"Installed.*:Puzzle.PiecesAreDraggedAndTurnedAndTheRunEndsCleanly:Selection.ListsTheWorlds*"}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
wine_run="$source_dir/tools/wine-run"
prefix=$build/wineprefix-installer
work=$build/installer-test
folder="$prefix/drive_c/Program Files/Formloom"
windows_folder='C:\Program Files\Formloom'
link="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZOTangram puzzle.lnk"
# What is ours: the product's names, file kinds and the identifiers of the components.
ours='formloom|tangram|\.flf|\.fln|cflrt|flfileio|flftool|B53313|433100B6|DE773823|nsu.*\.tmp|Un_A'

# Shortcuts must not reach the Linux desktop's menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The Wine server of the tree's programs (the tree's file "wine-arch" says which).
if [ "$(cat "$build/wine-arch" 2>/dev/null)" = win64 ]; then
  wineserver=/usr/lib/wine/wineserver64
elif [ -x /usr/lib/wine/wineserver32 ]; then
  wineserver=/usr/lib/wine/wineserver32
else
  wineserver=wineserver
fi

step() { echo "== $*"; }
fail() { echo "installer test: $*" >&2; exit 1; }
# Ends the prefix's Wine session, which writes its registry to the files.
end_session() { WINEPREFIX="$prefix" "$wineserver" -k >/dev/null 2>&1 || true; sleep 1; }
run() { timeout --kill-after=10 600 "$wine_run" --prefix "$prefix" "$@"; }
snapshot() { end_session; python3 "$here/prefix_snapshot.py" take "$prefix" "$work/$1.json"; }

end_session
rm -rf "$prefix" "$work"
mkdir -p "$work"

step "a fresh Wine prefix"
run cmd /c exit 0 >/dev/null
snapshot before

step "installing silently: $(basename "$installer") /S"
run "$installer" /S || fail "the installer failed ($?)"
snapshot installed
[ -f "$folder/bin/zotangram.exe" ] || fail "no zotangram.exe in Program Files"
[ -f "$folder/bin/zotangram.flf" ] || fail "no zotangram.flf beside the program"
[ -f "$folder/Uninstall.exe" ] || fail "no uninstaller"
[ -f "$link" ] || fail "no Start-menu entry for the puzzle"
python3 "$here/prefix_snapshot.py" added "$work/before.json" "$work/installed.json" > "$work/installed.txt" || true
grep -qi 'CLSID\\\\{B53313C4-20C4-11D0-9C6C-00A0C90A632C}\\\\InprocServer32' "$work/installed.txt" ||
  fail "the model component is not registered"
grep -qi 'Uninstall\\\\Formloom' "$work/installed.txt" || fail "no uninstall entry"

step "installing again over the installed copy"
run "$installer" /S || fail "the second installation failed ($?)"
[ -f "$folder/bin/zotangram.exe" ] && [ -f "$folder/Uninstall.exe" ] || fail "the second installation is incomplete"

step "the puzzle's end-to-end test on the installed copy ($filter)"
ZOTANGRAM_INSTALLED=$windows_folder\\bin "$source_dir/zotangram/tests/app/run_app_tests.sh" "$prefix" \
  "$build/bin/zotangram_app_test.exe" --gtest_brief=1 "--gtest_filter=$filter" > "$work/app-test.txt" 2>&1 ||
  { cat "$work/app-test.txt"; fail "the end-to-end test failed on the installed copy"; }
cat "$work/app-test.txt"
# Every pattern of the filter names at least one test (a renamed test must not pass unseen).
patterns=$(echo "$filter" | tr ':' '\n' | grep -c .)
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from.*ran.*/\1/p' "$work/app-test.txt")
[ "${ran:-0}" -ge "$patterns" ] || fail "the end-to-end test ran ${ran:-no} tests for $patterns patterns"

step "uninstalling silently: Uninstall.exe /S"
run "$windows_folder\\Uninstall.exe" /S || fail "the uninstaller failed ($?)"
# The uninstaller runs on from a copy of itself in the temporary folder.
for _ in $(seq 300); do
  [ -d "$folder" ] || break
  sleep 1
done
[ ! -d "$folder" ] || fail "the installation folder is still there: $(find "$folder" | head -20)"
sleep 5
# The uninstaller's copy of itself goes at the next restart, as on Windows.
run wineboot --restart >/dev/null 2>&1 || true
snapshot uninstalled

step "what the installation and the test left behind"
if ! python3 "$here/prefix_snapshot.py" added "$work/before.json" "$work/uninstalled.json" --ours "$ours"; then
  fail "files or registry entries of ours are left (marked OURS above)"
fi
end_session
echo "installer test: passed"
