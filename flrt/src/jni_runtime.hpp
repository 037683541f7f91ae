// The runtime's use of the native interface table that needs no window:
// the installed table, values, references and pending exceptions. Built on
// Windows and, for its tests under a Java virtual machine, on Linux.
#ifndef FLRT_JNI_RUNTIME_HPP
#define FLRT_JNI_RUNTIME_HPP

#include <string>
#include <vector>

#include "cflrt_services.h"

namespace flrt {

JNIEnv *table();
void set_table(JNIEnv *env);
bool table_is_emulated();

// Values for the table's calls, their unused bytes zero.
inline jvalue object_value(jobject object = nullptr)
{
    jvalue value;
    value.j = 0;
    value.l = object;
    return value;
}

inline jvalue int_value(jint number)
{
    jvalue value;
    value.j = 0;
    value.i = number;
    return value;
}

// Whether a lookup or call left an exception pending. Under a virtual
// machine the exception is cleared (every later call would be illegal while
// it is pending); the application's table keeps its own status.
bool exception_taken();

// Whether two references name the same object.
bool FLRT_API same_object(jobject a, jobject b);

// Gives back a local reference a virtual machine handed out.
void FLRT_API delete_local(jobject local);

// Local references made while it lives are given back when it ends: a
// virtual machine guarantees a native call only 16 of them. The
// application's table has no local references and needs no frame.
class FLRT_API LocalFrame {
public:
    LocalFrame();
    ~LocalFrame();
    LocalFrame(const LocalFrame &) = delete;
    LocalFrame &operator=(const LocalFrame &) = delete;

    // Ends the frame now, keeping one object: the answer is its reference in the enclosing frame.
    jobject Keep(jobject result);

private:
    bool pushed_ = false;
};

// Objects that windows keep as item data beyond the call that gave them.
// Under a virtual machine each becomes a global reference, released with the
// items; the application's table needs none (its objects live while the
// array that holds them does, and the items are rebuilt with the array).
class FLRT_API KeptObjects {
public:
    KeptObjects() = default;
    ~KeptObjects() { Release(); }
    KeptObjects(const KeptObjects &) = delete;
    KeptObjects &operator=(const KeptObjects &) = delete;

    // The reference to store for a local one (which it replaces).
    jobject Keep(jobject local);
    void Release();

private:
    std::vector<jobject> references_;
};

// Shows the text of an unhandled routine-call exception to the user.
void report_unhandled(const std::string &text);

} // namespace flrt

#endif
