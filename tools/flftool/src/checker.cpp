#include "checker.hpp"

#include <algorithm>

#include "path_notation.hpp"

namespace flftool {

namespace {

bool is_path_sign(int32_t sign)
{
    using namespace path_sign;
    for (int32_t known : {kTag, kNext, kStatic, kClassName, kFeature, kParameter, kLiteral, kSignature, 3})
        if (sign == known)
            return true;
    return false;
}

std::string found_text(const Item &item)
{
    switch (item.tag) {
    case FLF_TAG_INTEGER: return "an integer";
    case FLF_TAG_STRING: return "a string";
    case FLF_TAG_BOOLEAN: return "a boolean";
    case FLF_TAG_CHARACTER: return "a character";
    case FLF_TAG_DOUBLE: return "a real number";
    case FLF_TAG_SORTED: return holder_path(item) ? "an access path" : "a group";
    default: return path_list(item) ? "a routine list" : "a list";
    }
}

std::string expected_text(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer: return "an integer";
    case ValueKind::String: return "a string";
    case ValueKind::Boolean: return "true or false";
    case ValueKind::Style: return "window style bits (WS_... names or a number)";
    case ValueKind::ExStyle: return "extended style bits (WS_EX_... names or a number)";
    case ValueKind::Color: return "a color (none, system(COLOR_...), rgb(r, g, b) or a number)";
    case ValueKind::FontStyle: return "font style bits (FONT_... names or a number)";
    case ValueKind::MenuFlags: return "menu item flags (MF_... names or a number)";
    case ValueKind::Path: return "an access path (= PATH)";
    case ValueKind::Routines: return "a routine list (= [ PATH, ... ])";
    case ValueKind::Group: return "a group { ... }";
    case ValueKind::List: return "a list [ ... ]";
    case ValueKind::Paths: return "a list of access paths (= [ PATH { ... }, ... ])";
    }
    return "a value";
}

bool holds_tag(const Item &item, ValueKind kind)
{
    switch (kind) {
    case ValueKind::String: return item.tag == FLF_TAG_STRING;
    case ValueKind::Boolean: return item.tag == FLF_TAG_BOOLEAN;
    case ValueKind::Path: {
        if (item.tag != FLF_TAG_SORTED)
            return false;
        return std::any_of(item.children.begin(), item.children.end(),
                           [](const Item &child) { return child.sign == path_sign::kNext && child.is_compound(); });
    }
    case ValueKind::Routines:
    case ValueKind::Paths:
        return item.tag == FLF_TAG_ORDERED &&
               std::all_of(item.children.begin(), item.children.end(), [](const Item &c) { return c.is_compound(); });
    case ValueKind::Group: return item.tag == FLF_TAG_SORTED;
    case ValueKind::List: return item.tag == FLF_TAG_ORDERED;
    default: return item.tag == FLF_TAG_INTEGER;
    }
}

const Item *child_of(const Item &compound, int32_t sign)
{
    for (const Item &child : compound.children)
        if (child.sign == sign)
            return &child;
    return nullptr;
}

class Checker {
public:
    explicit Checker(const Schema &schema) : schema_(schema) {}

    void check_form(const Item &body) { check_group(body, Where{"widget", kFormKind}, body.pos); }
    std::vector<SchemaProblem> take() { return std::move(problems_); }

private:
    void report(SourcePos pos, SourcePos fallback, std::string message)
    {
        problems_.push_back({pos.line ? pos : fallback, std::move(message)});
    }

    // "a text_edit", "a menu item", "a column".
    std::string what(const Where &where) const
    {
        std::string name = where.scope == "widget" ? schema_.kind_name(where.kind) : where.scope;
        if (name == "tabs")
            name = "tab control";
        std::replace(name.begin(), name.end(), '_', ' ');
        return (name.find_first_of("aeiou") == 0 ? "an " : "a ") + name;
    }

    std::string sign_name(int32_t sign, const Where &where) const
    {
        if (const SchemaEntry *entry = schema_.entry(where, sign))
            return entry->name;
        std::optional<std::string> name = Schema::builtin_vocabulary().name_for(sign, NameContext::Group);
        return name ? *name : "sign " + std::to_string(sign);
    }

