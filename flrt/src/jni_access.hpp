// Typed field and routine access through the native interface table, chosen
// by the JNI type letter of a signature.
#ifndef FLRT_JNI_ACCESS_HPP
#define FLRT_JNI_ACCESS_HPP

#include <jni.h>

namespace flrt {

using Table = JNINativeInterface_;

// Table slots (pointers to members of the function table) of one field type.
template <class Get, class GetStatic, class Set, class SetStatic, class Member>
struct FieldAccess {
    Get get;
    GetStatic get_static;
    Set set;
    SetStatic set_static;
    Member member;
};

#define FLRT_FIELD_ACCESS(Type, member)                                                                                \
    FieldAccess                                                                                                        \
    {                                                                                                                  \
        &Table::Get##Type##Field, &Table::GetStatic##Type##Field, &Table::Set##Type##Field,                            \
            &Table::SetStatic##Type##Field, &jvalue::member                                                            \
    }

// Calls visit(access) with the field access of the type letter; false for an unknown letter.
template <class Visit>
bool with_field_access(char letter, Visit &&visit)
{
    switch (letter) {
    case 'L':
    case '[': visit(FLRT_FIELD_ACCESS(Object, l)); return true;
    case 'B': visit(FLRT_FIELD_ACCESS(Byte, b)); return true;
    case 'C': visit(FLRT_FIELD_ACCESS(Char, c)); return true;
    case 'I': visit(FLRT_FIELD_ACCESS(Int, i)); return true;
    case 'S': visit(FLRT_FIELD_ACCESS(Short, s)); return true;
    case 'Z': visit(FLRT_FIELD_ACCESS(Boolean, z)); return true;
    case 'F': visit(FLRT_FIELD_ACCESS(Float, f)); return true;
    case 'D': visit(FLRT_FIELD_ACCESS(Double, d)); return true;
    case 'J': visit(FLRT_FIELD_ACCESS(Long, j)); return true;
    }
    return false;
}

#undef FLRT_FIELD_ACCESS

// Table slots of one routine result type.
template <class Call, class CallStatic, class Member>
struct CallAccess {
    Call call;
    CallStatic call_static;
    Member member;
};

#define FLRT_CALL_ACCESS(Type, member)                                                                                 \
    CallAccess                                                                                                         \
    {                                                                                                                  \
        &Table::Call##Type##MethodA, &Table::CallStatic##Type##MethodA, &jvalue::member                                \
    }

// Calls visit(access) with the call access of a result letter other than 'V'.
template <class Visit>
bool with_call_access(char letter, Visit &&visit)
{
    switch (letter) {
    case 'L':
    case '[': visit(FLRT_CALL_ACCESS(Object, l)); return true;
    case 'B': visit(FLRT_CALL_ACCESS(Byte, b)); return true;
    case 'C': visit(FLRT_CALL_ACCESS(Char, c)); return true;
    case 'I': visit(FLRT_CALL_ACCESS(Int, i)); return true;
    case 'S': visit(FLRT_CALL_ACCESS(Short, s)); return true;
    case 'Z': visit(FLRT_CALL_ACCESS(Boolean, z)); return true;
    case 'F': visit(FLRT_CALL_ACCESS(Float, f)); return true;
    case 'D': visit(FLRT_CALL_ACCESS(Double, d)); return true;
    case 'J': visit(FLRT_CALL_ACCESS(Long, j)); return true;
    }
    return false;
}

#undef FLRT_CALL_ACCESS

} // namespace flrt

#endif
