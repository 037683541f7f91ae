#include "test_table.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace fltest {

TestClass &TestClass::field(const std::string &name, Kind kind, const std::string &signature)
{
    attributes.push_back({name, kind, signature});
    return *this;
}

TestClass &TestClass::static_field(const std::string &name, Kind kind, const std::string &signature)
{
    static_attributes.push_back({name, kind, signature});
    return *this;
}

TestClass &TestClass::routine(const std::string &name, const std::string &signature, Routine body)
{
    routines.push_back({name, signature, std::move(body)});
    return *this;
}

TestClass &TestClass::static_routine(const std::string &name, const std::string &signature, Routine body)
{
    static_routines.push_back({name, signature, std::move(body)});
    return *this;
}

struct TestTable::Env : JNIEnv_ {
    TestTable *owner;
};

namespace {

// Every local reference any JVM-like table made: a handle is looked up, never read, to tell.
std::set<const void *> &local_reference_handles()
{
    static std::set<const void *> handles;
    return handles;
}

bool is_local_reference(const void *handle)
{
    return handle && local_reference_handles().count(handle) != 0;
}

} // namespace

TestObject *TestObject::from(jobject handle)
{
    if (!is_local_reference(handle))
        return reinterpret_cast<TestObject *>(handle);
    auto *reference = reinterpret_cast<TestTable::LocalReference *>(handle);
    if (!reference->alive)
        ADD_FAILURE() << "a local reference used after its frame ended or it was deleted";
    return reference->target;
}

namespace {

bool same_name(const std::string &a, const std::string &b, bool ignore_case)
{
    if (!ignore_case)
        return a == b;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
               return up(x) == up(y);
           });
}

char kind_letter(Kind kind)
{
    switch (kind) {
    case Kind::Boolean: return 'Z';
    case Kind::Character: return 'B';
    case Kind::Real: return 'D';
    default: return 'I';
    }
}

template <class T>
struct JType;
#define FLTEST_JTYPE(T, Name, member)                                                                                  \
    template <>                                                                                                        \
    struct JType<T> {                                                                                                  \
        static constexpr const char *name = Name;                                                                      \
        static constexpr T jvalue::*slot = &jvalue::member;                                                            \
    }
FLTEST_JTYPE(jobject, "Object", l);
FLTEST_JTYPE(jboolean, "Boolean", z);
FLTEST_JTYPE(jbyte, "Byte", b);
FLTEST_JTYPE(jchar, "Char", c);
FLTEST_JTYPE(jshort, "Short", s);
FLTEST_JTYPE(jint, "Int", i);
FLTEST_JTYPE(jlong, "Long", j);
FLTEST_JTYPE(jfloat, "Float", f);
FLTEST_JTYPE(jdouble, "Double", d);
#undef FLTEST_JTYPE

} // namespace

// The behaviour behind every table function.
struct TestTable::Access {
    static TestTable &of(JNIEnv *env) { return *static_cast<Env *>(env)->owner; }

    static bool emulated(TestTable &t) { return t.mode_ == Mode::Emulated; }

    // Counts a call; a virtual machine allows none but the exception
    // functions and the releases while an exception is pending.
    static void called(TestTable &t, const std::string &function)
    {
        ++t.calls_[function];
        if (!emulated(t) && t.failed_)
            ADD_FAILURE() << function << " called while an exception is pending";
    }

    // A new local reference in the current frame (a virtual machine's only).
    template <class T>
    static T local(TestTable &t, T reference)
    {
        if constexpr (!std::is_pointer_v<T>)
            return reference;
        else if (emulated(t) || !reference)
            return reference;
        else
            return remember_local(t, reference);
    }

