// Name bases: the vocabulary list format, name files written with given signs,
// and the name base commands.
#ifndef FLFTOOL_NAME_BASE_HPP
#define FLFTOOL_NAME_BASE_HPP

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tree.hpp"

namespace flftool {

struct NameEntry {
    std::string name;
    int32_t sign = 0;
    SourcePos pos;
};

// A vocabulary list: one "name sign" pair per line, "#" comments. Raises
// SourceError for a malformed line or a name listed twice.
std::vector<NameEntry> parse_name_list(std::string_view text);

// The bytes of a name file holding the entries (in name order, as the
// library writes them). The next sign is one above the highest sign, at
// least 1, and at least next_sign when that is given.
std::string name_file_bytes(std::vector<NameEntry> entries, std::optional<int32_t> next_sign = std::nullopt);

// The list text of a name base, in name order: it reads back with
// parse_name_list.
std::string name_list_text(const std::vector<NameEntry> &entries);

} // namespace flftool

#endif
