#include "zo/class_info.hpp"

#include <cstring>

#include "zo/heap.hpp"

namespace zo {

// ---- Attributes ----

namespace {

template <class T>
void store(void *place, T value)
{
    std::memcpy(place, &value, sizeof value);
}

} // namespace

bool Attribute::write(Object *object, const Scalar &value) const
{
    void *place = this->place(object);
    switch (formal.storage) {
    case Storage::Boolean:
        store<bool>(place, value.is_real() ? value.as_real() != 0.0 : value.as_integer() != 0);
        break;
    case Storage::Character: store<char>(place, static_cast<char>(value.as_integer())); break;
    case Storage::Integer: store<std::int32_t>(place, static_cast<std::int32_t>(value.as_integer())); break;
    case Storage::Real:
    case Storage::Double: store<double>(place, value.as_real()); break;
    case Storage::Pointer: store<void *>(place, value.as_address()); break;
    case Storage::Reference:
        if (!is_acceptable_reference(value.as_address(), formal.kind_class()))
            return false;
        store<void *>(place, value.as_address());
        break;
    case Storage::None: return false;
    }
    return true;
}

// ---- Classes ----

ClassInfo::ClassInfo(std::string name, const ClassInfo *parent, Storage storage, Factory factory)
    : name_(std::move(name)), parent_(parent), storage_(storage), factory_(factory)
{
    if (!parent_)
        return;
    for (Attribute attribute : parent_->attributes_) {
        attribute.offset = Attribute::kUnknownOffset; // learned again on this class's objects
        add_attribute(std::move(attribute));
    }
}

void ClassInfo::add_attribute(Attribute attribute)
{
    const int position = static_cast<int>(attributes_.size());
    attribute_index_.add(attribute.name, position);
    if (attribute.formal.storage == Storage::Reference)
        references_.push_back(attributes_.size());
    attributes_.push_back(std::move(attribute));
}

void ClassInfo::add_routine(Routine routine)
{
    routines_.push_back(std::move(routine));
}

void ClassInfo::set_array_layout(const ArrayLayout &layout)
{
    array_ = layout;
}

void ClassInfo::seal()
{
    if (parent_)
        routines_.insert(routines_.end(), parent_->routines_.begin(), parent_->routines_.end());
    for (std::size_t i = 0; i < routines_.size(); ++i)
        routine_index_.add(routines_[i].name, static_cast<int>(i));
}

std::vector<const ClassInfo *> ClassInfo::conformance() const
{
    std::vector<const ClassInfo *> list;
    for (const ClassInfo *c = this; c; c = c->parent_)
        list.push_back(c);
    return list;
}

bool ClassInfo::conforms_to(const ClassInfo &other) const
{
    for (const ClassInfo *c = this; c; c = c->parent_)
        if (c == &other)
            return true;
    return false;
}

namespace {

// The entry of a name through the index; remembers what it found.
template <class Entry>
const Entry *lookup(const std::vector<Entry> &entries, const NameIndex &index, const char *name, const char *&last_name,
                    std::size_t &last)
{
    const int position = index.find(name);
    if (position == NameIndex::kNone)
        return nullptr;
    last_name = name;
    last = static_cast<std::size_t>(position);
    return &entries[last];
}

} // namespace

const Attribute *ClassInfo::lookup_attribute(const char *name) const
{
    return lookup(attributes_, attribute_index_, name, last_attribute_name_, last_attribute_);
}

const Routine *ClassInfo::lookup_routine(const char *name) const
{
    return lookup(routines_, routine_index_, name, last_routine_name_, last_routine_);
}

// ---- Registry ----

Registry &Registry::instance()
{
    // Never destroyed: the classes are needed until the last object goes.
    static Registry *registry = new Registry();
    return *registry;
}

void Registry::add(ClassInfo &info)
{
    classes_.push_back(&info);
    info.number_ = static_cast<std::uint16_t>(classes_.size());
    names_.add(info.name(), info.number_);
}

const ClassInfo *Registry::by_number(std::size_t number) const
{
    return number >= 1 && number <= classes_.size() ? classes_[number - 1] : nullptr;
}

const ClassInfo *Registry::by_name(const char *name) const
{
    const int number = names_.find(name);
    return number == NameIndex::kNone ? nullptr : by_number(static_cast<std::size_t>(number));
}

const ClassInfo *Registry::by_handle(std::uintptr_t handle) const
{
    if (handle <= 0xFFFF)
        return by_number(handle);
    for (const ClassInfo *info : classes_)
        if (reinterpret_cast<std::uintptr_t>(info) == handle)
            return info;
    return nullptr;
}

} // namespace zo