    // Objects get a handle of their own; classes and the exception marker are counted as they are.
    template <class T>
    static T remember_local(TestTable &t, T reference)
    {
        const void *handle = reference;
        if (is_local_reference(handle) || t.is_object(handle)) {
            TestObject *target = is_local_reference(handle) ? static_cast<const LocalReference *>(handle)->target
                                                            : static_cast<TestObject *>(const_cast<void *>(handle));
            t.local_references_.push_back(std::make_unique<LocalReference>());
            t.local_references_.back()->target = target;
            reference = reinterpret_cast<T>(t.local_references_.back().get());
            local_reference_handles().insert(reference);
        }
        Frame &frame = t.frames_.back();
        frame.references.insert(reference);
        const int live = static_cast<int>(frame.references.size());
        if (t.frames_.size() > 1 && live > t.most_locals_)
            t.most_locals_ = live;
        if (t.frames_.size() > 1 && live == frame.capacity + 1)
            ADD_FAILURE() << "more than " << frame.capacity << " local references alive in one frame";
        return reference;
    }

    static void JNICALL DeleteLocalRef(JNIEnv *env, jobject obj)
    {
        TestTable &t = of(env);
        ++t.calls_["DeleteLocalRef"]; // allowed while an exception is pending
        if (emulated(t) || !obj)
            return;
        if (is_local_reference(obj)) {
            auto *reference = reinterpret_cast<LocalReference *>(obj);
            if (!reference->alive)
                ADD_FAILURE() << "DeleteLocalRef of a local reference that had ended";
            reference->alive = false;
        }
        for (auto frame = t.frames_.rbegin(); frame != t.frames_.rend(); ++frame) {
            auto found = frame->references.find(obj);
            if (found != frame->references.end()) {
                frame->references.erase(found);
                return;
            }
        }
        ADD_FAILURE() << "DeleteLocalRef of a reference that is no live local reference";
    }

    static jint JNICALL PushLocalFrame(JNIEnv *env, jint capacity)
    {
        TestTable &t = of(env);
        ++t.calls_["PushLocalFrame"]; // allowed while an exception is pending
        t.frames_.push_back(Frame{capacity, {}});
        return 0;
    }

    static jobject JNICALL PopLocalFrame(JNIEnv *env, jobject result)
    {
        TestTable &t = of(env);
        ++t.calls_["PopLocalFrame"]; // allowed while an exception is pending
        if (t.frames_.size() < 2) {
            ADD_FAILURE() << "PopLocalFrame without a frame";
            return result;
        }
        end_frame(t.frames_.back());
        t.frames_.pop_back();
        return local(t, result);
    }

    static void end_frame(Frame &frame)
    {
        for (const void *handle : frame.references)
            if (is_local_reference(handle))
                static_cast<LocalReference *>(const_cast<void *>(handle))->alive = false;
        frame.references.clear();
    }

    static jobject JNICALL NewLocalRef(JNIEnv *env, jobject obj)
    {
        TestTable &t = of(env);
        called(t, "NewLocalRef");
        return local(t, obj);
    }

    static jboolean JNICALL ExceptionCheck(JNIEnv *env) { return of(env).failed_ ? JNI_TRUE : JNI_FALSE; }

    // Records the outcome of a lookup: the emulated table keeps the last
    // status; a virtual machine keeps an exception pending until cleared.
    static bool status(TestTable &t, bool found)
    {
        if (emulated(t))
            t.failed_ = !found;
        else if (!found)
            t.failed_ = true;
        return found;
    }

    static TestClass *class_of(TestTable &t, jclass cls)
    {
        const auto number = reinterpret_cast<intptr_t>(cls);
        return number > 0 && number <= static_cast<intptr_t>(t.classes_.size()) ? t.classes_[number - 1].get()
                                                                                : nullptr;
    }

    static jclass handle_of(const TestClass &cls)
    {
        return reinterpret_cast<jclass>(static_cast<intptr_t>(cls.number));
    }

    static const char *intern(TestTable &t, const std::string &name) { return t.ids_.insert(name).first->c_str(); }

