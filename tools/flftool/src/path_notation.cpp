#include "path_notation.hpp"

namespace flftool {

using namespace path_sign;

namespace {

Item element_to_tree(const PathElement &element, int32_t sign, std::optional<Item> next)
{
    Item compound = make_compound(FLF_TAG_SORTED, sign);
    compound.pos = element.pos;
    auto &children = compound.children;
    children.push_back(make_character(kTag, static_cast<unsigned char>(element.tag)));
    if (element.class_name)
        children.push_back(make_string(kClassName, element.class_name));
    if (element.feature)
        children.push_back(make_string(kFeature, element.feature));
    if (element.signature)
        children.push_back(make_string(kSignature, element.signature));
    if (element.static_marker)
        children.push_back(*element.static_marker);
    for (const Path &argument : element.arguments)
        children.push_back(holder_to_tree(kParameter, argument));
    if (element.literal)
        children.push_back(*element.literal);
    children.insert(children.end(), element.extras.begin(), element.extras.end());
    if (next)
        children.push_back(std::move(*next));
    sort_children(compound);
    return compound;
}

bool set_once_string(std::optional<std::string> &field, const Item &child)
{
    if (field || child.tag != FLF_TAG_STRING || !child.text)
        return false;
    field = child.text;
    return true;
}

bool set_once_value(std::optional<Item> &field, const Item &child)
{
    if (field || child.is_compound())
        return false;
    field = child;
    return true;
}

bool take_argument(PathElement &element, const Item &child)
{
    std::optional<Path> argument = holder_path(child);
    if (!argument)
        return false;
    element.arguments.push_back(std::move(*argument));
    return true;
}

// Reads one element's own children; next is set to its next element, if any.
bool read_element(const Item &item, PathElement &element, const Item *&next)
{
    if (item.tag != FLF_TAG_SORTED)
        return false;
    bool tagged = false;
    next = nullptr;
    for (const Item &child : item.children) {
        bool ok = true;
        switch (child.sign) {
        case kTag:
            ok = !tagged && child.tag == FLF_TAG_CHARACTER;
            element.tag = static_cast<char>(child.number);
            tagged = true;
            break;
        case kNext:
            ok = !next && child.is_compound();
            next = &child;
            break;
        case kClassName: ok = set_once_string(element.class_name, child); break;
        case kFeature: ok = set_once_string(element.feature, child); break;
        case kSignature: ok = set_once_string(element.signature, child); break;
        case kStatic: ok = set_once_value(element.static_marker, child); break;
        case kLiteral: ok = set_once_value(element.literal, child); break;
        case kParameter: ok = take_argument(element, child); break;
        default: element.extras.push_back(child); break;
        }
        if (!ok)
            return false;
    }
    // A literal value is written in place of the element, so it goes only with
    // a plain literal element; a target is written CLASS.feature, both or none.
    if (element.literal && (element.tag != 'L' || element.has_target() || !element.arguments.empty()))
        return false;
    if (element.class_name.has_value() != element.feature.has_value())
        return false;
    return tagged;
}

} // namespace

Item path_to_tree(const Path &path, int32_t sign)
{
    std::optional<Item> next;
    for (size_t i = path.size(); i-- > 0;)
        next = element_to_tree(path[i], i == 0 ? sign : kNext, std::move(next));
    return next ? std::move(*next) : make_compound(FLF_TAG_SORTED, sign);
}

Item holder_to_tree(int32_t sign, const Path &path)
{
    Item holder = make_compound(FLF_TAG_SORTED, sign);
    holder.children.push_back(path_to_tree(path, kNext));
    return holder;
}

Item path_list_to_tree(int32_t sign, const std::vector<Path> &paths)
{
    Item list = make_compound(FLF_TAG_ORDERED, sign);
    for (const Path &path : paths)
        list.children.push_back(path_to_tree(path, kNext));
    return list;
}

std::optional<Path> path_from_tree(const Item &first_element)
{
    Path path;
    for (const Item *item = &first_element; item;) {
        PathElement element;
        const Item *next = nullptr;
        if (!read_element(*item, element, next))
            return std::nullopt;
        path.push_back(std::move(element));
        item = next;
    }
    if (!same_tree(path_to_tree(path, first_element.sign), first_element))
        return std::nullopt;
    return path;
}

std::optional<Path> holder_path(const Item &compound)
{
    if (compound.tag != FLF_TAG_SORTED || compound.children.size() != 1 || compound.children[0].sign != kNext)
        return std::nullopt;
    return path_from_tree(compound.children[0]);
}

std::optional<std::vector<Path>> path_list(const Item &compound)
{
    if (compound.tag != FLF_TAG_ORDERED || compound.children.empty())
        return std::nullopt;
    std::vector<Path> paths;
    for (const Item &item : compound.children) {
        if (item.sign != kNext)
            return std::nullopt;
        std::optional<Path> path = path_from_tree(item);
        if (!path)
            return std::nullopt;
        paths.push_back(std::move(*path));
    }
    return paths;
}

} // namespace flftool
