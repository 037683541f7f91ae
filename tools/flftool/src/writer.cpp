#include "writer.hpp"

#include <algorithm>

#include "literals.hpp"

namespace flftool {

namespace {

constexpr size_t kLineWidth = 96;
constexpr size_t kInlineWidth = 72;

std::string spaces(int indent)
{
    return std::string(static_cast<size_t>(indent), ' ');
}

std::string class_name_text(const std::string &name)
{
    return is_identifier(name) ? name : quote_string(name);
}

std::string name_part(const std::string &name)
{
    return is_identifier(name) && !is_path_keyword(name) ? name : quote_string(name);
}

// Which forms need their sign written: those the allocation of unwritten
// signs would not give them.
std::vector<bool> signs_to_show(const std::vector<FormDecl> &forms)
{
    std::vector<bool> shown(forms.size(), false);
    for (bool changed = true; changed;) {
        std::vector<FormDecl> trial = forms;
        for (size_t i = 0; i < trial.size(); ++i)
            trial[i].sign_given = shown[i];
        allocate_form_signs(trial);
        changed = false;
        for (size_t i = 0; i < trial.size(); ++i) {
            if (!shown[i] && trial[i].sign != forms[i].sign) {
                shown[i] = true;
                changed = true;
            }
        }
    }
    return shown;
}

} // namespace

bool is_path_keyword(const std::string &word)
{
    static const char *const keywords[] = {"real", "const", "call", "type", "tag", "static",
                                           "true", "false", "none", "inf",  "nan"};
    return std::find(std::begin(keywords), std::end(keywords), word) != std::end(keywords);
}

std::string Writer::write(const Document &document) const
{
    std::string out = header_text(document);
    std::vector<bool> shown = signs_to_show(document.forms);
    for (size_t i = 0; i < document.forms.size(); ++i)
        out += "\n" + form_text(document.forms[i], shown[i]) + "\n";
    if (!document.root_items.empty()) {
        Item root = make_compound(FLF_TAG_SORTED, 0);
        root.children = document.root_items;
        out += "\nroot " + children_text(root, 0) + "\n";
    }
    return out;
}

std::string Writer::header_text(const Document &document) const
{
    std::string out = "project " + quote_string(document.project_name);
    if (document.project_type == FLF_PROJECT_RELATIVE)
        out += " relative";
    else if (document.project_type != FLF_PROJECT_ABSOLUTE)
        out += " type " + format_integer(document.project_type);
    out += "\n";
    if (document.custom_flags != 0)
        out += "custom_flags " + format_hex(document.custom_flags) + "\n";
    if (document.next_form_sign != default_next_form_sign(document.forms))
        out += "next_form_sign " + std::to_string(document.next_form_sign) + "\n";
    for (const ClassDecl &empty : document.empty_classes)
        out += "class " + class_name_text(empty.name) + "\n";
    return out;
}

std::string Writer::form_text(const FormDecl &form, bool show_sign) const
{
    std::string out =
        "form " + class_name_text(form.class_name) + " " + std::to_string(form.id) + " " + quote_string(form.alias);
    if (show_sign)
        out += " sign " + std::to_string(form.sign);
    if (form.body)
        out += " " + children_text(*form.body, 0, Where{"widget", kFormKind});
    return out;
}

std::string Writer::sign_text(int32_t sign, NameContext context) const
{
    std::optional<std::string> name = names_.name_for(sign, context);
    return name ? *name : std::to_string(sign);
}

std::string Writer::simple_text(const Item &item) const
{
    switch (item.tag) {
    case FLF_TAG_INTEGER: return format_integer(item.number);
    case FLF_TAG_STRING: return item.text ? quote_string(*item.text) : "none";
    case FLF_TAG_BOOLEAN:
        if (item.number == 0)
            return "false";
        return item.number == 1 ? "true" : "true(" + std::to_string(item.number) + ")";
    case FLF_TAG_CHARACTER: return quote_character(static_cast<unsigned char>(item.number));
    case FLF_TAG_DOUBLE: return format_double(item.real);
    default: return "?";
    }
}

std::string Writer::value_text(const Item &item, int indent, const Where &where) const
{
    if (!item.is_compound())
        return simple_text(item);
    if (std::optional<Path> path = holder_path(item))
        return "= " + path_text(*path, indent);
    if (std::optional<std::vector<Path>> paths = path_list(item))
        return "= " + path_list_text(*paths, indent);
    return children_text(item, indent, where);
}

// "sign value". Styles, colors and flags are written by name after a sign
// written as a name; a none string where a color stands keeps its sign as a
// number, so that it does not read back as no color.
std::string Writer::child_text(const Item &child, NameContext context, int indent, const Where &parent) const
{
    const Schema &schema = Schema::builtin();
    std::string sign = sign_text(child.sign, context);
    if (context == NameContext::List) {
        // Menu items and tab pages are no widgets: their signs stay numbers.
        if (parent.known() && parent.scope != "widget")
            sign = std::to_string(child.sign);
        return sign + " " + value_text(child, indent, schema.list_item(parent, child.sign));
    }
    const SchemaEntry *entry = schema.entry(parent, child.sign);
    bool named = sign != std::to_string(child.sign);
    if (entry && named && entry->kind == ValueKind::Color) {
        if (child.tag == FLF_TAG_INTEGER)
            return sign + " " + color_text(static_cast<uint32_t>(child.number));
        if (child.tag == FLF_TAG_STRING && !child.text)
            return std::to_string(child.sign) + " none";
    }
    if (const BitNames *names = entry && named ? bit_names_for(*entry, parent.kind ? parent.kind : kFormKind) : nullptr)
        if (child.tag == FLF_TAG_INTEGER)
            return sign + " " + names->text(static_cast<uint32_t>(child.number));
    return sign + " " + value_text(child, indent, schema.child(parent, child.sign));
}

std::string Writer::children_text(const Item &compound, int indent, const Where &where) const
{
    bool ordered = compound.tag == FLF_TAG_ORDERED;
    std::string open = ordered ? "[" : "{";
    std::string close = ordered ? "]" : "}";
    if (compound.children.empty())
        return open + close;
    NameContext context = ordered ? NameContext::List : NameContext::Group;
    std::vector<std::string> lines;
    bool fits_one_line = true;
    size_t width = static_cast<size_t>(indent) + 2 * open.size() + 16;
    for (const Item &child : compound.children) {
        std::string line = child_text(child, context, indent + 2, where);
        std::string value = line.substr(line.find(' ') + 1);
        // Values and one-line paths may share a line; groups and lists may not.
        if (child.is_compound() && (value[0] != '=' || value.find('\n') != std::string::npos))
            fits_one_line = false;
        lines.push_back(line);
        width += lines.back().size() + 1;
    }
    if (fits_one_line && width <= kLineWidth) {
        std::string line = open;
        for (const std::string &text : lines)
            line += " " + text;
        return line + " " + close;
    }
    std::string out = open + "\n";
    for (const std::string &text : lines)
        out += spaces(indent + 2) + text + "\n";
    return out + spaces(indent) + close;
}

std::string Writer::path_list_text(const std::vector<Path> &paths, int indent) const
{
    std::vector<std::string> texts;
    size_t width = 0;
    bool multi_line = false;
    for (const Path &path : paths) {
        texts.push_back(path_text(path, indent + 2));
        width += texts.back().size() + 2;
        multi_line = multi_line || texts.back().find('\n') != std::string::npos;
    }
    if (!multi_line && width + 4 <= kInlineWidth) {
        std::string line = "[ ";
        for (size_t i = 0; i < texts.size(); ++i)
            line += (i ? ", " : "") + texts[i];
        return line + " ]";
    }
    // Commas keep an element without class and feature from taking the next
    // path's first names for its own.
    std::string out = "[\n";
    for (size_t i = 0; i < texts.size(); ++i)
        out += spaces(indent + 2) + texts[i] + (i + 1 < texts.size() ? ",\n" : "\n");
    return out + spaces(indent) + "]";
}

std::string Writer::path_text(const Path &path, int indent) const
{
    std::string out;
    for (size_t i = 0; i < path.size(); ++i)
        out += (i ? " -> " : "") + element_text(path[i], indent);
    return out;
}

std::string Writer::element_text(const PathElement &element, int indent) const
{
    std::string out;
    if (element.static_marker) {
        const Item &marker = *element.static_marker;
        bool plain = marker.tag == FLF_TAG_BOOLEAN && marker.number == 1;
        out += plain ? "static " : "static(" + simple_text(marker) + ") ";
    }
    out += element_core(element, indent);
    if (element.signature)
        out += " : " + quote_string(*element.signature);
    if (!element.extras.empty()) {
        Item extras = make_compound(FLF_TAG_SORTED, 0);
        extras.children = element.extras;
        out += " " + children_text(extras, indent);
    }
    return out;
}

// The element without its static marker, signature and extra children: the
// tag as a keyword (none for a field or a function call), the class and
// feature names, and the arguments.
std::string Writer::element_core(const PathElement &element, int indent) const
{
    bool plain_target = element.class_name && element.feature;
    bool no_arguments = element.arguments.empty();
    if (element.tag == '*' && !element.has_target() && no_arguments)
        return "*";
    if (element.literal)
        return simple_text(*element.literal);

    std::string keyword;
    bool parentheses = true;
    switch (element.tag) {
    case 'V':
        keyword = plain_target && no_arguments ? "" : "tag 'V'";
        parentheses = !no_arguments;
        break;
    case 'F':
        keyword = plain_target ? "" : "tag 'F'";
        parentheses = plain_target || !no_arguments;
        break;
    case 'v':
        keyword = no_arguments ? "real" : "tag 'v'";
        parentheses = !no_arguments;
        break;
    case 'f': keyword = "real"; break;
    case 'P': keyword = "call"; break;
    case 'C':
        keyword = no_arguments ? "const" : "tag 'C'";
        parentheses = !no_arguments;
        break;
    case 'c':
        keyword = no_arguments ? "real const" : "tag 'c'";
        parentheses = !no_arguments;
        break;
    case 'T':
        keyword = no_arguments ? "type" : "tag 'T'";
        parentheses = !no_arguments;
        break;
    default:
        keyword = "tag " + quote_character(static_cast<unsigned char>(element.tag));
        parentheses = !no_arguments;
        break;
    }
    std::string target;
    if (element.class_name)
        target = name_part(*element.class_name);
    if (element.feature)
        target += "." + name_part(*element.feature);
    std::string out = keyword;
    if (!target.empty())
        out += (out.empty() ? "" : " ") + target;
    if (parentheses) {
        out += "(";
        for (size_t i = 0; i < element.arguments.size(); ++i)
            out += (i ? ", " : "") + path_text(element.arguments[i], indent);
        out += ")";
    }
    return out;
}

} // namespace flftool
