// Array elements and tree nodes read through the native interface table.
#include "jni_rows.hpp"

#include <cstdio>

namespace flrt {
namespace {

// Where the failures of one walk are reported: the module and line of its caller.
struct Caller {
    const char *module;
    int line;
};

JNIEnv *env()
{
    return table();
}

// The characters of a string object, or none.
std::string utf_text(jstring string)
{
    const char *chars = env()->GetStringUTFChars(string, nullptr);
    std::string text = chars ? chars : "";
    if (chars)
        env()->ReleaseStringUTFChars(string, chars);
    return text;
}

// A routine of a node's class; reports the missing routine by its name.
jmethodID node_routine(jobject node, const char *name, const char *signature, const char *missing, Caller caller)
{
    jclass node_class = env()->GetObjectClass(node);
    jmethodID routine = env()->GetMethodID(node_class, name, signature);
    delete_local(node_class);
    if (exception_taken() || !routine) {
        flrt_assert_msg(missing, caller.module, caller.line);
        return nullptr;
    }
    return routine;
}

jmethodID count_routine(jobject node, Caller caller)
{
    return node_routine(node, "count", "()I", "Function \"count\" not found in the TreeView class", caller);
}

// Calls a routine without arguments; a Java exception it throws counts as no answer.
jint call_count(jobject node, jmethodID count)
{
    const jint answer = env()->CallIntMethodA(node, count, nullptr);
    return exception_taken() ? 0 : answer;
}

// The child's label and count of children; false when it has no label.
bool describe_child(jobject child, TreeChild &described, Caller caller)
{
    jmethodID text = node_routine(child, "text", "()Ljava/lang/String;",
                                  "Function \"text\" not found in the TreeView class", caller);
    auto label = text ? static_cast<jstring>(env()->CallObjectMethodA(child, text, nullptr)) : nullptr;
    if (exception_taken())
        label = nullptr;
    jmethodID count = label ? count_routine(child, caller) : nullptr;
    if (count) {
        described.label = utf_text(label);
        described.children = call_count(child, count);
    }
    delete_local(label);
    return count != nullptr;
}

} // namespace

int array_length(jobject array)
{
    return env()->GetArrayLength(static_cast<jarray>(array));
}

int array_lower_bound(jobject array)
{
    if (!table_is_emulated())
        return 0;
    char signature[] = "I"; // the table may rewrite it
    jclass array_class = env()->GetObjectClass(array);
    jfieldID field = env()->GetFieldID(array_class, "lower", signature);
    if (!field) {
        env()->ExceptionClear();
        return 0;
    }
    return env()->GetIntField(array, field);
}

std::vector<std::string> string_items(jobject array, int count)
{
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        auto element = static_cast<jstring>(env()->GetObjectArrayElement(static_cast<jobjectArray>(array), i));
        texts.push_back(element ? utf_text(element) : "Void");
        delete_local(element);
    }
    return texts;
}

std::vector<std::string> int_items(jobject array, int count)
{
    std::vector<std::string> texts;
    jint *elements = env()->GetIntArrayElements(static_cast<jintArray>(array), nullptr);
    if (!elements)
        return texts;
    texts.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(elements[i]));
        texts.emplace_back(text);
    }
    env()->ReleaseIntArrayElements(static_cast<jintArray>(array), elements, JNI_ABORT);
    return texts;
}

void ArrayRows::Clear()
{
    rows_.clear();
    kept_rows_.Release();
    kept_array_.Release();
    array_ = nullptr;
    count_ = 0;
}

void ArrayRows::Reset(jobject array, int count, int prefetch)
{
    Clear();
    if (!array || count <= 0) {
        delete_local(array);
        return;
    }
    array_ = kept_array_.Keep(array);
    count_ = count;
    for (int index = 0; index < count && index < prefetch; ++index)
        Row(index);
}

jobject ArrayRows::Row(int index)
{
    if (index < 0 || index >= count_)
        return nullptr;
    if (const auto found = rows_.find(index); found != rows_.end())
        return found->second;
    if (!array_)
        return nullptr;
    if (rows_.size() >= kKeptRowLimit) {
        rows_.clear();
        kept_rows_.Release();
    }
    // The array may have shrunk behind the window's back.
    if (index >= array_length(array_))
        return nullptr;
    jobject row = kept_rows_.Keep(env()->GetObjectArrayElement(static_cast<jobjectArray>(array_), index));
    rows_.emplace(index, row);
    // With every row kept the array is needed no longer.
    if (static_cast<int>(rows_.size()) == count_) {
        kept_array_.Release();
        array_ = nullptr;
    }
    return row;
}

bool ArrayRows::Shows(jobject array, int count) const
{
    if (!array || count != count_)
        return false;
    if (array_ && !same_object(array_, array))
        return false;
    for (const auto &[index, row] : rows_) {
        jobject element = env()->GetObjectArrayElement(static_cast<jobjectArray>(array), index);
        const bool same = same_object(row, element);
        delete_local(element);
        if (!same)
            return false;
    }
    return true;
}

std::vector<TreeChild> tree_children(jobject node, KeptObjects &kept, const char *module, int line)
{
    const Caller caller{module, line};
    std::vector<TreeChild> children;
    if (!node) {
        flrt_assert_msg("Void tree item", module, line);
        return children;
    }
    jmethodID count = count_routine(node, caller);
    const jint n = count ? call_count(node, count) : 0;
    if (n <= 0)
        return children;
    jmethodID item = node_routine(node, "item", "(I)Ljava/lang/Object;",
                                  "Function \"item\" not found in the TreeView class", caller);
    if (!item)
        return children;
    const jint first = table_is_emulated() ? 1 : 0;
    for (jint index = first; index < first + n; ++index) {
        const jvalue argument = int_value(index);
        jobject child = env()->CallObjectMethodA(node, item, &argument);
        if (exception_taken())
            child = nullptr;
        TreeChild described{nullptr, {}, 0};
        if (child && describe_child(child, described, caller)) {
            described.node = kept.Keep(child);
            children.push_back(std::move(described));
        } else {
            delete_local(child);
        }
    }
    return children;
}

} // namespace flrt
