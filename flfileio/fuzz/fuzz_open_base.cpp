// Opens a resource file made of the fuzzer's bytes. A file that opens must
// survive the walk over its index and tree, save, open again, and save again
// to the same bytes.
#include "fuzz_support.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {

struct BaseCloser {
    void operator()(flf_base_ *base) const { flf_close_base(base); }
};
using Base = std::unique_ptr<flf_base_, BaseCloser>;

struct Saved {
    fuzz::Bytes bytes;
    int project_type;
    bool duplicate_keys;
};

bool resolves_project_name(int project_type)
{
    return project_type != FLF_PROJECT_ABSOLUTE && project_type != FLF_PROJECT_RELATIVE;
}

// A project name of a type other than absolute and relative is stored
// verbatim but resolved against the file's folder on opening, so it grows by
// that folder on every round trip until it no longer fits a string record,
// and then saving refuses it (kind 4). That known growth is the only save
// failure accepted here.
bool refused_grown_project_name(FLF_BASE base, const file_exception &error)
{
    return error.kind() == file_exception::StringTooLong && resolves_project_name(flf_get_project_type(base)) &&
           std::strlen(flf_get_project_name(base)) > FLF_MAX_STRING;
}

// Saves the base to file_name and reads the bytes back; none when the base
// cannot be saved for the known reason above.
std::optional<Saved> save(FLF_BASE base, const std::string &file_name)
{
    bool duplicates = fuzz::check_base(base);
    try {
        flf_saveas_base(base, file_name.c_str());
    } catch (file_exception *error) {
        if (!refused_grown_project_name(base, *error))
            throw;
        delete error;
        return std::nullopt;
    }
    return Saved{fuzz::read_file(file_name), flf_get_project_type(base), duplicates};
}

std::optional<Saved> reopen_and_save(const std::string &from, const std::string &to)
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

// Of a saved file, the offset where the part that a round trip must keep
// starts: after the project name when that name grows on every round trip
// (see above), else the whole file.
size_t stable_part(const Saved &saved)
{
    if (!resolves_project_name(saved.project_type))
        return 0;
    size_t after_header = skip_string(saved.bytes, 0);
    return skip_string(saved.bytes, after_header + 4);
}

bool same_file(const Saved &left, const Saved &right)
{
    size_t from_left = stable_part(left), from_right = stable_part(right);
    return left.bytes.size() - from_left == right.bytes.size() - from_right &&
           std::equal(left.bytes.begin() + from_left, left.bytes.end(), right.bytes.begin() + from_right);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::ScratchDir &dir = fuzz::scratch();
    const std::string input = dir.file("input.flf"), first = dir.file("first.flf"),
                      second = dir.file("second.flf"), third = dir.file("third.flf");
    fuzz::write_file(input, data, size);

    Base base(flf_open_base(input.c_str()));
    if (!base)
        return 0;
    std::optional<Saved> saved = save(base.get(), first);
    base.reset();
    if (!saved)
        return 0;

    std::optional<Saved> again = reopen_and_save(first, second);
    if (!again || same_file(*saved, *again))
        return 0;
    if (!again->duplicate_keys)
        fuzz::fail("saving a reopened base changed its bytes");
    // Children, classes or entries with equal keys come back in reverse order
    // from every read, so a second round trip restores the first file.
    std::optional<Saved> third_save = reopen_and_save(second, third);
    if (third_save && !same_file(*saved, *third_save))
        fuzz::fail("two round trips of a base with equal keys changed its bytes");
    return 0;
}
