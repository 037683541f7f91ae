// Pictures of forms for people to look at. When FLTEST_SNAPSHOTS names a
// folder (a Windows path), snapshot() asks for a picture of the screen as it
// shows now: it writes NAME.request there and keeps the form's messages
// going until NAME.png appears (at most ten seconds). tools/test-shots runs a
// test program so that every request is answered with `import -window root`.
#ifndef FLRT_TEST_SNAPSHOT_HPP
#define FLRT_TEST_SNAPSHOT_HPP

#include <windows.h>

#include <string>

namespace fltest {

void snapshot(HWND window, const std::string &name);

} // namespace fltest

#endif
