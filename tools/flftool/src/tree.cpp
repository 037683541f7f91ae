#include "tree.hpp"

#include <algorithm>
#include <bit>
#include <set>

namespace flftool {

Item make_compound(int tag, int32_t sign, int32_t number)
{
    Item item;
    item.tag = tag;
    item.sign = sign;
    item.number = number;
    return item;
}

Item make_integer(int32_t sign, int32_t value)
{
    return make_compound(FLF_TAG_INTEGER, sign, value);
}
Item make_boolean(int32_t sign, int32_t value)
{
    return make_compound(FLF_TAG_BOOLEAN, sign, value);
}
Item make_character(int32_t sign, unsigned char value)
{
    return make_compound(FLF_TAG_CHARACTER, sign, value);
}

Item make_string(int32_t sign, std::optional<std::string> value)
{
    Item item = make_compound(FLF_TAG_STRING, sign);
    item.text = std::move(value);
    return item;
}

Item make_double(int32_t sign, double value)
{
    Item item = make_compound(FLF_TAG_DOUBLE, sign);
    item.real = value;
    return item;
}

static bool same_value(const Item &a, const Item &b)
{
    switch (a.tag) {
    case FLF_TAG_STRING: return a.text == b.text;
    case FLF_TAG_DOUBLE: return std::bit_cast<uint64_t>(a.real) == std::bit_cast<uint64_t>(b.real);
    case FLF_TAG_ORDERED:
    case FLF_TAG_SORTED: return true;
    default: return a.number == b.number;
    }
}

bool same_tree(const Item &a, const Item &b)
{
    if (a.tag != b.tag || a.sign != b.sign || !same_value(a, b) || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i)
        if (!same_tree(a.children[i], b.children[i]))
            return false;
    return true;
}

void sort_children(Item &compound)
{
    std::stable_sort(compound.children.begin(), compound.children.end(),
                     [](const Item &x, const Item &y) { return x.sign < y.sign; });
}

void allocate_form_signs(std::vector<FormDecl> &forms)
{
    std::set<int32_t> written;
    for (const FormDecl &form : forms)
        if (form.sign_given)
            written.insert(form.sign);
    int64_t candidate = FLF_FIRST_FORM_SIGN;
    for (FormDecl &form : forms) {
        if (form.sign_given)
            continue;
        while (written.count(static_cast<int32_t>(candidate)))
            ++candidate;
        form.sign = static_cast<int32_t>(candidate++);
    }
}

int32_t default_next_form_sign(const std::vector<FormDecl> &forms)
{
    int32_t next = FLF_FIRST_FORM_SIGN;
    for (const FormDecl &form : forms)
        if (form.sign >= next && form.sign < INT32_MAX)
            next = form.sign + 1;
    return next;
}

} // namespace flftool
