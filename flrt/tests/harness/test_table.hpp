// A native interface table over C++ test objects, in two modes: emulated
// (GetVersion answers 0xEFFE, GetFieldID writes the attribute's kind letter
// into the signature) and JVM-like (a JNI version, exact signatures, static
// members and pending exceptions as a Java virtual machine has them, and as
// strict as one: a call made while an exception is pending, a local
// reference deleted that is none, and more live local references in a frame
// than its capacity each fail the running test).
#ifndef FLRT_TEST_TABLE_HPP
#define FLRT_TEST_TABLE_HPP

#include <jni.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fltest {

enum class Kind { Boolean, Character, Integer, Real, Object };

class TestObject;
using Routine = std::function<jvalue(TestObject *self, const jvalue *args)>;

struct Attribute {
    std::string name;
    Kind kind;
    std::string signature; // the JNI signature a Java class would declare
};

struct Method {
    std::string name;
    std::string signature;
    Routine body;
};

struct TestClass {
    std::string name;
    int number = 0;
    std::vector<Attribute> attributes;
    std::vector<Attribute> static_attributes;
    std::vector<Method> routines;
    std::vector<Method> static_routines;
    std::map<std::string, jvalue> static_values;

    TestClass &field(const std::string &name, Kind kind, const std::string &signature = "");
    TestClass &static_field(const std::string &name, Kind kind, const std::string &signature);
    TestClass &routine(const std::string &name, const std::string &signature, Routine body);
    TestClass &static_routine(const std::string &name, const std::string &signature, Routine body);
};

class TestObject {
public:
    explicit TestObject(TestClass *cls) : cls_(cls) {}
    TestClass &cls() const { return *cls_; }
    jobject handle() { return reinterpret_cast<jobject>(this); }

    jvalue &value(const std::string &name) { return values_[name]; }
    void set_int(const std::string &name, jint v) { values_[name].i = v; }
    void set_bool(const std::string &name, bool v) { values_[name].z = v; }
    void set_double(const std::string &name, double v) { values_[name].d = v; }
    void set_object(const std::string &name, TestObject *v) { values_[name].l = v ? v->handle() : nullptr; }
    jint get_int(const std::string &name) { return values_[name].i; }
    bool get_bool(const std::string &name) { return values_[name].z != 0; }
    double get_double(const std::string &name) { return values_[name].d; }
    TestObject *get_object(const std::string &name) { return from(values_[name].l); }

    std::string text; // the characters of a string object

    // The object of a handle: the object's own address, or a local reference
    // of the JVM-like table (a local reference used after it ended fails the test).
    static TestObject *from(jobject handle);

private:
    TestClass *cls_;
    std::map<std::string, jvalue> values_;
};

class TestTable {
public:
    enum class Mode { Emulated, JvmLike };

    explicit TestTable(Mode mode);
    ~TestTable();
    TestTable(const TestTable &) = delete;
    TestTable &operator=(const TestTable &) = delete;

    JNIEnv *env();
    Mode mode() const { return mode_; }

    TestClass &define_class(const std::string &name);
    TestObject *make(TestClass &cls);
    TestObject *make_string(const std::string &text);
    TestClass &display_manager() { return *display_manager_; }

    // Table functions called so far, by JNI name ("GetBooleanField", ...).
    int calls(const std::string &function) const;
    void reset_calls() { calls_.clear(); }
    // The next lookups fail as if a routine had thrown (a pending exception).
    void raise_exception() { failed_ = true; }
    void clear_exception() { failed_ = false; }
    int open_string_buffers() const { return open_buffers_; }
    int global_references() const { return global_references_; }
    // A local reference to an object handed to the runtime (by functions added to the table).
    jobject new_local(jobject reference);
    // The runtime's entry point called by the test returned: the local
    // references it was given in that call end (later use fails the test).
    void native_call_returned();
    // A native call made from inside a routine (Java code calling the runtime
    // again): the local references made in it end when it returns.
    void enter_native_call();
    void leave_native_call();
    // The value with a local reference replaced by its object (what a Java method receives).
    jvalue resolved(jvalue value);
    bool is_object(const void *handle) const;
    // Local references alive in the frames the runtime pushed, and the most seen in one frame.
    int framed_local_references() const;
    int most_local_references() const { return most_locals_; }
    // A frame of local references a virtual machine gives every native call.
    static constexpr int kNativeCallCapacity = 16;

    // Used by the table functions.
    struct Access;
    friend struct Access;

    // A local reference of the JVM-like table: a handle of its own for an
    // object, alive until its frame ends or it is deleted.
    struct LocalReference {
        TestObject *target;
        bool alive = true;
    };

private:
    Mode mode_;
    struct Env;
    std::unique_ptr<JNINativeInterface_> functions_;
    std::unique_ptr<Env> env_;
    std::vector<std::unique_ptr<TestClass>> classes_;
    std::vector<std::unique_ptr<TestObject>> objects_;
    std::set<const void *> object_handles_;
    std::set<std::string> ids_;
    std::map<std::string, int> calls_;
    TestClass *display_manager_ = nullptr;
    TestClass *string_class_ = nullptr;
    bool failed_ = false;
    int open_buffers_ = 0;
    int global_references_ = 0;
    // JVM-like: the local references of each frame, the first one the
    // native call's own (never released here: it holds what the test passes).
    struct Frame {
        int capacity;
        std::multiset<const void *> references;
    };
    std::deque<std::unique_ptr<LocalReference>> local_references_;
    std::vector<Frame> frames_;
    int most_locals_ = 0;
};

} // namespace fltest

#endif
