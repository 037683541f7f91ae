// Typed field and routine access through the native interface table, chosen
// by the JNI type letter of a signature.
#ifndef FLRT_JNI_ACCESS_HPP
#define FLRT_JNI_ACCESS_HPP

#include <jni.h>

namespace flrt {

using Table = JNINativeInterface_;

// The table slots (pointers to members of the function table) of one JNI
// type: its field reads and writes, its routine calls, and its member of jvalue.
#define FLRT_JNI_TYPE(Type, field)                                                                                     \
    struct Type##Slots {                                                                                               \
        static constexpr auto get = &Table::Get##Type##Field;                                                          \
        static constexpr auto get_static = &Table::GetStatic##Type##Field;                                             \
        static constexpr auto set = &Table::Set##Type##Field;                                                          \
        static constexpr auto set_static = &Table::SetStatic##Type##Field;                                             \
        static constexpr auto call = &Table::Call##Type##MethodA;                                                      \
        static constexpr auto call_static = &Table::CallStatic##Type##MethodA;                                         \
        static constexpr auto member = &jvalue::field;                                                                 \
    };

FLRT_JNI_TYPE(Object, l)
FLRT_JNI_TYPE(Byte, b)
FLRT_JNI_TYPE(Char, c)
FLRT_JNI_TYPE(Int, i)
FLRT_JNI_TYPE(Short, s)
FLRT_JNI_TYPE(Boolean, z)
FLRT_JNI_TYPE(Float, f)
FLRT_JNI_TYPE(Double, d)
FLRT_JNI_TYPE(Long, j)

#undef FLRT_JNI_TYPE

// Calls visit(Slots{}) with the slots of the type letter of a signature
// (objects and arrays alike); false for an unknown letter (and for 'V').
template <class Visit>
bool with_jni_type(char letter, Visit &&visit)
{
    switch (letter) {
    case 'L':
    case '[': visit(ObjectSlots{}); return true;
    case 'B': visit(ByteSlots{}); return true;
    case 'C': visit(CharSlots{}); return true;
    case 'I': visit(IntSlots{}); return true;
    case 'S': visit(ShortSlots{}); return true;
    case 'Z': visit(BooleanSlots{}); return true;
    case 'F': visit(FloatSlots{}); return true;
    case 'D': visit(DoubleSlots{}); return true;
    case 'J': visit(LongSlots{}); return true;
    }
    return false;
}

} // namespace flrt

#endif
