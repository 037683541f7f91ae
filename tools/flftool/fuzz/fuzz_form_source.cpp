// Feeds arbitrary text to the form source parser. Whatever it accepts must
// write back as text that reads to the same document and writes identically.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "diagnostics.hpp"
#include "parser.hpp"
#include "writer.hpp"

namespace {

const flftool::NameTable &names()
{
    static const flftool::NameTable table = [] {
        flftool::NameTable t;
        const std::pair<const char *, int32_t> entries[] = {
            {"caption", 46}, {"geometry", 41}, {"left", 7},   {"items", 51},        {"value", 114},
            {"path", 93},    {"tag", 71},      {"static", 94}, {"conditions", 94}, {"kind_up_down", 7},
            {"up_down", 144}, {"kind_label", 2}};
        for (const auto &[name, sign] : entries)
            t.add(name, sign);
        return t;
    }();
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    flftool::Document document;
    try {
        document = flftool::parse_source(text, names());
    } catch (const flftool::SourceError &) {
        return 0;
    }
    flftool::Writer writer(names());
    std::string written = writer.write(document);
    try {
        flftool::Document again = flftool::parse_source(written, names());
        if (writer.write(again) != written)
            std::abort();
    } catch (const flftool::SourceError &) {
        std::abort(); // the writer wrote what the parser refuses
    }
    return 0;
}
