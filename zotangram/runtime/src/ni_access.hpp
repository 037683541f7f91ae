// What the families of the native interface table share: the lookup
// status, handle checks and the value conversions of the JNI types.
#ifndef ZO_NI_ACCESS_HPP
#define ZO_NI_ACCESS_HPP

#include <jni.h>

#include <cstdint>
#include <type_traits>

#include "zo/builtin.hpp"
#include "zo/class_info.hpp"

namespace zo::ni {

// The outcome of the last lookup or handle check; ExceptionOccurred reports it.
void set_status(bool succeeded);
bool status();

// A non-void object handle (sets the status).
Object *object_of(jobject handle);
// A class handle of the table (sets the status).
const ClassInfo *class_of(jclass handle);

inline jobject handle_of(const Object *object)
{
    return reinterpret_cast<jobject>(const_cast<Object *>(object));
}

inline jclass handle_of(const ClassInfo &cls)
{
    return reinterpret_cast<jclass>(static_cast<std::uintptr_t>(cls.number()));
}

// The object as an instance of a class of the given shape, or null (sets the status).
String *string_of(jobject handle);
Array *array_of(jobject handle);

// An address as a 32-bit handle; 0 with failure when it does not fit.
inline jint handle_bits(const Scalar &value)
{
    if (!value.is_address())
        return static_cast<jint>(static_cast<std::int32_t>(value.as_integer()));
    if (!value.fits_32_bits()) {
        set_status(false);
        return 0;
    }
    return static_cast<jint>(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(value.as_address())));
}

// What a Get<Type>Field answers for a stored value.
template <class J>
J field_value(const Scalar &value)
{
    if constexpr (std::is_same_v<J, jobject>)
        return value.storage() == Storage::Reference ? static_cast<jobject>(value.as_address()) : nullptr;
    else if constexpr (std::is_same_v<J, jfloat> || std::is_same_v<J, jdouble>)
        return static_cast<J>(value.as_real());
    else if constexpr (std::is_same_v<J, jint> || std::is_same_v<J, jlong>)
        return static_cast<J>(handle_bits(value));
    else if constexpr (std::is_same_v<J, jchar>) // one byte, sign-extended to 16 bits
        return static_cast<jchar>(static_cast<jshort>(static_cast<jbyte>(value.as_integer())));
    else
        return static_cast<J>(value.as_integer());
}

// What a Call<Type>Method answers for a routine's result.
template <class J>
J call_result(const Scalar &value)
{
    if constexpr (std::is_same_v<J, jchar>)
        return static_cast<jchar>(value.as_integer());
    else
        return field_value<J>(value);
}

// The value a Set<Type>Field is given.
template <class J>
Scalar scalar_of(J value)
{
    if constexpr (std::is_same_v<J, jobject>)
        return Scalar::address(value, Storage::Reference);
    else if constexpr (std::is_same_v<J, jfloat> || std::is_same_v<J, jdouble>)
        return Scalar::real(value);
    else
        return Scalar::integer(value);
}

// Fills the string and array slots of the table.
void fill_data_slots(JNINativeInterface_ &table);

} // namespace zo::ni

#endif
