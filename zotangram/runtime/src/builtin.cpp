#include "zo/builtin.hpp"

#include <algorithm>

namespace zo {

ZO_CLASS(Object, "ANY", c) {}

// ---- Basic kinds ----

namespace {

Object *make_boxed_default(const ClassInfo &cls)
{
    return new BoxedValue(cls);
}

template <auto Member>
const ClassInfo &define_basic_class(const char *name, Storage storage)
{
    auto *info = new ClassInfo(name, &Object::zo_class(), storage, &make_boxed_default);
    ClassBuilder<BoxedValue> builder(*info);
    builder.attribute<Member>("item");
    info->seal();
    Registry::instance().add(*info);
    return *info;
}

// A REAL box holds a double like a DOUBLE one; only its class tells them apart.
const ClassInfo &define_real_class()
{
    auto *info = new ClassInfo("_REAL", &Object::zo_class(), Storage::Real, &make_boxed_default);
    ClassBuilder<BoxedValue> builder(*info);
    builder.real<&BoxedValue::real>("item");
    info->seal();
    Registry::instance().add(*info);
    return *info;
}

} // namespace

#define ZO_BASIC_CLASS(getter, definition)                                                                             \
    const ClassInfo &getter()                                                                                          \
    {                                                                                                                  \
        static const ClassInfo &info = definition;                                                                     \
        return info;                                                                                                   \
    }                                                                                                                  \
    static const Registration getter##_registration(&getter)

ZO_BASIC_CLASS(boolean_class, define_basic_class<&BoxedValue::boolean>("_BOOLEAN", Storage::Boolean));
ZO_BASIC_CLASS(character_class, define_basic_class<&BoxedValue::character>("_CHARACTER", Storage::Character));
ZO_BASIC_CLASS(integer_class, define_basic_class<&BoxedValue::integer>("_INTEGER", Storage::Integer));
ZO_BASIC_CLASS(pointer_class, define_basic_class<&BoxedValue::pointer>("_POINTER", Storage::Pointer));
ZO_BASIC_CLASS(real_class, define_real_class());
ZO_BASIC_CLASS(double_class, define_basic_class<&BoxedValue::real>("_DOUBLE", Storage::Double));

bool BoxedValue::is_default() const
{
    switch (class_->storage()) {
    case Storage::Boolean: return !boolean;
    case Storage::Character: return character == 0;
    case Storage::Integer: return integer == 0;
    case Storage::Pointer: return pointer == nullptr;
    case Storage::Real:
    case Storage::Double: return real == 0.0;
    default: return false;
    }
}

namespace {

template <class T>
BoxedValue *box(const ClassInfo &cls, T BoxedValue::*member, T value)
{
    BoxedValue *boxed = make<BoxedValue>(cls);
    boxed->*member = value;
    return boxed;
}

} // namespace

BoxedValue *make_boxed(bool value)
{
    return box(boolean_class(), &BoxedValue::boolean, value);
}
BoxedValue *make_boxed(char value)
{
    return box(character_class(), &BoxedValue::character, value);
}
BoxedValue *make_boxed(std::int32_t value)
{
    return box(integer_class(), &BoxedValue::integer, value);
}
BoxedValue *make_boxed(void *value)
{
    return box(pointer_class(), &BoxedValue::pointer, value);
}
BoxedValue *make_boxed(double value)
{
    return box(double_class(), &BoxedValue::real, value);
}
BoxedValue *make_boxed_real(double value)
{
    return box(real_class(), &BoxedValue::real, value);
}

// ---- Strings ----

ZO_CLASS(String, "STRING", c)
{
    ZO_ATTRIBUTES(c, area, count);
}

String::String(std::string_view text)
{
    set_text(text);
}

String::String(const String &other) : Object(other), count(other.count), storage_(other.storage_)
{
    point_area();
}

String &String::operator=(const String &other)
{
    storage_ = other.storage_;
    count = other.count;
    point_area();
    return *this;
}

void String::set_text(std::string_view text)
{
    storage_.assign(text.begin(), text.end());
    storage_.push_back('\0');
    count = static_cast<std::int32_t>(text.size());
    point_area();
}

std::size_t String::length() const
{
    return std::clamp<std::size_t>(count < 0 ? 0 : static_cast<std::size_t>(count), 0, storage_.size() - 1);
}

String *make_string(std::string_view text)
{
    return make<String>(text);
}

// ---- Arrays ----

Array::Array(const ClassInfo &cls, std::size_t count_, std::int32_t lower_)
    : lower(lower_), size_item(static_cast<std::int32_t>(cls.array_layout().element_size)), class_(&cls)
{
    resize(count_);
}

Array::Array(const Array &other)
    : Object(other), count(other.count), lower(other.lower), size_item(other.size_item), class_(other.class_),
      storage_(other.storage_)
{
    point_area();
}

Array &Array::operator=(const Array &other)
{
    class_ = other.class_;
    storage_ = other.storage_;
    count = other.count;
    lower = other.lower;
    size_item = other.size_item;
    point_area();
    return *this;
}

std::size_t Array::length() const
{
    const std::size_t capacity = element_size() ? storage_.size() / element_size() : 0;
    return std::min<std::size_t>(count < 0 ? 0 : static_cast<std::size_t>(count), capacity);
}

void Array::resize(std::size_t new_count)
{
    storage_.resize(new_count * element_size());
    count = static_cast<std::int32_t>(new_count);
    point_area();
}

std::byte *Array::element(std::size_t index)
{
    return index < length() ? storage_.data() + index * element_size() : nullptr;
}

const std::byte *Array::element(std::size_t index) const
{
    return index < length() ? storage_.data() + index * element_size() : nullptr;
}

Object *Array::reference(std::size_t index) const
{
    const std::byte *place = element(index);
    if (!place || !holds_references())
        return nullptr;
    void *referred;
    std::memcpy(&referred, place, sizeof referred);
    return static_cast<Object *>(referred);
}

bool Array::set_reference(std::size_t index, Object *object)
{
    std::byte *place = element(index);
    if (!place || !holds_references() || !is_acceptable_reference(object, layout().element.kind_class()))
        return false;
    void *referred = object;
    std::memcpy(place, &referred, sizeof referred);
    return true;
}

namespace {

Object *make_empty_array(const ClassInfo &cls)
{
    return new Array(cls);
}

} // namespace

const ClassInfo &define_array_class(const std::string &element_name, const Formal &element, std::size_t size)
{
    const std::string name = "ARRAY[" + element_name + "]";
    if (const ClassInfo *existing = Registry::instance().by_name(name.c_str()); existing && existing->is_array())
        return *existing;
    auto *info = new ClassInfo(name, &Object::zo_class(), Storage::Reference, &make_empty_array);
    ClassBuilder<Array> builder(*info);
    builder.attribute<&Array::area>("area")
        .attribute<&Array::count>("count")
        .attribute<&Array::lower>("lower")
        .attribute<&Array::size_item>("size_item");
    info->set_array_layout({element, size});
    info->seal();
    Registry::instance().add(*info);
    return *info;
}

#define ZO_WIDTH_ARRAY_CLASS(getter, element_name, size)                                                               \
    const ClassInfo &getter()                                                                                          \
    {                                                                                                                  \
        static const ClassInfo &info = define_array_class(element_name, {Storage::None, nullptr}, size);               \
        return info;                                                                                                   \
    }                                                                                                                  \
    static const Registration getter##_registration(&getter)

ZO_WIDTH_ARRAY_CLASS(integer_16_array_class, "INTEGER_16", 2);
ZO_WIDTH_ARRAY_CLASS(integer_64_array_class, "INTEGER_64", 8);
ZO_WIDTH_ARRAY_CLASS(real_32_array_class, "REAL_32", 4);

static const Registration array_registrations[] = {
    Registration(&array_class<bool>),     Registration(&array_class<char>),   Registration(&array_class<std::int32_t>),
    Registration(&array_class<void *>),   Registration(&array_class<double>), Registration(&array_class<Object *>),
    Registration(&array_class<String *>), Registration(&array_class<Guid *>),
};

// ---- GUID, RECT, POINT ----

ZO_CLASS(Guid, "GUID", c)
{
    ZO_ATTRIBUTES(c, data1);
}

ZO_CLASS(Rect, "RECT", c)
{
    ZO_ATTRIBUTES(c, left, top, right, bottom);
}

ZO_CLASS(Point, "POINT", c)
{
    ZO_ATTRIBUTES(c, x, y);
}

} // namespace zo
