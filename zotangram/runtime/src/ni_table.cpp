// The native interface table: classes, objects, fields, routine calls and
// the slots that answer nothing; strings and arrays are in ni_data.cpp.
#include "zo/ni_table.h"

#include <array>
#include <cstdarg>
#include <string>

#include "ni_access.hpp"
#include "zo/exception.hpp"
#include "zo/heap.hpp"

namespace zo::ni {
namespace {

bool g_status = false;

// ExceptionOccurred answers this text's address after a failed lookup.
const char kNoneMarker[] = "none";

const char *name_of(const void *id)
{
    return static_cast<const char *>(id);
}

} // namespace

void set_status(bool succeeded)
{
    g_status = succeeded;
}

bool status()
{
    return g_status;
}

Object *object_of(jobject handle)
{
    set_status(handle != nullptr);
    return reinterpret_cast<Object *>(handle);
}

const ClassInfo *class_of(jclass handle)
{
    const ClassInfo *cls = Registry::instance().by_handle(reinterpret_cast<std::uintptr_t>(handle));
    set_status(cls != nullptr);
    return cls;
}

namespace {

// ---- Version, classes, exceptions, references ----

jint JNICALL get_version(JNIEnv *)
{
    return ZO_TABLE_VERSION;
}

jclass JNICALL define_class(JNIEnv *, const char *, jobject, const jbyte *, jsize)
{
    return nullptr;
}

jclass JNICALL find_class(JNIEnv *, const char *name)
{
    const ClassInfo *cls = name ? Registry::instance().by_name(name) : nullptr;
    set_status(cls != nullptr);
    return cls ? handle_of(*cls) : nullptr;
}

jclass JNICALL get_superclass(JNIEnv *, jclass)
{
    return nullptr;
}

jboolean JNICALL is_assignable_from(JNIEnv *, jclass sub, jclass super)
{
    const ClassInfo *from = class_of(sub);
    const ClassInfo *to = from ? class_of(super) : nullptr;
    return from && to && from->conforms_to(*to);
}

jint JNICALL throw_object(JNIEnv *, jthrowable object)
{
    throw Exception(kTableExceptionCode, "", reinterpret_cast<Object *>(object));
}

jint JNICALL throw_new(JNIEnv *, jclass, const char *message)
{
    throw Exception(kTableExceptionCode, message ? message : "");
}

void JNICALL fatal_error(JNIEnv *, const char *message)
{
    throw Exception(kTableExceptionCode, message ? message : "");
}

jthrowable JNICALL exception_occurred(JNIEnv *)
{
    return status() ? nullptr : reinterpret_cast<jthrowable>(const_cast<char *>(kNoneMarker));
}

void JNICALL exception_nothing(JNIEnv *) {}

jobject JNICALL new_global_ref(JNIEnv *, jobject handle)
{
    if (Object *object = object_of(handle))
        Heap::instance().keep(*object);
    return handle;
}

void JNICALL delete_global_ref(JNIEnv *, jobject handle)
{
    if (Object *object = object_of(handle))
        Heap::instance().release(*object);
}

// Handles are no local references: giving one back changes nothing.
void JNICALL delete_local_ref(JNIEnv *, jobject) {}

jboolean JNICALL is_same_object(JNIEnv *, jobject a, jobject b)
{
    return a == b;
}

jobject JNICALL alloc_object(JNIEnv *, jclass handle)
{
    const ClassInfo *cls = class_of(handle);
    return cls ? handle_of(make_of(*cls)) : nullptr;
}

jclass JNICALL get_object_class(JNIEnv *, jobject handle)
{
    const Object *object = object_of(handle);
    return object ? handle_of(object->dynamic_class()) : nullptr;
}

jboolean JNICALL is_instance_of(JNIEnv *, jobject handle, jclass cls_handle)
{
    const Object *object = object_of(handle);
    const ClassInfo *cls = object ? class_of(cls_handle) : nullptr;
    return cls && object->dynamic_class().conforms_to(*cls);
}

// ---- Fields ----

jfieldID JNICALL get_field_id(JNIEnv *, jclass handle, const char *name, const char *signature)
{
    const ClassInfo *cls = class_of(handle);
    const Attribute *attribute = cls ? cls->find_attribute(name) : nullptr;
    set_status(attribute != nullptr);
    if (!attribute)
        return nullptr;
    char letter = 'I';
    switch (attribute->formal.storage) {
    case Storage::Boolean: letter = 'Z'; break;
    case Storage::Character: letter = 'B'; break;
    case Storage::Real:
    case Storage::Double: letter = 'D'; break;
    default: break;
    }
    // The caller passes writable storage; a letter that is already right is left alone.
    if (signature && signature[0] != letter)
        const_cast<char *>(signature)[0] = letter;
    return reinterpret_cast<jfieldID>(const_cast<char *>(name));
}

// The attribute named by a field ID in the object's own class (sets the status).
const Attribute *field_of(jobject handle, jfieldID id, Object *&object)
{
    object = object_of(handle);
    const Attribute *attribute = object ? object->dynamic_class().find_attribute(name_of(id)) : nullptr;
    set_status(attribute != nullptr);
    return attribute;
}

template <class J>
J JNICALL get_field(JNIEnv *, jobject handle, jfieldID id)
{
    Object *object;
    const Attribute *attribute = field_of(handle, id, object);
    return attribute ? field_value<J>(attribute->read(object)) : J();
}

template <class J>
void JNICALL set_field(JNIEnv *, jobject handle, jfieldID id, J value)
{
    Object *object;
    if (const Attribute *attribute = field_of(handle, id, object))
        set_status(attribute->write(object, scalar_of<J>(value)));
}

// ---- Routine calls ----

jmethodID JNICALL get_method_id(JNIEnv *, jclass handle, const char *name, const char *)
{
    const ClassInfo *cls = class_of(handle);
    const Routine *routine = cls ? cls->find_routine(name) : nullptr;
    set_status(routine != nullptr);
    return routine ? reinterpret_cast<jmethodID>(const_cast<char *>(name)) : nullptr;
}

const Routine *routine_of(const Object &object, jmethodID id)
{
    const Routine *routine = object.dynamic_class().find_routine(name_of(id));
    set_status(routine != nullptr);
    return routine;
}

// One actual argument from the caller's slot, by the formal's kind.
Scalar argument_of(const Formal &formal, const jvalue &slot)
{
    switch (formal.storage) {
    case Storage::Boolean: return Scalar::integer(static_cast<unsigned char>(slot.z), Storage::Boolean);
    case Storage::Character: return Scalar::integer(static_cast<signed char>(slot.b), Storage::Character);
    case Storage::Real:
    case Storage::Double: return Scalar::real(slot.d, formal.storage);
    case Storage::Pointer:
    case Storage::Reference: return Scalar::address(slot.l, formal.storage);
    default: return Scalar::integer(slot.i);
    }
}

// Calls the routine named by id on the object; false when it cannot be called.
bool invoke(jobject handle, jmethodID id, const jvalue *slots, Scalar &result)
{
    Object *target = object_of(handle);
    const Routine *routine = target ? routine_of(*target, id) : nullptr;
    if (!routine)
        return false;
    std::array<Scalar, Routine::kMaxArguments> arguments;
    const std::size_t count = routine->arguments.size();
    if (count && !slots) {
        set_status(false);
        return false;
    }
    Pins pins; // a collection inside the routine keeps what it was given
    pins.add(target);
    for (std::size_t i = 0; i < count; ++i) {
        const Formal &formal = routine->arguments[i];
        arguments[i] = argument_of(formal, slots[i]);
        if (formal.storage != Storage::Reference)
            continue;
        if (!is_acceptable_reference(arguments[i].as_address(), formal.kind_class())) {
            set_status(false);
            return false;
        }
        pins.add(static_cast<Object *>(arguments[i].as_address()));
    }
    result = routine->invoke(target, arguments.data());
    return true;
}

// The caller's variable arguments as slots, read by the routine's formal kinds.
std::array<jvalue, Routine::kMaxArguments> read_variadic(const Routine &routine, va_list arguments)
{
    std::array<jvalue, Routine::kMaxArguments> slots{};
    for (std::size_t i = 0; i < routine.arguments.size(); ++i) {
        switch (routine.arguments[i].storage) {
        case Storage::Boolean:
        case Storage::Character: slots[i].b = static_cast<jbyte>(va_arg(arguments, int)); break;
        case Storage::Real:
        case Storage::Double: slots[i].d = va_arg(arguments, double); break;
        case Storage::Pointer:
        case Storage::Reference: slots[i].l = static_cast<jobject>(va_arg(arguments, void *)); break;
        default: slots[i].i = va_arg(arguments, jint); break;
        }
    }
    return slots;
}

template <class J>
J JNICALL call_a(JNIEnv *, jobject handle, jmethodID id, const jvalue *slots)
{
    Scalar result;
    const bool called = invoke(handle, id, slots, result);
    if constexpr (!std::is_void_v<J>)
        return called ? call_result<J>(result) : J();
}

template <class J>
J JNICALL call_v(JNIEnv *env, jobject handle, jmethodID id, va_list arguments)
{
    Object *target = object_of(handle);
    const Routine *routine = target ? routine_of(*target, id) : nullptr;
    if (!routine)
        return J();
    const auto slots = read_variadic(*routine, arguments);
    return call_a<J>(env, handle, id, slots.data());
}

template <class J>
J JNICALL call(JNIEnv *env, jobject handle, jmethodID id, ...)
{
    va_list arguments;
    va_start(arguments, id);
    if constexpr (std::is_void_v<J>) {
        call_v<J>(env, handle, id, arguments);
        va_end(arguments);
    } else {
        const J result = call_v<J>(env, handle, id, arguments);
        va_end(arguments);
        return result;
    }
}

jobject JNICALL new_object_a(JNIEnv *env, jclass cls, jmethodID id, const jvalue *slots)
{
    jobject object = alloc_object(env, cls);
    if (object)
        call_a<void>(env, object, id, slots);
    return object;
}

jobject JNICALL new_object_v(JNIEnv *env, jclass cls, jmethodID id, va_list arguments)
{
    jobject object = alloc_object(env, cls);
    if (object)
        call_v<void>(env, object, id, arguments);
    return object;
}

jobject JNICALL new_object(JNIEnv *env, jclass cls, jmethodID id, ...)
{
    va_list arguments;
    va_start(arguments, id);
    jobject object = new_object_v(env, cls, id, arguments);
    va_end(arguments);
    return object;
}

// ---- Members the application does not have: non-virtual and static calls, static fields ----

template <class J>
J JNICALL nonvirtual_call(JNIEnv *, jobject, jclass, jmethodID, ...)
{
    return J();
}

template <class J>
J JNICALL nonvirtual_call_v(JNIEnv *, jobject, jclass, jmethodID, va_list)
{
    return J();
}

template <class J>
J JNICALL nonvirtual_call_a(JNIEnv *, jobject, jclass, jmethodID, const jvalue *)
{
    return J();
}

template <class J>
J JNICALL static_call(JNIEnv *, jclass, jmethodID, ...)
{
    return J();
}

template <class J>
J JNICALL static_call_v(JNIEnv *, jclass, jmethodID, va_list)
{
    return J();
}

template <class J>
J JNICALL static_call_a(JNIEnv *, jclass, jmethodID, const jvalue *)
{
    return J();
}

template <class J>
J JNICALL get_static_field(JNIEnv *, jclass, jfieldID)
{
    return J();
}

template <class J>
void JNICALL set_static_field(JNIEnv *, jclass, jfieldID, J)
{}

// A static lookup never finds anything.
template <class Id>
Id JNICALL get_static_id(JNIEnv *, jclass, const char *, const char *)
{
    set_status(false);
    return nullptr;
}

// ---- Natives, monitors, the virtual machine ----

jint JNICALL register_natives(JNIEnv *, jclass, const JNINativeMethod *, jint)
{
    return 0;
}

jint JNICALL unregister_natives(JNIEnv *, jclass)
{
    return 0;
}

jint JNICALL monitor(JNIEnv *, jobject)
{
    return 0;
}

jint JNICALL get_java_vm(JNIEnv *, JavaVM **)
{
    return 0;
}

// ---- The table ----

#define ZO_CALL_SLOTS(Type, J)                                                                                         \
    table.Call##Type##Method = &call<J>;                                                                               \
    table.Call##Type##MethodV = &call_v<J>;                                                                            \
    table.Call##Type##MethodA = &call_a<J>;                                                                            \
    table.CallNonvirtual##Type##Method = &nonvirtual_call<J>;                                                          \
    table.CallNonvirtual##Type##MethodV = &nonvirtual_call_v<J>;                                                       \
    table.CallNonvirtual##Type##MethodA = &nonvirtual_call_a<J>;                                                       \
    table.CallStatic##Type##Method = &static_call<J>;                                                                  \
    table.CallStatic##Type##MethodV = &static_call_v<J>;                                                               \
    table.CallStatic##Type##MethodA = &static_call_a<J>

#define ZO_FIELD_SLOTS(Type, J)                                                                                        \
    ZO_CALL_SLOTS(Type, J);                                                                                            \
    table.Get##Type##Field = &get_field<J>;                                                                            \
    table.Set##Type##Field = &set_field<J>;                                                                            \
    table.GetStatic##Type##Field = &get_static_field<J>;                                                               \
    table.SetStatic##Type##Field = &set_static_field<J>

JNINativeInterface_ build_table()
{
    JNINativeInterface_ table{}; // reserved slots and those after JNI 1.1 stay null
    table.GetVersion = &get_version;
    table.DefineClass = &define_class;
    table.FindClass = &find_class;
    table.GetSuperclass = &get_superclass;
    table.IsAssignableFrom = &is_assignable_from;
    table.Throw = &throw_object;
    table.ThrowNew = &throw_new;
    table.ExceptionOccurred = &exception_occurred;
    table.ExceptionDescribe = &exception_nothing;
    table.ExceptionClear = &exception_nothing;
    table.FatalError = &fatal_error;
    table.NewGlobalRef = &new_global_ref;
    table.DeleteGlobalRef = &delete_global_ref;
    table.DeleteLocalRef = &delete_local_ref;
    table.IsSameObject = &is_same_object;
    table.AllocObject = &alloc_object;
    table.NewObject = &new_object;
    table.NewObjectV = &new_object_v;
    table.NewObjectA = &new_object_a;
    table.GetObjectClass = &get_object_class;
    table.IsInstanceOf = &is_instance_of;
    table.GetMethodID = &get_method_id;
    table.GetFieldID = &get_field_id;
    table.GetStaticMethodID = &get_static_id<jmethodID>;
    table.GetStaticFieldID = &get_static_id<jfieldID>;
    ZO_FIELD_SLOTS(Object, jobject);
    ZO_FIELD_SLOTS(Boolean, jboolean);
    ZO_FIELD_SLOTS(Byte, jbyte);
    ZO_FIELD_SLOTS(Char, jchar);
    ZO_FIELD_SLOTS(Short, jshort);
    ZO_FIELD_SLOTS(Int, jint);
    ZO_FIELD_SLOTS(Long, jlong);
    ZO_FIELD_SLOTS(Float, jfloat);
    ZO_FIELD_SLOTS(Double, jdouble);
    ZO_CALL_SLOTS(Void, void);
    fill_data_slots(table);
    table.RegisterNatives = &register_natives;
    table.UnregisterNatives = &unregister_natives;
    table.MonitorEnter = &monitor;
    table.MonitorExit = &monitor;
    table.GetJavaVM = &get_java_vm;
    return table;
}

#undef ZO_FIELD_SLOTS
#undef ZO_CALL_SLOTS

} // namespace
} // namespace zo::ni

extern "C" JNIEnv *zo_native_interface(void)
{
    static const JNINativeInterface_ table = zo::ni::build_table();
    static JNIEnv environment = [] {
        JNIEnv env{};
        env.functions = &table;
        return env;
    }();
    return &environment;
}
