// The Java tests' way into the runtime: native methods of flrt.test.Probe
// that run the runtime's object access on the objects a test passes, as the
// form engine runs it, and hand back what the runtime answered and reported.
#include <jni.h>

#include <map>
#include <string>
#include <vector>

#include "cflrt_classes.hpp"
#include "cflrt_services.h"
#include "jni_rows.hpp"

namespace {

constexpr int kPathSign = 93;

// Runs an operation of the runtime; a routine-call exception it throws is
// reported as the form engine reports it.
template <class Operation>
auto guarded(Operation operation) -> decltype(operation())
{
    try {
        return operation();
    } catch (CFLException *exception) {
        exception->Report();
        delete exception;
        return decltype(operation())();
    }
}

FLF_ITEM item(jlong path)
{
    return reinterpret_cast<FLF_ITEM>(static_cast<intptr_t>(path));
}

std::string text_of(JNIEnv *env, jstring text)
{
    const char *chars = env->GetStringUTFChars(text, nullptr);
    std::string copy = chars ? chars : "";
    env->ReleaseStringUTFChars(text, chars);
    return copy;
}

jobjectArray string_array(JNIEnv *env, const std::vector<std::string> &texts)
{
    jclass string_class = env->FindClass("java/lang/String");
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(texts.size()), string_class, nullptr);
    for (size_t i = 0; i < texts.size(); ++i) {
        jstring text = env->NewStringUTF(texts[i].c_str());
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
        env->DeleteLocalRef(text);
    }
    env->DeleteLocalRef(string_class);
    return array;
}

} // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_flrt_test_Probe_path(JNIEnv *env, jclass, jstring file, jstring class_name, jint form,
                                                  jint sign)
{
    static std::map<std::string, FLF_BASE> bases;
    const std::string name = text_of(env, file);
    FLF_BASE &base = bases[name];
    if (!base)
        base = flf_open_base(name.c_str());
    FLF_ITEM description = base ? flf_get_form(base, text_of(env, class_name).c_str(), form) : nullptr;
    FLF_ITEM holder = description ? flf_get_prop(description, sign) : nullptr;
    FLF_ITEM first = holder ? flf_get_prop(holder, kPathSign) : nullptr;
    return static_cast<jlong>(reinterpret_cast<intptr_t>(first));
}

JNIEXPORT jobject JNICALL Java_flrt_test_Probe_value(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_value(obj, item(path)).l; });
}

JNIEXPORT jlong JNICALL Java_flrt_test_Probe_bits(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_value(obj, item(path)).j; });
}

JNIEXPORT jobject JNICALL Java_flrt_test_Probe_argument(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_argument(obj, obj, item(path)).l; });
}

JNIEXPORT jint JNICALL Java_flrt_test_Probe_getInt(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_int(obj, item(path)); });
}

JNIEXPORT jboolean JNICALL Java_flrt_test_Probe_getBool(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_bool(obj, item(path)); });
}

JNIEXPORT jchar JNICALL Java_flrt_test_Probe_getChar(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_char(obj, item(path)); });
}

JNIEXPORT jdouble JNICALL Java_flrt_test_Probe_getDouble(JNIEnv *, jclass, jobject obj, jlong path)
{
    return guarded([&] { return javaapi_get_double(obj, item(path)); });
}

JNIEXPORT jstring JNICALL Java_flrt_test_Probe_getString(JNIEnv *env, jclass, jobject obj, jlong path)
{
    const char *text = guarded([&] { return javaapi_get_string(obj, item(path)); });
    return text ? env->NewStringUTF(text) : nullptr;
}

