// Sign names of a name base, as the source format uses them.
//
// A sign may have several names. Outside lists the writer uses the first of
// them in byte order. Widget kinds are named kind_<name>: among the items of a
// list (an ordered compound) a source writes them without the prefix, and a
// name there is looked up as kind_<name> first.
#ifndef FLFTOOL_NAMES_HPP
#define FLFTOOL_NAMES_HPP

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flfileio.h"

namespace flftool {

enum class NameContext { Group, List };

class NameTable {
public:
    NameTable() = default;

    // Reads a name file through the library; raises ToolError when it cannot.
    static NameTable load(const std::string &file_name);
    static NameTable from_names(FLF_NAMES names);

    void add(const std::string &name, int32_t sign);
    bool empty() const { return by_name_.empty(); }

    std::optional<int32_t> resolve(std::string_view name, NameContext context) const;
    // A name that resolves back to the sign in that context, if there is one.
    std::optional<std::string> name_for(int32_t sign, NameContext context) const;
    // The known name closest to a misspelt one, for "did you mean".
    std::optional<std::string> closest(std::string_view name) const;

private:
    std::map<std::string, int32_t, std::less<>> by_name_;
    std::map<int32_t, std::vector<std::string>> by_sign_;
};

constexpr std::string_view kKindPrefix = "kind_";

} // namespace flftool

#endif
