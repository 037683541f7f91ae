#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdlib.h>

namespace fuzz {
namespace {

std::filesystem::path scratch_parent()
{
    if (const char *chosen = std::getenv("FLF_FUZZ_TMP"))
        return chosen;
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error))
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File open_file(const std::string &name, const char *mode)
{
    File file(std::fopen(name.c_str(), mode));
    if (!file)
        fail("cannot open a scratch file");
    return file;
}

bool equal_neighbours(const char *left, const char *right)
{
    return left && right && std::strcmp(left, right) == 0;
}

bool check_class(FLF_BASE base, FLF_CLASS cls)
{
    const char *name = flf_class_item_name(cls);
    bool duplicates = false;
    int previous_id = 0;
    for (int pos = flf_get_first_class_form(cls); pos != 0; pos = flf_get_next_class_form(cls, pos)) {
        int id = flf_get_class_forms_sign(cls, pos);
        if (id != flf_class_form_item_id(flf_class_form_item(cls, pos)))
            fail("the id at a position differs from the id of the entry there");
        if (pos > 1 && id < previous_id)
            fail("form entries are out of id order");
        duplicates |= pos > 1 && id == previous_id;
        previous_id = id;
        if (FLF_ITEM form = flf_get_form(base, name, id))
            check_tree(form);
    }
    return duplicates;
}

} // namespace

const ScratchDir &scratch()
{
    static const ScratchDir dir("flf-fuzz-", scratch_parent());
    return dir;
}

void write_file(const std::string &name, const uint8_t *data, size_t size)
{
    File file = open_file(name, "wb");
    if (size != 0 && std::fwrite(data, 1, size, file.get()) != size)
        fail("cannot write a scratch file");
}

Bytes read_file(const std::string &name)
{
    File file = open_file(name, "rb");
    Bytes bytes;
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) != 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return bytes;
}

void fail(const char *what)
{
    std::fprintf(stderr, "flfileio fuzz check failed: %s\n", what);
    std::abort();
}

bool check_tree(FLF_ITEM item)
{
    int tag = flf_get_item_tag(item);
    if (tag != FLF_TAG_ORDERED && tag != FLF_TAG_SORTED) {
        if (tag == FLF_TAG_STRING)
            flf_get_prop_str(item);
        else if (!flf_get_simple_item_value(item))
            fail("a value item has no text");
        return false;
    }
    bool duplicates = false;
    int previous_sign = 0;
    for (int pos = flf_get_first_prop_position(item); pos != 0; pos = flf_get_next_prop_position(item, pos)) {
        FLF_ITEM child = flf_item_by_position(item, pos);
        if (flf_get_parent_prop(child) != item)
            fail("a child does not name its compound as parent");
        if (flf_find_item_position(item, child) != pos)
            fail("a child is not found at its own position");
        int sign = flf_get_item_sign(child);
        if (tag == FLF_TAG_SORTED && pos > 1) {
            if (sign < previous_sign)
                fail("a sorted compound is out of sign order");
            duplicates |= sign == previous_sign;
        }
        previous_sign = sign;
        duplicates |= check_tree(child);
    }
    return duplicates;
}

bool check_base(FLF_BASE base)
{
    bool duplicates = false;
    const char *previous_name = nullptr;
    for (int pos = flf_get_first_class(base); pos != 0; pos = flf_get_next_class(base, pos)) {
        FLF_CLASS cls = flf_class_item(base, pos);
        const char *name = flf_class_item_name(cls);
        duplicates |= equal_neighbours(previous_name, name);
        duplicates |= check_class(base, cls);
        previous_name = name;
    }
    return check_tree(flf_get_form_root(base)) || duplicates;
}

} // namespace fuzz
