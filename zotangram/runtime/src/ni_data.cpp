// The string and array slots of the native interface table.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "ni_access.hpp"
#include "zo/heap.hpp"

namespace zo::ni {

String *string_of(jobject handle)
{
    Object *object = object_of(handle);
    const bool is_string = object && object->dynamic_class().conforms_to(String::zo_class());
    set_status(is_string);
    return is_string ? static_cast<String *>(object) : nullptr;
}

Array *array_of(jobject handle)
{
    Object *object = object_of(handle);
    const bool is_array = object && object->dynamic_class().is_array();
    set_status(is_array);
    return is_array ? static_cast<Array *>(object) : nullptr;
}

namespace {

// The buffers handed out and not yet released, with their element counts:
// a release copies back no more than the buffer holds and frees only what
// the table allocated.
class Buffers {
public:
    template <class J>
    J *allocate(std::size_t count)
    {
        void *buffer = std::calloc(std::max<std::size_t>(count, 1), sizeof(J));
        if (buffer)
            counts_[buffer] = count;
        return static_cast<J *>(buffer);
    }

    // The element count of a buffer of the table; false for any other pointer.
    bool owns(const void *buffer, std::size_t &count) const
    {
        auto found = counts_.find(const_cast<void *>(buffer));
        if (found == counts_.end())
            return false;
        count = found->second;
        return true;
    }

    std::size_t open() const { return counts_.size(); }

