// Opens a name file made of the fuzzer's bytes. Stream errors are the
// expected answer to a malformed file; a file that opens must give both
// constant files and walk by position in ascending name order.
#include "fuzz_support.hpp"

#include <cstring>

namespace {

FLF_NAMES open_names(const std::string &file_name)
{
    try {
        return flf_open_name_base(file_name.c_str());
    } catch (file_exception *error) {
        delete error;
    } catch (flf_system_error) {
    }
    return nullptr;
}

void check_order(FLF_NAMES names)
{
    const char *previous = nullptr;
    for (int pos = flf_name_server_get_first(names); pos != 0; pos = flf_name_server_get_next(names, pos)) {
        const char *name = flf_name_server_item_name(names, pos);
        if (!name)
            fuzz::fail("a name position has no name");
        if (previous && std::strcmp(previous, name) > 0)
            fuzz::fail("names are out of order");
        flf_name_server_item_sign(names, pos);
        previous = name;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::ScratchDir &dir = fuzz::scratch();
    const std::string input = dir.file("input.nam");
    fuzz::write_file(input, data, size);

    FLF_NAMES names = open_names(input);
    if (!names)
        return 0;
    check_order(names);
    flf_gen_c_const_file(names, dir.file("constants.h").c_str());
    flf_gen_qev_const_file(names, dir.file("constants.e").c_str());
    return 0;
}
