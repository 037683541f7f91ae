// The classes every program has: STRING, the ARRAY classes, the boxed basic
// kinds, GUID, RECT and POINT.
#ifndef ZO_BUILTIN_HPP
#define ZO_BUILTIN_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "zo/class_info.hpp"
#include "zo/heap.hpp"

namespace zo {

// A text of 8-bit characters: `area` holds them, `count` says how many.
class String : public Object {
    ZO_OBJECT(String, Object)
    String() { point_area(); }
    explicit String(std::string_view text);
    String(const String &other);
    String &operator=(const String &other);

    std::string_view text() const { return {storage_.data(), length()}; }
    void set_text(std::string_view text);
    // `count`, kept within the storage whatever was written into it.
    std::size_t length() const;

    void *area = nullptr;
    std::int32_t count = 0;

private:
    void point_area() { area = storage_.data(); }
    std::vector<char> storage_ = std::vector<char>(1, '\0'); // the characters and a closing zero
};

// An array of any ARRAY[...] class: `count` elements of `size_item` bytes
// each, contiguous in `area`; `lower` is the index of the first element as
// the application numbers them.
class Array : public Object {
public:
    explicit Array(const ClassInfo &cls, std::size_t count = 0, std::int32_t lower = 1);
    Array(const Array &other);
    Array &operator=(const Array &other);

    const ClassInfo &class_info() const override { return *class_; }
    std::unique_ptr<Object> copy_state() const override { return std::make_unique<Array>(*this); }
    void restore_state(const Object &saved) override { *this = static_cast<const Array &>(saved); }

    std::size_t length() const;
    std::size_t element_size() const { return layout().element_size; }
    bool holds_references() const { return layout().element.storage == Storage::Reference; }
    void resize(std::size_t count);

    // Storage element i counted from 0; null outside the array.
    std::byte *element(std::size_t index);
    const std::byte *element(std::size_t index) const;

    Object *reference(std::size_t index) const;
    // False, storing nothing, for an index outside or an object of a class the elements do not conform to.
    bool set_reference(std::size_t index, Object *object);

    template <class E>
    E get(std::size_t index) const
    {
        static_assert(std::is_trivially_copyable_v<E>);
        E value{};
        if (const std::byte *place = element(index); place && sizeof(E) == element_size())
            std::memcpy(&value, place, sizeof value);
        return value;
    }

    template <class E>
    void put(std::size_t index, E value)
    {
        static_assert(std::is_trivially_copyable_v<E> && !std::is_pointer_v<E>);
        if (std::byte *place = element(index); place && sizeof(E) == element_size())
            std::memcpy(place, &value, sizeof value);
    }

    void *area = nullptr;
    std::int32_t count = 0;
    std::int32_t lower = 1;
    std::int32_t size_item = 0;

private:
    const ArrayLayout &layout() const { return class_->array_layout(); }
    void point_area() { area = storage_.data(); }

    const ClassInfo *class_;
    std::vector<std::byte> storage_;
};

// One value of a basic kind as an object ("_BOOLEAN", "_INTEGER", ...): its attribute `item`.
class BoxedValue : public Object {
public:
    explicit BoxedValue(const ClassInfo &cls) : class_(&cls) {}

    const ClassInfo &class_info() const override { return *class_; }
    std::unique_ptr<Object> copy_state() const override { return std::make_unique<BoxedValue>(*this); }
    void restore_state(const Object &saved) override { *this = static_cast<const BoxedValue &>(saved); }

    // False, zero character, zero number or null pointer.
    bool is_default() const;

    bool boolean = false;
    char character = 0;
    std::int32_t integer = 0;
    void *pointer = nullptr;
    double real = 0.0;

private:
    const ClassInfo *class_;
};

// Boxed values on the heap, of the basic class that fits the C++ type.
BoxedValue *make_boxed(bool value);
BoxedValue *make_boxed(char value);
BoxedValue *make_boxed(std::int32_t value);
BoxedValue *make_boxed(void *value);
BoxedValue *make_boxed(double value);
BoxedValue *make_boxed_real(double value);

// A class identifier in the Windows layout; data1 is an attribute, the
// narrower fields are reached from C++.
class Guid : public Object {
    ZO_OBJECT(Guid, Object)
    std::int32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

class Rect : public Object {
    ZO_OBJECT(Rect, Object)
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool contains(std::int32_t x, std::int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class Point : public Object {
    ZO_OBJECT(Point, Object)
    Point() = default;
    Point(std::int32_t x_, std::int32_t y_) : x(x_), y(y_) {}
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// ---- Array classes ----

// Declares the array class of elements of the given kind and size, named
// "ARRAY[" + element_name + "]"; answers the registered class of that name
// when there is one already.
const ClassInfo &define_array_class(const std::string &element_name, const Formal &element, std::size_t size);

// The array class of a C++ element type: an application class pointer, or
// bool, char, std::int32_t, void *, double.
template <class E>
const ClassInfo &array_class()
{
    static const ClassInfo &info = []() -> const ClassInfo & {
        const Formal element = KindOf<E>::formal();
        std::string name = element.kind().name();
        if (!name.empty() && name.front() == '_')
            name.erase(0, 1);
        return define_array_class(name, element, sizeof(E));
    }();
    return info;
}

// The classes of the element widths without an application kind (16 and
// 64-bit integers, 32-bit reals), used by the table's primitive arrays.
const ClassInfo &integer_16_array_class();
const ClassInfo &integer_64_array_class();
const ClassInfo &real_32_array_class();

template <class E>
Array *make_array(std::size_t count, std::int32_t lower = 1)
{
    return make<Array>(array_class<E>(), count, lower);
}

String *make_string(std::string_view text);

} // namespace zo

#endif