    static const Attribute *find_attribute(TestTable &t, const std::vector<Attribute> &list, const char *name,
                                           const char *signature)
    {
        for (const Attribute &a : list)
            if (same_name(a.name, name, emulated(t)) && (emulated(t) || !signature || a.signature == signature))
                return &a;
        return nullptr;
    }

    static const Method *find_method(TestTable &t, const std::vector<Method> &list, const char *name,
                                     const char *signature)
    {
        for (const Method &m : list)
            if (same_name(m.name, name, emulated(t)) && (emulated(t) || !signature || m.signature == signature))
                return &m;
        return nullptr;
    }

    static jint JNICALL GetVersion(JNIEnv *env)
    {
        TestTable &t = of(env);
        called(t, "GetVersion");
        return emulated(t) ? 0xEFFE : JNI_VERSION_1_1;
    }

    static jclass JNICALL FindClass(JNIEnv *env, const char *name)
    {
        TestTable &t = of(env);
        called(t, "FindClass");
        for (auto &cls : t.classes_)
            if (same_name(cls->name, name, emulated(t)))
                return status(t, true), local(t, handle_of(*cls));
        status(t, false);
        return nullptr;
    }

    static jthrowable JNICALL ExceptionOccurred(JNIEnv *env)
    {
        static char marker[] = "none";
        TestTable &t = of(env);
        return t.failed_ ? local(t, reinterpret_cast<jthrowable>(marker)) : nullptr;
    }

    static void JNICALL ExceptionClear(JNIEnv *env)
    {
        if (!emulated(of(env)))
            of(env).failed_ = false;
    }

    static jclass JNICALL GetObjectClass(JNIEnv *env, jobject obj)
    {
        TestTable &t = of(env);
        called(t, "GetObjectClass");
        return obj ? local(t, handle_of(TestObject::from(obj)->cls())) : nullptr;
    }

    static jboolean JNICALL IsSameObject(JNIEnv *env, jobject a, jobject b)
    {
        called(of(env), "IsSameObject");
        return TestObject::from(a) == TestObject::from(b);
    }

    static jobject JNICALL NewGlobalRef(JNIEnv *env, jobject obj)
    {
        called(of(env), "NewGlobalRef");
        ++of(env).global_references_;
        return obj ? TestObject::from(obj)->handle() : nullptr;
    }

    static void JNICALL DeleteGlobalRef(JNIEnv *env, jobject) { --of(env).global_references_; }

    static jfieldID JNICALL GetFieldID(JNIEnv *env, jclass cls, const char *name, const char *sig)
    {
        TestTable &t = of(env);
        called(t, "GetFieldID");
        TestClass *c = class_of(t, cls);
        const Attribute *a = c ? find_attribute(t, c->attributes, name, sig) : nullptr;
        if (!status(t, a != nullptr))
            return nullptr;
        if (emulated(t))
            const_cast<char *>(sig)[0] = kind_letter(a->kind);
        return reinterpret_cast<jfieldID>(const_cast<char *>(intern(t, a->name)));
    }

    static jfieldID JNICALL GetStaticFieldID(JNIEnv *env, jclass cls, const char *name, const char *sig)
    {
        TestTable &t = of(env);
        called(t, "GetStaticFieldID");
        if (emulated(t))
            return nullptr; // the application has no static members
        TestClass *c = class_of(t, cls);
        const Attribute *a = c ? find_attribute(t, c->static_attributes, name, sig) : nullptr;
        if (!status(t, a != nullptr))
            return nullptr;
        return reinterpret_cast<jfieldID>(const_cast<char *>(intern(t, a->name)));
    }

    static const char *id_name(jfieldID id) { return reinterpret_cast<const char *>(id); }

    static jvalue *instance_slot(TestTable &t, jobject obj, jfieldID id)
    {
        if (!obj || !id)
            return status(t, false), nullptr;
        TestObject *o = TestObject::from(obj);
        const Attribute *a = find_attribute(t, o->cls().attributes, id_name(id), nullptr);
        return status(t, a != nullptr) ? &o->value(a->name) : nullptr;
    }

