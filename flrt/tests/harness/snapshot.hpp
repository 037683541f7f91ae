// Pictures of windows for people to look at: when FLTEST_SNAPSHOTS names a
// folder, snapshot() writes the window as it shows now into NAME.bmp there.
#ifndef FLRT_TEST_SNAPSHOT_HPP
#define FLRT_TEST_SNAPSHOT_HPP

#include <windows.h>

#include <string>

namespace fltest {

void snapshot(HWND window, const std::string &name);

} // namespace fltest

#endif
