// Expands the fuzzer's few bytes into a resource file or a property record of
// up to several megabytes: many children in some order of signs, inside a
// chain of compounds whose counts may claim far more children than follow.
// Such inputs are far beyond what the byte-level targets reach. A reader must
// answer within the fuzzer's time limit (slow orders of keys), hold memory in
// proportion to the input (reservations by claimed counts), and give sorted
// compounds in ascending sign order.
//
// The description: byte 0 the reader (even: resource file, odd: record),
// byte 1 the order of signs, bytes 2-3 the number of children / 8, byte 4 the
// nesting depth, byte 5 flags (1: wrappers claim every byte left as children,
// 2: children are strings, 4: cut the last bytes off), the rest seeds the
// order.
#include "fuzz_support.hpp"

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

namespace {

// Bytes the process holds through malloc and the most it held since the
// last reset, counted by the sanitizer's hooks.
std::atomic<int64_t> held{0};
std::atomic<int64_t> peak{0};

void on_malloc(const volatile void *, size_t size)
{
    int64_t now = held += int64_t(size);
    int64_t highest = peak;
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
}

void on_free(const volatile void *pointer)
{
    held -= int64_t(__sanitizer_get_allocated_size(const_cast<const void *>(pointer)));
}

struct Description {
    bool record;
    int order;
    int children;
    int depth;
    bool claim_everything;
    bool strings;
    bool cut;
    uint32_t seed;
};

Description describe(const uint8_t *data, size_t size)
{
    uint8_t b[10] = {};
    std::copy(data, data + std::min(size, sizeof b), b);
    Description d;
    d.record = (b[0] & 1) != 0;
    d.order = b[1] % 5;
    d.children = (b[2] | b[3] << 8) * 8 + 1;
    d.depth = b[4] % 64;
    d.claim_everything = (b[5] & 1) != 0;
    d.strings = (b[5] & 2) != 0;
    d.cut = (b[5] & 4) != 0;
    d.seed = uint32_t(b[6]) | uint32_t(b[7]) << 8 | uint32_t(b[8]) << 16 | uint32_t(b[9]) << 24;
    return d;
}

int32_t sign_at(const Description &d, int i, uint32_t &state)
{
    switch (d.order) {
    case 0: return i;
    case 1: return d.children - i;
    case 2: return 7;
    case 3: return i % 2 ? i : d.children - i; // both ends towards the middle
    default: state = state * 1664525u + 1013904223u; return int32_t(state >> 12) % (d.children / 4 + 1);
    }
}

class Writer {
public:
    void i32(int32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(uint32_t(value) >> (8 * i)));
    }
    void byte(int value) { bytes.push_back(uint8_t(value)); }
    void str(const std::string &text)
    {
        i32(int32_t(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
    }
    fuzz::Bytes bytes;
};

// The child list of the innermost compound (sorted), then each wrapper around
// it: a count, a compound's tag and sign, and the list inside.
fuzz::Bytes child_lists(const Description &d)
{
    Writer inner;
    inner.i32(d.children);
    uint32_t state = d.seed;
    for (int i = 0; i < d.children; ++i) {
        inner.byte(d.strings ? FLF_TAG_STRING : FLF_TAG_INTEGER);
        inner.i32(sign_at(d, i, state));
        if (d.strings)
            inner.str(std::to_string(i));
        else
            inner.i32(i);
    }
    fuzz::Bytes list = std::move(inner.bytes);
    for (int level = d.depth; level >= 1; --level) {
        Writer wrapper;
        wrapper.i32(d.claim_everything ? int32_t((list.size() + 5) / 6) : 1);
        wrapper.byte(level == 1 && !d.record ? FLF_TAG_SORTED : level % 2 ? FLF_TAG_ORDERED : FLF_TAG_SORTED);
        wrapper.i32(level == 1 && !d.record ? 10001 : level);
        wrapper.bytes.insert(wrapper.bytes.end(), list.begin(), list.end());
        list = std::move(wrapper.bytes);
    }
    return list;
}

fuzz::Bytes resource_file(const fuzz::Bytes &lists, int depth)
{
    Writer file;
    file.str("Formloom resource file\n");
    file.i32(int32_t(0xEFFE0004u));
    file.str("C:\\fuzz");
    file.i32(0);
    file.i32(10002);
    file.i32(1), file.i32(1), file.str("MAIN"), file.i32(1), file.i32(10001), file.str("m");
    if (depth == 0) // the children stand in the forms root
        file.bytes.insert(file.bytes.end(), lists.begin(), lists.end());
    else
        file.i32(1), file.bytes.insert(file.bytes.end(), lists.begin() + 4, lists.end());
    return file.bytes;
}

// Every sorted compound below item holds its children in ascending sign order.
void check_sorted(FLF_ITEM item)
{
    if (flf_get_item_tag(item) != FLF_TAG_ORDERED && flf_get_item_tag(item) != FLF_TAG_SORTED)
        return;
    int previous = 0;
    bool first = true;
    for (int p = flf_get_first_prop_position(item); p != 0; p = flf_get_next_prop_position(item, p)) {
        FLF_ITEM child = flf_item_by_position(item, p);
        if (flf_get_item_tag(item) == FLF_TAG_SORTED && !first && flf_get_item_sign(child) < previous)
            fuzz::fail("a sorted compound holds its children out of sign order");
        previous = flf_get_item_sign(child), first = false;
        check_sorted(child);
    }
}

void read_resource_file(const fuzz::Bytes &bytes)
{
    const std::string file = fuzz::scratch().file("large.flf");
    fuzz::write_file(file, bytes.data(), bytes.size());
    FLF_BASE base = flf_open_base(file.c_str());
    if (base) {
        check_sorted(flf_get_form_root(base));
        flf_close_base(base);
    }
}

void read_record(fuzz::Bytes &bytes)
{
    CMemoryFile stream(bytes.data(), int32_t(bytes.size()));
    try {
        FLF_ITEM item = flf_read_prop(&stream);
        check_sorted(item);
        flf_delete_property(item);
    } catch (file_exception *error) {
        delete error;
    } catch (mexception *error) {
        delete error;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Description description = describe(data, size);
    const fuzz::Bytes lists = child_lists(description);
    fuzz::Bytes input = description.record ? lists : resource_file(lists, description.depth);
    if (description.cut && size > 0)
        input.resize(input.size() - std::min<size_t>(input.size(), data[size - 1] % 64 + 1));

    const int64_t before = held;
    peak = before;
    if (description.record)
        read_record(input);
    else
        read_resource_file(input);
    // What a reader holds follows the data it read (a few dozen bytes per
    // child), never the counts a file claims.
    const int64_t bound = 32 * int64_t(input.size()) + (16 << 20);
    if (peak - before > bound)
        fuzz::fail("reading held far more memory than the input could fill");
    return 0;
}
