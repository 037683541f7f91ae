// Opens a resource file made of the fuzzer's bytes. A file that opens must
// survive the walk over its index and tree, save, open again, and save again
// to the same bytes.
#include "fuzz_support.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct BaseCloser {
    void operator()(flf_base_ *base) const { flf_close_base(base); }
};
using Base = std::unique_ptr<flf_base_, BaseCloser>;

struct Saved {
    fuzz::Bytes bytes;
    bool duplicate_keys;
};

// Saves the base to file_name and reads the bytes back.
Saved save(FLF_BASE base, const std::string &file_name)
{
    bool duplicates = fuzz::check_base(base);
    flf_saveas_base(base, file_name.c_str());
    return Saved{fuzz::read_file(file_name), duplicates};
}

Saved reopen_and_save(const std::string &from, const std::string &to)
{
    Base base(flf_open_base(from.c_str()));
    if (!base)
        fuzz::fail("a file the library saved does not open");
    return save(base.get(), to);
}

// Reads a little-endian length at offset and answers the offset after that
// string, or size when the string runs past the end.
size_t skip_string(const fuzz::Bytes &bytes, size_t offset)
{
    int32_t length = 0;
    if (offset + 4 > bytes.size())
        return bytes.size();
    std::memcpy(&length, bytes.data() + offset, 4);
    size_t end = offset + 4 + (length > 0 ? size_t(length) : 0);
    return end < bytes.size() ? end : bytes.size();
}

// The project string of a file (format 1 and later): the text up to its
// first zero byte, as the library reads it.
std::string project_string(const fuzz::Bytes &bytes)
{
    size_t at = skip_string(bytes, 0) + 4;
    int32_t length = 0;
    if (at + 4 > bytes.size())
        return "";
    std::memcpy(&length, bytes.data() + at, 4);
    size_t begin = at + 4, end = std::min(bytes.size(), begin + (length > 0 ? size_t(length) : 0));
    std::string text(bytes.begin() + begin, bytes.begin() + end);
    return text.substr(0, text.find('\0'));
}

int32_t format_version(const fuzz::Bytes &bytes)
{
    size_t at = skip_string(bytes, 0);
    int32_t word = 0;
    if (at + 4 <= bytes.size())
        std::memcpy(&word, bytes.data() + at, 4);
    return word & 0xFFFF;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::ScratchDir &dir = fuzz::scratch();
    const std::string input = dir.file("input.flf"), first = dir.file("first.flf"), second = dir.file("second.flf"),
                      third = dir.file("third.flf");
    fuzz::write_file(input, data, size);

    Base base(flf_open_base(input.c_str()));
    if (!base)
        return 0;
    const Saved saved = save(base.get(), first);
    base.reset();

    // Saved in the folder it was read from, the project name keeps its text.
    const fuzz::Bytes original(data, data + size);
    if (format_version(original) > 0 && project_string(original) != project_string(saved.bytes))
        fuzz::fail("a save into the same folder changed the stored project name");

    const Saved again = reopen_and_save(first, second);
    if (saved.bytes == again.bytes)
        return 0;
    if (!again.duplicate_keys)
        fuzz::fail("saving a reopened base changed its bytes");
    // Children, classes or entries with equal keys come back in reverse order
    // from every read, so a second round trip restores the first file.
    if (reopen_and_save(second, third).bytes != saved.bytes)
        fuzz::fail("two round trips of a base with equal keys changed its bytes");
    return 0;
}
