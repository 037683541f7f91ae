// Links the form runtime and its database from C++: on Windows the runtime
// answers a paint-message pump with no window open (the Linux runtime is the
// windowless JNI library: its table entry is linked), and a database error
// crosses the library boundary as the exception the header describes.
#include <cstdio>

#include "cflrt.h"

int main()
{
#ifdef _WIN32
    flrt_peek_messages();
#else
    void (*volatile install_table)(JNIEnv *) = &set_ni_table;
    if (!install_table)
        return 1;
#endif
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
