// zotangram.exe: the Tangram puzzle. The run is the root object's make.
#include <windows.h>

#include "zotangram/zotangram.hpp"

namespace {

void run_zotangram()
{
    zo::Root<zotangram::ZOTANGRAM> root(zo::make<zotangram::ZOTANGRAM>());
    root->make();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return zo::run_windows_program(&run_zotangram);
}