    static jvalue *static_slot(TestTable &t, jclass cls, jfieldID id)
    {
        TestClass *c = class_of(t, cls);
        if (emulated(t) || !c || !id)
            return nullptr;
        return &c->static_values[id_name(id)];
    }

    template <class T>
    static T load(TestTable &t, const char *family, jvalue *slot)
    {
        called(t, std::string(family) + JType<T>::name + "Field");
        return slot ? slot->*JType<T>::slot : T{};
    }

    template <class T>
    static void store(TestTable &t, const char *family, jvalue *slot, T value)
    {
        called(t, std::string(family) + JType<T>::name + "Field");
        if constexpr (std::is_same_v<T, jobject>)
            value = value ? TestObject::from(value)->handle() : nullptr; // objects are stored, not references
        if (slot) {
            slot->j = 0;
            slot->*JType<T>::slot = value;
        }
    }

    template <class T>
    static T JNICALL GetField(JNIEnv *env, jobject obj, jfieldID id)
    {
        return local(of(env), load<T>(of(env), "Get", instance_slot(of(env), obj, id)));
    }

    template <class T>
    static void JNICALL SetField(JNIEnv *env, jobject obj, jfieldID id, T value)
    {
        store<T>(of(env), "Set", instance_slot(of(env), obj, id), value);
    }

    template <class T>
    static T JNICALL GetStaticField(JNIEnv *env, jclass cls, jfieldID id)
    {
        return local(of(env), load<T>(of(env), "GetStatic", static_slot(of(env), cls, id)));
    }

    template <class T>
    static void JNICALL SetStaticField(JNIEnv *env, jclass cls, jfieldID id, T value)
    {
        store<T>(of(env), "SetStatic", static_slot(of(env), cls, id), value);
    }

    static jmethodID JNICALL GetMethodID(JNIEnv *env, jclass cls, const char *name, const char *sig)
    {
        TestTable &t = of(env);
        called(t, "GetMethodID");
        TestClass *c = class_of(t, cls);
        const Method *m = c ? find_method(t, c->routines, name, sig) : nullptr;
        return status(t, m != nullptr) ? reinterpret_cast<jmethodID>(const_cast<char *>(intern(t, m->name))) : nullptr;
    }

    static jmethodID JNICALL GetStaticMethodID(JNIEnv *env, jclass cls, const char *name, const char *sig)
    {
        TestTable &t = of(env);
        called(t, "GetStaticMethodID");
        if (emulated(t))
            return nullptr;
        TestClass *c = class_of(t, cls);
        const Method *m = c ? find_method(t, c->static_routines, name, sig) : nullptr;
        return status(t, m != nullptr) ? reinterpret_cast<jmethodID>(const_cast<char *>(intern(t, m->name))) : nullptr;
    }

    static jvalue run(TestTable &t, const std::vector<Method> &list, TestObject *self, jmethodID id, const jvalue *args)
    {
        const Method *m = id ? find_method(t, list, reinterpret_cast<const char *>(id), nullptr) : nullptr;
        jvalue result{};
        if (status(t, m != nullptr))
            result = m->body(self, args);
        return result;
    }

    template <class T>
    static T JNICALL CallMethodA(JNIEnv *env, jobject obj, jmethodID id, const jvalue *args)
    {
        TestTable &t = of(env);
        called(t, std::string("Call") + JType<T>::name + "MethodA");
        TestObject *self = TestObject::from(obj);
        const jvalue result = self ? run(t, self->cls().routines, self, id, args) : jvalue{};
        return local(t, result.*JType<T>::slot);
    }

    static void JNICALL CallVoidMethodA(JNIEnv *env, jobject obj, jmethodID id, const jvalue *args)
    {
        TestTable &t = of(env);
        called(t, "CallVoidMethodA");
        if (TestObject *self = TestObject::from(obj))
            run(t, self->cls().routines, self, id, args);
    }

