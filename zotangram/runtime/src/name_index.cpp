#include "zo/name_index.hpp"

#include <cstring>

namespace zo {
namespace {

char fold(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::uint32_t folded_byte(const char *name, std::size_t at)
{
    return static_cast<unsigned char>(fold(name[at]));
}

// From the length and three folded characters: cheap for the short names of
// attributes and routines, and the probe compares the whole name anyway.
std::uint32_t folded_hash(const char *name)
{
    const std::size_t length = std::strlen(name);
    return static_cast<std::uint32_t>(length) * 2654435761u ^ folded_byte(name, 0) * 40503u ^
           folded_byte(name, length / 2) << 16 ^ folded_byte(name, length - 1) << 24;
}

} // namespace

bool same_name(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (fold(*a) != fold(*b))
            return false;
    return *a == *b;
}

void NameIndex::add(const std::string &name, int position)
{
    if (find(name.c_str()) != kNone || name.empty())
        return;
    if ((used_ + 1) * 2 > slots_.size())
        grow();
    const std::uint32_t hash = folded_hash(name.c_str());
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].position != kNone)
        i = (i + 1) & mask;
    slots_[i] = {name, hash, position};
    ++used_;
}

int NameIndex::find(const char *name) const
{
    if (!name || !*name)
        return kNone;
    const std::uint32_t hash = folded_hash(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].position != kNone; i = (i + 1) & mask)
        if (slots_[i].hash == hash && same_name(slots_[i].name.c_str(), name))
            return slots_[i].position;
    return kNone;
}

void NameIndex::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    used_ = 0;
    for (Slot &slot : old)
        if (slot.position != kNone)
            add(slot.name, slot.position);
}

} // namespace zo
