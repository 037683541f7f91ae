// The routine-call exception and the current object published to Java.
#include "cflrt_classes.hpp"
#include "runtime.hpp"
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
{
}

void CRoutineCallException::Report()
{
    std::string text = flrt::format("%.60s.%.60s", first_.c_str(), second_.c_str());
    const char *caption = "Unhandled exception";
    if (!flrt::table_is_emulated()) {
        flrt::show_box(nullptr, text.c_str(), caption, MB_OK | MB_ICONHAND | MB_TASKMODAL);
        return;
    }
    text += "\n\nDo you want to see xcp file?";
    if (flrt::show_box(nullptr, text.c_str(), caption, MB_YESNO | MB_ICONHAND | MB_TASKMODAL) == IDYES)
        flrt_show_xcp_viewer();
}

extern "C" FLRT_API void FLRT_CALL javaapi_set_current_object(jobject obj)
{
    JNIEnv *env = flrt::table();
    jclass manager = env->FindClass("qk/fllocal/DisplayManager");
    if (!manager)
        return;
    jfieldID field = env->GetStaticFieldID(manager, "curObject", "Ljava/lang/Object;");
    if (!field)
        return;
    env->SetStaticObjectField(manager, field, obj);
}
