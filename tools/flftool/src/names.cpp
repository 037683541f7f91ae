#include "names.hpp"

#include <algorithm>

#include "diagnostics.hpp"
#include "literals.hpp"

namespace flftool {

NameTable NameTable::load(const std::string &file_name)
{
    FLF_NAMES names = with_library_errors("cannot read the name base " + file_name,
                                          [&] { return flf_open_name_base(file_name.c_str()); });
    if (!names)
        throw ToolError("cannot read the name base " + file_name);
    return from_names(names);
}

NameTable NameTable::from_names(FLF_NAMES names)
{
    NameTable table;
    for (int p = flf_name_server_get_first(names); p != 0; p = flf_name_server_get_next(names, p)) {
        const char *name = flf_name_server_item_name(names, p);
        if (name)
            table.add(name, flf_name_server_item_sign(names, p));
    }
    return table;
}

void NameTable::add(const std::string &name, int32_t sign)
{
    if (!by_name_.emplace(name, sign).second)
        return; // a name file may repeat a name; the first pair counts
    auto &names = by_sign_[sign];
    names.insert(std::lower_bound(names.begin(), names.end(), name), name);
}

std::optional<int32_t> NameTable::resolve(std::string_view name, NameContext context) const
{
    if (context == NameContext::List) {
        auto kind = by_name_.find(std::string(kKindPrefix) + std::string(name));
        if (kind != by_name_.end())
            return kind->second;
    }
    auto found = by_name_.find(name);
    if (found == by_name_.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> NameTable::name_for(int32_t sign, NameContext context) const
{
    auto found = by_sign_.find(sign);
    if (found == by_sign_.end())
        return std::nullopt;
    auto usable = [&](const std::string &name) { return is_identifier(name) && resolve(name, context) == sign; };
    if (context == NameContext::List) {
        for (const std::string &name : found->second) {
            if (name.size() > kKindPrefix.size() && name.starts_with(kKindPrefix)) {
                std::string shortened = name.substr(kKindPrefix.size());
                if (usable(shortened))
                    return shortened;
            }
        }
    }
    for (const std::string &name : found->second)
        if (!name.starts_with(kKindPrefix) && usable(name))
            return name;
    for (const std::string &name : found->second)
        if (usable(name))
            return name;
    return std::nullopt;
}

static size_t edit_distance(std::string_view a, std::string_view b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::optional<std::string> NameTable::closest(std::string_view name) const
{
    std::optional<std::string> best;
    size_t best_distance = std::max<size_t>(2, name.size() / 3) + 1;
    for (const auto &[candidate, sign] : by_name_) {
        (void)sign;
        size_t distance = edit_distance(name, candidate);
        if (distance < best_distance) {
            best_distance = distance;
            best = candidate;
        }
    }
    return best;
}

} // namespace flftool
