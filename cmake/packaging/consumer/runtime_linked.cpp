// Links the form runtime and its database from C++: the runtime answers a
// paint-message pump with no window open, and a database error crosses the
// DLL boundary as the exception the header describes.
#include <cstdio>

#include "cflrt.h"

int main()
{
    flrt_peek_messages();
    FLF_BASE base = flf_new_base("consumer", 0);
    try {
        flf_save_base(base); // a new base has no file name yet
    } catch (flf_system_error code) {
        std::printf("runtime_linked: ok (system error %lu)\n", static_cast<unsigned long>(code));
        flf_close_base(base);
        return 0;
    } catch (...) {
    }
    std::printf("runtime_linked: a save without a file name was not reported\n");
    return 1;
}