JNIEXPORT jstring JNICALL Java_flrt_test_Probe_text(JNIEnv *env, jclass, jobject obj, jlong path, jstring code)
{
    const std::string type = text_of(env, code);
    const char *text = guarded([&] { return javaapi_value_text(obj, item(path), type.c_str()); });
    return text ? env->NewStringUTF(text) : nullptr;
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setInt(JNIEnv *, jclass, jobject obj, jlong path, jint value)
{
    guarded([&] { javaapi_set_int(obj, item(path), value); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setBool(JNIEnv *, jclass, jobject obj, jlong path, jboolean value)
{
    guarded([&] { javaapi_set_bool(obj, item(path), value); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setDouble(JNIEnv *, jclass, jobject obj, jlong path, jdouble value)
{
    guarded([&] { javaapi_set_double(obj, item(path), value); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setString(JNIEnv *env, jclass, jobject obj, jlong path, jstring value)
{
    const std::string text = value ? text_of(env, value) : std::string();
    guarded([&] { javaapi_set_string(obj, item(path), value ? text.c_str() : nullptr); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setObject(JNIEnv *, jclass, jobject obj, jlong path, jobject value)
{
    jvalue v{};
    v.l = value;
    guarded([&] { javaapi_set_value(obj, item(path), v); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setBits(JNIEnv *, jclass, jobject obj, jlong path, jlong bits)
{
    jvalue v{};
    v.j = bits;
    guarded([&] { javaapi_set_value(obj, item(path), v); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_call(JNIEnv *, jclass, jobject obj, jlong path)
{
    guarded([&] { javaapi_call_procedure(obj, item(path)); });
}

JNIEXPORT void JNICALL Java_flrt_test_Probe_setCurrent(JNIEnv *, jclass, jobject obj)
{
    javaapi_set_current_object(obj);
}

JNIEXPORT jstring JNICALL Java_flrt_test_Probe_nextReport(JNIEnv *env, jclass)
{
    const char *report = flrt_next_report();
    return report ? env->NewStringUTF(report) : nullptr;
}

// Reads the path as often as a long display refreshes a control, in one native call.
JNIEXPORT jlong JNICALL Java_flrt_test_Probe_readOften(JNIEnv *env, jclass, jobject obj, jlong path, jint times)
{
    jlong sum = 0;
    for (jint round = 0; round < times && !env->ExceptionCheck(); ++round)
        sum += guarded([&] { return javaapi_get_int(obj, item(path)); });
    return sum;
}

JNIEXPORT jboolean JNICALL Java_flrt_test_Probe_same(JNIEnv *, jclass, jobject a, jobject b)
{
    return flrt::same_object(a, b);
}

// A string array's items as a list box shows them.
JNIEXPORT jobjectArray JNICALL Java_flrt_test_Probe_items(JNIEnv *env, jclass, jobject holder, jlong path)
{
    jobject array = javaapi_get_value(holder, item(path)).l;
    const std::vector<std::string> texts =
        array ? flrt::string_items(array, flrt::array_length(array)) : std::vector<std::string>();
    flrt::delete_local(array);
    return string_array(env, texts);
}

JNIEXPORT jobjectArray JNICALL Java_flrt_test_Probe_intItems(JNIEnv *env, jclass, jobject holder, jlong path)
{
    jobject array = javaapi_get_value(holder, item(path)).l;
    const std::vector<std::string> texts =
        array ? flrt::int_items(array, flrt::array_length(array)) : std::vector<std::string>();
    flrt::delete_local(array);
    return string_array(env, texts);
}

JNIEXPORT jint JNICALL Java_flrt_test_Probe_lowerBound(JNIEnv *, jclass, jobject array)
{
    return flrt::array_lower_bound(array);
}

// A list view's rows as it loads them twice: fetched one by one as they are
// shown, then recognised as the same rows. Answers the row texts of the
// column path, or null when the second load did not see the same rows.
JNIEXPORT jobjectArray JNICALL Java_flrt_test_Probe_rows(JNIEnv *env, jclass, jobject holder, jlong path, jlong column)
{
    flrt::ArrayRows rows;
    jobject array = javaapi_get_value(holder, item(path)).l;
    const int count = array ? flrt::array_length(array) : 0;
    rows.Reset(array, count, 16);
    std::vector<std::string> texts;
    for (int index = 0; index < count; ++index) {
        const char *text = javaapi_value_text(rows.Row(index), item(column), "S");
        texts.emplace_back(text ? text : "");
    }
    array = javaapi_get_value(holder, item(path)).l;
    const bool same = rows.Shows(array, count);
    flrt::delete_local(array);
    return same ? string_array(env, texts) : nullptr;
}

// A tree view's top level as it loads it: "label/children" per node, each
// node's own children below it after a tab when expand is set.
JNIEXPORT jobjectArray JNICALL Java_flrt_test_Probe_tree(JNIEnv *env, jclass, jobject holder, jlong path,
                                                         jboolean expand)
{
    flrt::KeptObjects kept;
    std::vector<std::string> lines;
    jobject root = javaapi_get_value(holder, item(path)).l;
    if (root) {
        for (const flrt::TreeChild &child : flrt::tree_children(root, kept)) {
            lines.push_back(child.label + "/" + std::to_string(child.children));
            if (expand)
                for (const flrt::TreeChild &grandchild : flrt::tree_children(child.node, kept))
                    lines.push_back("\t" + grandchild.label + "/" + std::to_string(grandchild.children));
        }
    }
    flrt::delete_local(root);
    // The holder is the caller's: it must still be there.
    jclass holder_class = env->GetObjectClass(holder);
    env->DeleteLocalRef(holder_class);
    return string_array(env, lines);
}

} // extern "C"