    template <class T>
    static T JNICALL CallStaticMethodA(JNIEnv *env, jclass cls, jmethodID id, const jvalue *args)
    {
        TestTable &t = of(env);
        called(t, std::string("CallStatic") + JType<T>::name + "MethodA");
        TestClass *c = class_of(t, cls);
        const jvalue result = c && !emulated(t) ? run(t, c->static_routines, nullptr, id, args) : jvalue{};
        return local(t, result.*JType<T>::slot);
    }

    static void JNICALL CallStaticVoidMethodA(JNIEnv *env, jclass cls, jmethodID id, const jvalue *args)
    {
        TestTable &t = of(env);
        called(t, "CallStaticVoidMethodA");
        if (TestClass *c = class_of(t, cls); c && !emulated(t))
            run(t, c->static_routines, nullptr, id, args);
    }

    static jstring JNICALL NewStringUTF(JNIEnv *env, const char *text)
    {
        TestTable &t = of(env);
        called(t, "NewStringUTF");
        return text ? local(t, static_cast<jstring>(t.make_string(text)->handle())) : nullptr;
    }

    static jsize JNICALL GetStringUTFLength(JNIEnv *env, jstring str)
    {
        called(of(env), "GetStringUTFLength");
        return str ? static_cast<jsize>(TestObject::from(str)->text.size()) : 0;
    }

    static const char *JNICALL GetStringUTFChars(JNIEnv *env, jstring str, jboolean *is_copy)
    {
        TestTable &t = of(env);
        called(t, "GetStringUTFChars");
        const std::string &text = TestObject::from(str)->text;
        char *copy = static_cast<char *>(std::malloc(text.size() + 1));
        std::memcpy(copy, text.c_str(), text.size() + 1);
        if (is_copy)
            *is_copy = JNI_TRUE;
        ++t.open_buffers_;
        return copy;
    }

    static void JNICALL ReleaseStringUTFChars(JNIEnv *env, jstring, const char *chars)
    {
        --of(env).open_buffers_;
        std::free(const_cast<char *>(chars));
    }
};

namespace {

#define FLTEST_TYPED_SLOTS(Type, T)                                                                                    \
    f.Get##Type##Field = TestTable::Access::GetField<T>;                                                               \
    f.Set##Type##Field = TestTable::Access::SetField<T>;                                                               \
    f.GetStatic##Type##Field = TestTable::Access::GetStaticField<T>;                                                   \
    f.SetStatic##Type##Field = TestTable::Access::SetStaticField<T>;                                                   \
    f.Call##Type##MethodA = TestTable::Access::CallMethodA<T>;                                                         \
    f.CallStatic##Type##MethodA = TestTable::Access::CallStaticMethodA<T>

void fill(JNINativeInterface_ &f)
{
    using A = TestTable::Access;
    f.GetVersion = A::GetVersion;
    f.FindClass = A::FindClass;
    f.ExceptionOccurred = A::ExceptionOccurred;
    f.ExceptionClear = A::ExceptionClear;
    f.ExceptionCheck = A::ExceptionCheck;
    f.DeleteLocalRef = A::DeleteLocalRef;
    f.PushLocalFrame = A::PushLocalFrame;
    f.PopLocalFrame = A::PopLocalFrame;
    f.NewLocalRef = A::NewLocalRef;
    f.GetObjectClass = A::GetObjectClass;
    f.IsSameObject = A::IsSameObject;
    f.NewGlobalRef = A::NewGlobalRef;
    f.DeleteGlobalRef = A::DeleteGlobalRef;
    f.GetFieldID = A::GetFieldID;
    f.GetStaticFieldID = A::GetStaticFieldID;
    f.GetMethodID = A::GetMethodID;
    f.GetStaticMethodID = A::GetStaticMethodID;
    f.CallVoidMethodA = A::CallVoidMethodA;
    f.CallStaticVoidMethodA = A::CallStaticVoidMethodA;
    f.NewStringUTF = A::NewStringUTF;
    f.GetStringUTFLength = A::GetStringUTFLength;
    f.GetStringUTFChars = A::GetStringUTFChars;
    f.ReleaseStringUTFChars = A::ReleaseStringUTFChars;
    FLTEST_TYPED_SLOTS(Object, jobject);
    FLTEST_TYPED_SLOTS(Boolean, jboolean);
    FLTEST_TYPED_SLOTS(Byte, jbyte);
    FLTEST_TYPED_SLOTS(Char, jchar);
    FLTEST_TYPED_SLOTS(Short, jshort);
    FLTEST_TYPED_SLOTS(Int, jint);
    FLTEST_TYPED_SLOTS(Long, jlong);
    FLTEST_TYPED_SLOTS(Float, jfloat);
    FLTEST_TYPED_SLOTS(Double, jdouble);
}

#undef FLTEST_TYPED_SLOTS

} // namespace

