// The installed table, references and pending exceptions.
#include "jni_runtime.hpp"

namespace flrt {
namespace {

JNIEnv *g_table = nullptr;
// Asked once per table: a virtual machine allows no call but the exception
// check right after a routine call.
bool g_emulated = false;
// Local references one frame may hold: the evaluation of an access path and
// the reading of one row make only a few each.
constexpr jint kFrameCapacity = 16;

bool under_vm()
{
    return g_table && !table_is_emulated();
}

} // namespace

JNIEnv *table()
{
    return g_table;
}

void set_table(JNIEnv *env)
{
    g_table = env;
    g_emulated = env && env->GetVersion() == FLRT_EMULATED_TABLE_VERSION;
}

bool table_is_emulated()
{
    return g_emulated;
}

bool exception_taken()
{
    if (!under_vm())
        return g_table->ExceptionOccurred() != nullptr;
    if (!g_table->ExceptionCheck())
        return false;
    g_table->ExceptionClear();
    return true;
}

bool same_object(jobject a, jobject b)
{
    return a == b || (a && b && g_table->IsSameObject(a, b));
}

void delete_local(jobject local)
{
    // The application's table has no local references: its DeleteLocalRef
    // would take the kept mark off an object somebody else holds.
    if (local && under_vm())
        g_table->DeleteLocalRef(local);
}

LocalFrame::LocalFrame() : pushed_(under_vm() && g_table->PushLocalFrame(kFrameCapacity) == 0) {}

LocalFrame::~LocalFrame()
{
    Keep(nullptr);
}

jobject LocalFrame::Keep(jobject result)
{
    if (!pushed_)
        return result;
    pushed_ = false;
    return g_table->PopLocalFrame(result);
}

jobject KeptObjects::Keep(jobject local)
{
    if (!local || !under_vm())
        return local;
    jobject global = g_table->NewGlobalRef(local);
    g_table->DeleteLocalRef(local);
    references_.push_back(global);
    return global;
}

void KeptObjects::Release()
{
    for (jobject reference : references_)
        g_table->DeleteGlobalRef(reference);
    references_.clear();
}

} // namespace flrt

extern "C" {

FLRT_API void FLRT_CALL set_ni_table(JNIEnv *table)
{
    flrt::set_table(table);
}

JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_init(JNIEnv *env, jclass)
{
    flrt::set_table(env);
}

} // extern "C"
