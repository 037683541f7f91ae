// Feeds arbitrary text to the form source parser and the schema check.
// Whatever the parser accepts must write back as text that reads to the same
// document and writes identically.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "checker.hpp"
#include "diagnostics.hpp"
#include "parser.hpp"
#include "schema.hpp"
#include "writer.hpp"

namespace {

// The whole vocabulary, so styles, colors and flags by name are fed too.
const flftool::NameTable &names()
{
    return flftool::Schema::builtin_vocabulary();
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
    flftool::check_document(document); // must not fail on any document
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