TestTable::TestTable(Mode mode)
    : mode_(mode), functions_(std::make_unique<JNINativeInterface_>()), env_(std::make_unique<Env>())
{
    fill(*functions_);
    env_->functions = functions_.get();
    env_->owner = this;
    frames_.push_back(Frame{kNativeCallCapacity, {}});
    const bool vm = mode == Mode::JvmLike;
    string_class_ = &define_class(vm ? "java/lang/String" : "STRING");
    display_manager_ = &define_class("qk/fllocal/DisplayManager");
    if (vm)
        display_manager_->static_field("curObject", Kind::Object, "Ljava/lang/Object;");
}

TestTable::~TestTable()
{
    for (const auto &reference : local_references_)
        local_reference_handles().erase(reference.get());
}

JNIEnv *TestTable::env()
{
    return env_.get();
}

TestClass &TestTable::define_class(const std::string &name)
{
    classes_.push_back(std::make_unique<TestClass>());
    TestClass &cls = *classes_.back();
    cls.name = name;
    cls.number = static_cast<int>(classes_.size());
    return cls;
}

TestObject *TestTable::make(TestClass &cls)
{
    objects_.push_back(std::make_unique<TestObject>(&cls));
    object_handles_.insert(objects_.back().get());
    return objects_.back().get();
}

TestObject *TestTable::make_string(const std::string &text)
{
    TestObject *string = make(*string_class_);
    string->text = text;
    return string;
}

jobject TestTable::new_local(jobject reference)
{
    return Access::local(*this, reference);
}

bool TestTable::is_object(const void *handle) const
{
    return object_handles_.count(handle) != 0;
}

jvalue TestTable::resolved(jvalue value)
{
    if (is_local_reference(value.l))
        value.l = TestObject::from(value.l)->handle();
    return value;
}

void TestTable::enter_native_call()
{
    frames_.push_back(Frame{kNativeCallCapacity, {}});
}

void TestTable::leave_native_call()
{
    if (frames_.size() < 2) {
        ADD_FAILURE() << "a native call left that was not entered";
        return;
    }
    Access::end_frame(frames_.back());
    frames_.pop_back();
}

void TestTable::native_call_returned()
{
    if (frames_.size() > 1)
        ADD_FAILURE() << frames_.size() - 1 << " local frames pushed and never popped";
    frames_.resize(1);
    Access::end_frame(frames_.front());
}

int TestTable::framed_local_references() const
{
    int live = 0;
    for (size_t i = 1; i < frames_.size(); ++i)
        live += static_cast<int>(frames_[i].references.size());
    return live;
}

int TestTable::calls(const std::string &function) const
{
    const auto found = calls_.find(function);
    return found == calls_.end() ? 0 : found->second;
}

} // namespace fltest