    void check_group(const Item &compound, const Where &where, SourcePos fallback, bool path_element = false)
    {
        SourcePos here = compound.pos.line ? compound.pos : fallback;
        for (const Item &child : compound.children) {
            if (path_element && is_path_sign(child.sign))
                continue;
            const SchemaEntry *entry = schema_.entry(where, child.sign);
            if (entry)
                check_value(child, *entry, where, here);
            else
                report(child.pos, here,
                       sign_name(child.sign, where) + " is not read in " + what(where) +
                           (where.scope == "widget" ? "" : " group"));
        }
        check_requirements(compound, where, here);
    }

    void check_value(const Item &item, const SchemaEntry &entry, const Where &where, SourcePos fallback)
    {
        if (!holds_tag(item, entry.kind)) {
            report(item.pos, fallback,
                   entry.name + " takes " + expected_text(entry.kind) + ", found " + found_text(item));
            return;
        }
        SourcePos here = item.pos.line ? item.pos : fallback;
        Where inner{entry.scope, where.kind};
        if (entry.kind == ValueKind::Group) {
            check_group(item, inner, here);
        } else if (entry.kind == ValueKind::List) {
            for (const Item &element : item.children)
                check_list_item(element, schema_.list_item(inner, element.sign), here);
        } else if (entry.kind == ValueKind::Paths) {
            for (const Item &element : item.children)
                check_group(element, inner, here, true);
        }
    }

    void check_list_item(const Item &item, const Where &where, SourcePos fallback)
    {
        if (where.scope == "widget" && !schema_.is_widget_kind(item.sign)) {
            report(item.pos, fallback,
                   "unknown widget kind " + std::to_string(item.sign) +
                       " (kinds are 1 to 22, or a form sign above 10000)");
            return;
        }
        if (!item.is_compound()) {
            report(item.pos, fallback, what(where) + " is a group { ... }, found " + found_text(item));
            return;
        }
        check_group(item, where, fallback);
    }

    // A missing group is reported once, not once per value it should hold:
    // "a form needs geometry", then "a form needs geometry/width".
    void check_requirements(const Item &compound, const Where &where, SourcePos here)
    {
        std::vector<std::string> reported;
        for (const Requirement &requirement : schema_.requirements()) {
            if (requirement.scope != where.scope || !holds_for(requirement.kinds, where.kind))
                continue;
            const Item *step = &compound;
            Where inner = where;
            const SchemaEntry *entry = nullptr;
            size_t depth = 0;
            for (; depth < requirement.chain.size(); ++depth) {
                entry = schema_.entry(inner, requirement.chain[depth]);
                inner = schema_.child(inner, requirement.chain[depth]);
                const Item *next = step->is_compound() ? child_of(*step, requirement.chain[depth]) : nullptr;
                if (!next)
                    break;
                step = next;
            }
            if (depth < requirement.chain.size()) {
                std::string missing = chain_prefix(requirement.text, depth + 1);
                if (std::find(reported.begin(), reported.end(), missing) == reported.end()) {
                    reported.push_back(missing);
                    report(here, here,
                           what(where) + " needs " + missing + (entry ? ", " + expected_text(entry->kind) : ""));
                }
            } else if (step->tag == FLF_TAG_ORDERED && step->children.empty()) {
                report(step->pos, here, what(where) + " needs at least one item in " + requirement.text);
            }
        }
    }

    static std::string chain_prefix(const std::string &text, size_t names)
    {
        size_t end = 0;
        for (size_t n = 0; n < names && end != std::string::npos; ++n)
            end = text.find('/', end ? end + 1 : 0);
        return text.substr(0, end);
    }

    const Schema &schema_;
    std::vector<SchemaProblem> problems_;
};

} // namespace

std::vector<SchemaProblem> check_document(const Document &document, const Schema &schema)
{
    Checker checker(schema);
    for (const FormDecl &form : document.forms)
        if (form.body)
            checker.check_form(*form.body);
    std::vector<SchemaProblem> problems = checker.take();
    std::stable_sort(problems.begin(), problems.end(), [](const SchemaProblem &a, const SchemaProblem &b) {
        return a.pos.line != b.pos.line ? a.pos.line < b.pos.line : a.pos.column < b.pos.column;
    });
    return problems;
}

} // namespace flftool