    void release(const void *buffer)
    {
        if (counts_.erase(const_cast<void *>(buffer)))
            std::free(const_cast<void *>(buffer));
    }

private:
    std::unordered_map<void *, std::size_t> counts_;
};

Buffers &buffers()
{
    static Buffers *instance = new Buffers();
    return *instance;
}

void mark_copy(jboolean *is_copy)
{
    if (is_copy)
        *is_copy = JNI_TRUE;
}

// ---- Strings ----

jstring new_string_handle(std::string_view text)
{
    return static_cast<jstring>(handle_of(make_string(text)));
}

jstring JNICALL new_string(JNIEnv *, const jchar *units, jsize length)
{
    const bool valid = length >= 0 && (units || length == 0);
    set_status(valid);
    if (!valid)
        return nullptr;
    std::string text(static_cast<std::size_t>(length), '\0');
    std::transform(units, units + length, text.begin(), [](jchar unit) { return static_cast<char>(unit & 0xFF); });
    return new_string_handle(text);
}

jsize JNICALL get_string_length(JNIEnv *, jstring handle)
{
    const String *string = string_of(handle);
    return string ? static_cast<jsize>(string->length()) : 0;
}

// A copy of the characters, each widened to one unit, then a zero unit.
template <class Unit>
const Unit *JNICALL get_string_units(JNIEnv *, jstring handle, jboolean *is_copy)
{
    const String *string = string_of(handle);
    if (!string)
        return nullptr;
    const std::string_view text = string->text();
    Unit *units = buffers().allocate<Unit>(text.size() + 1);
    std::transform(text.begin(), text.end(), units,
                   [](char c) { return static_cast<Unit>(static_cast<unsigned char>(c)); });
    mark_copy(is_copy);
    return units;
}

template <class Unit>
void JNICALL release_string_buffer(JNIEnv *, jstring, const Unit *buffer)
{
    buffers().release(buffer);
}

jstring JNICALL new_string_utf(JNIEnv *, const char *text)
{
    return text ? new_string_handle(text) : nullptr;
}

// ---- Object arrays ----

jsize JNICALL get_array_length(JNIEnv *, jarray handle)
{
    const Array *array = array_of(handle);
    return array ? static_cast<jsize>(array->length()) : 0;
}

jobjectArray JNICALL new_object_array(JNIEnv *, jsize length, jclass element_handle, jobject initial)
{
    const ClassInfo *element = class_of(element_handle);
    if (!element)
        return nullptr;
    const std::string name = "ARRAY[" + element->name() + "]";
    const ClassInfo *cls = Registry::instance().by_name(name.c_str());
    const bool valid = cls && cls->is_array() && cls->array_layout().element.storage == Storage::Reference &&
                       length >= 0 && is_acceptable_reference(initial, cls->array_layout().element.kind_class());
    set_status(valid);
    if (!valid)
        return nullptr;
    Array *array = make<Array>(*cls, static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < array->length(); ++i)
        array->set_reference(i, reinterpret_cast<Object *>(initial));
    return static_cast<jobjectArray>(handle_of(array));
}

jobject JNICALL get_object_array_element(JNIEnv *, jobjectArray handle, jsize index)
{
    const Array *array = array_of(handle);
    const bool valid =
        array && array->holds_references() && index >= 0 && array->element(static_cast<std::size_t>(index));
    set_status(valid);
    return valid ? handle_of(array->reference(static_cast<std::size_t>(index))) : nullptr;
}

void JNICALL set_object_array_element(JNIEnv *, jobjectArray handle, jsize index, jobject value)
{
    if (Array *array = array_of(handle))
        set_status(index >= 0 &&
                   array->set_reference(static_cast<std::size_t>(index), reinterpret_cast<Object *>(value)));
}

// ---- Primitive arrays ----

template <class J>
const ClassInfo &primitive_array_class()
{
    if constexpr (std::is_same_v<J, jboolean>)
        return array_class<bool>();
    else if constexpr (std::is_same_v<J, jbyte>)
        return array_class<char>();
    else if constexpr (std::is_same_v<J, jchar> || std::is_same_v<J, jshort>)
        return integer_16_array_class();
    else if constexpr (std::is_same_v<J, jint>)
        return array_class<std::int32_t>();
    else if constexpr (std::is_same_v<J, jlong>)
        return integer_64_array_class();
    else if constexpr (std::is_same_v<J, jfloat>)
        return real_32_array_class();
    else
        return array_class<double>();
}

// The array when its elements are J wide (sets the status); writes also refuse arrays of references.
template <class J>
Array *primitive_array(jarray handle, bool for_writing)
{
    Array *array = array_of(handle);
    const bool valid = array && array->element_size() == sizeof(J) && !(for_writing && array->holds_references());
    set_status(valid);
    return valid ? array : nullptr;
}

template <class J, class A>
A JNICALL new_array(JNIEnv *, jsize length)
{
    set_status(length >= 0);
    if (length < 0)
        return nullptr;
    return static_cast<A>(handle_of(make<Array>(primitive_array_class<J>(), static_cast<std::size_t>(length))));
}

template <class J, class A>
J *JNICALL get_elements(JNIEnv *, A handle, jboolean *is_copy)
{
    const Array *array = primitive_array<J>(handle, false);
    if (!array)
        return nullptr;
    J *elements = buffers().allocate<J>(array->length());
    if (array->length())
        std::memcpy(elements, array->element(0), array->length() * sizeof(J));
    mark_copy(is_copy);
    return elements;
}

template <class J, class A>
void JNICALL release_elements(JNIEnv *, A handle, J *elements, jint mode)
{
    std::size_t count = 0;
    if (!buffers().owns(elements, count))
        return;
    if (mode == 0 || mode == JNI_COMMIT) {
        Array *array = primitive_array<J>(handle, true);
        const std::size_t copied = array ? std::min(count, array->length()) : 0;
        if (copied)
            std::memcpy(array->element(0), elements, copied * sizeof(J));
    }
    if (mode != JNI_COMMIT)
        buffers().release(elements);
}

// The elements [start, start + length) of an array of J, null when outside (sets the status).
template <class J>
std::byte *region(jarray handle, jsize start, jsize length, bool for_writing)
{
    Array *array = primitive_array<J>(handle, for_writing);
    if (!array)
        return nullptr;
    const bool inside = start >= 0 && length >= 0 &&
                        static_cast<std::size_t>(start) + static_cast<std::size_t>(length) <= array->length();
    set_status(inside);
    return inside ? array->element(0) + static_cast<std::size_t>(start) * sizeof(J) : nullptr;
}

template <class J, class A>
void JNICALL get_region(JNIEnv *, A handle, jsize start, jsize length, J *buffer)
{
    if (std::byte *place = region<J>(handle, start, length, false); place && length)
        std::memcpy(buffer, place, static_cast<std::size_t>(length) * sizeof(J));
}

template <class J, class A>
void JNICALL set_region(JNIEnv *, A handle, jsize start, jsize length, const J *buffer)
{
    if (std::byte *place = region<J>(handle, start, length, true); place && length)
        std::memcpy(place, buffer, static_cast<std::size_t>(length) * sizeof(J));
}

} // namespace

#define ZO_ARRAY_SLOTS(Type, J, A)                                                                                     \
    table.New##Type##Array = &new_array<J, A>;                                                                         \
    table.Get##Type##ArrayElements = &get_elements<J, A>;                                                              \
    table.Release##Type##ArrayElements = &release_elements<J, A>;                                                      \
    table.Get##Type##ArrayRegion = &get_region<J, A>;                                                                  \
    table.Set##Type##ArrayRegion = &set_region<J, A>

void fill_data_slots(JNINativeInterface_ &table)
{
    table.NewString = &new_string;
    table.GetStringLength = &get_string_length;
    table.GetStringChars = &get_string_units<jchar>;
    table.ReleaseStringChars = &release_string_buffer<jchar>;
    table.NewStringUTF = &new_string_utf;
    table.GetStringUTFLength = &get_string_length;
    table.GetStringUTFChars = &get_string_units<char>;
    table.ReleaseStringUTFChars = &release_string_buffer<char>;
    table.GetArrayLength = &get_array_length;
    table.NewObjectArray = &new_object_array;
    table.GetObjectArrayElement = &get_object_array_element;
    table.SetObjectArrayElement = &set_object_array_element;
    ZO_ARRAY_SLOTS(Boolean, jboolean, jbooleanArray);
    ZO_ARRAY_SLOTS(Byte, jbyte, jbyteArray);
    ZO_ARRAY_SLOTS(Char, jchar, jcharArray);
    ZO_ARRAY_SLOTS(Short, jshort, jshortArray);
    ZO_ARRAY_SLOTS(Int, jint, jintArray);
    ZO_ARRAY_SLOTS(Long, jlong, jlongArray);
    ZO_ARRAY_SLOTS(Float, jfloat, jfloatArray);
    ZO_ARRAY_SLOTS(Double, jdouble, jdoubleArray);
}

#undef ZO_ARRAY_SLOTS

} // namespace zo::ni

extern "C" size_t zo_open_table_buffers(void)
{
    return zo::ni::buffers().open();
}
