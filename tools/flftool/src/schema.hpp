// The form schema (forms/schema.txt): which sign takes which kind of value in
// which group of a form description, and what each widget kind must hold.
// The tool carries the repo's schema and vocabulary built in, so form sources
// are checked by sign whatever name base names them.
#ifndef FLFTOOL_SCHEMA_HPP
#define FLFTOOL_SCHEMA_HPP

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "names.hpp"
#include "styles.hpp"

namespace flftool {

enum class ValueKind {
    Integer,
    String,
    Boolean,
    Style,
    ExStyle,
    Color,
    FontStyle,
    MenuFlags,
    Path,
    Routines,
    Group,
    List,
    Paths
};

// Where an item stands: the scope of the group that holds it and the widget
// kind it belongs to (0 outside widgets). The form body is {"widget", form}.
struct Where {
    std::string scope;
    int32_t kind = 0;
    bool known() const { return !scope.empty(); }
};

struct SchemaEntry {
    int32_t sign = 0;
    std::string name;
    ValueKind kind = ValueKind::Integer;
    std::string scope;          // groups, lists and paths: the scope of their items
    std::vector<int32_t> kinds; // widget kinds it holds for; empty: all
};

struct Requirement {
    std::string scope;
    std::vector<int32_t> kinds;
    std::vector<int32_t> chain;
    std::string text; // the chain in names, "properties/form/type"
};

class Schema {
public:
    // Raises SourceError for a malformed schema or a name the vocabulary lacks.
    static Schema parse(std::string_view text, const NameTable &vocabulary);
    // The repo's schema over the repo's vocabulary, built into the tool.
    static const Schema &builtin();
    static const NameTable &builtin_vocabulary();

    const SchemaEntry *entry(const Where &where, int32_t sign) const;
    // The place of a child of sign `sign` in a compound at `where`.
    Where child(const Where &where, int32_t sign) const;
    // The place of an item of a list whose items are of the list's scope
    // (the items of a widget list are widgets of the item's kind).
    Where list_item(const Where &list, int32_t sign) const;
    const std::vector<Requirement> &requirements() const { return requirements_; }
    bool has_scope(const std::string &scope) const { return scopes_.count(scope) != 0; }

    bool is_widget_kind(int32_t kind) const { return kind > 10000 || kind_names_.count(kind) != 0; }
    std::string kind_name(int32_t kind) const;
    std::string sign_name(int32_t sign) const;

private:
    std::map<std::string, std::vector<SchemaEntry>> scopes_;
    std::vector<Requirement> requirements_;
    std::map<int32_t, std::string> kind_names_;
    std::map<int32_t, std::string> sign_names_;
};

bool holds_for(const std::vector<int32_t> &kinds, int32_t kind);

// The names a value of this entry is written with, if any: styles by the
// widget kind, extended styles, font styles, menu flags.
const BitNames *bit_names_for(const SchemaEntry &entry, int32_t widget_kind);

} // namespace flftool

#endif
