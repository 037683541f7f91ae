// The routine-call exception and the current object published to Java.
#include "cflrt_classes.hpp"
#include "jni_runtime.hpp"
#include "text.hpp"

namespace {

constexpr const char *kModule = "JavaXCP";

const char *checked_text(const char *text, int line)
{
    if (!text) {
        flrt_assert(kModule, line);
        return "";
    }
    return text;
}

} // namespace

CFLException::~CFLException() = default;

CRoutineCallException::CRoutineCallException(const char *first, const char *second)
    : first_(checked_text(first, __LINE__)), second_(checked_text(second, __LINE__))
{}

void CRoutineCallException::Report()
{
    flrt::report_unhandled(flrt::format("%.60s.%.60s", first_.c_str(), second_.c_str()));
}

extern "C" FLRT_API void FLRT_CALL javaapi_set_current_object(jobject obj)
{
    JNIEnv *env = flrt::table();
    jclass manager = env->FindClass("qk/fllocal/DisplayManager");
    if (flrt::exception_taken() || !manager)
        return;
    jfieldID field = env->GetStaticFieldID(manager, "curObject", "Ljava/lang/Object;");
    if (!flrt::exception_taken() && field)
        env->SetStaticObjectField(manager, field, obj);
    flrt::delete_local(manager);
}
