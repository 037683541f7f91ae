// Reads a single-property record made of the fuzzer's bytes from a fixed
// memory stream. A record that reads must survive the tree walk, and writing
// it, reading the written bytes and writing again must give the same bytes.
#include "fuzz_support.hpp"

#include <memory>

namespace {

struct ItemDeleter {
    void operator()(flf_item_ *item) const { flf_delete_property(item); }
};
using Item = std::unique_ptr<flf_item_, ItemDeleter>;

Item read_record(const uint8_t *data, size_t size)
{
    CMemoryFile stream(const_cast<uint8_t *>(data), int32_t(size));
    return Item(flf_read_prop(&stream));
}

fuzz::Bytes write_record(FLF_ITEM item)
{
    CMemoryFile stream(64, true);
    flf_write_prop(&stream, item);
    return fuzz::Bytes(stream.Data(), stream.Data() + stream.Length());
}

// Reads a record the library wrote itself: any error is a fault.
Item reread(const fuzz::Bytes &record)
{
    Item item = read_record(record.data(), record.size());
    if (!item)
        fuzz::fail("a written record reads back as none");
    return item;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Item item;
    try {
        item = read_record(data, size);
    } catch (file_exception *error) {
        delete error;
        return 0;
    } catch (mexception *error) {
        delete error;
        return 0;
    }
    if (!item)
        fuzz::fail("flf_read_prop answered none without raising");
    if (flf_get_parent_prop(item.get()))
        fuzz::fail("a read item has a parent");
    bool duplicates = fuzz::check_tree(item.get());

    const fuzz::Bytes written = write_record(item.get());
    const fuzz::Bytes rewritten = write_record(reread(written).get());
    // Equal signs of a sorted compound come back reversed from every read and
    // from every clone (both add child by child), so a clone writes what one
    // more read writes, and two reads restore the first record.
    Item clone(flf_clone_prop(item.get()));
    if (write_record(clone.get()) != rewritten)
        fuzz::fail("a clone writes other bytes than the item read back");
    if (written == rewritten)
        return 0;
    if (!duplicates)
        fuzz::fail("writing a record read back changed its bytes");
    if (write_record(reread(rewritten).get()) != written)
        fuzz::fail("two round trips of a record with equal signs changed its bytes");
    return 0;
}
