#include "array_table.hpp"

#include <cstring>

namespace fltest {
namespace {
Arrays *g_arrays = nullptr;
} // namespace

struct Arrays::Functions {
    static std::vector<jvalue> *of(jobject array)
    {
        TestObject *object = TestObject::from(array);
        auto found = g_arrays->elements_.find(object ? object->handle() : nullptr);
        return found == g_arrays->elements_.end() ? nullptr : &found->second;
    }

    static jsize JNICALL GetArrayLength(JNIEnv *, jarray array)
    {
        const std::vector<jvalue> *elements = of(array);
        return elements ? static_cast<jsize>(elements->size()) : 0;
    }

    static jobject JNICALL GetObjectArrayElement(JNIEnv *, jobjectArray array, jsize index)
    {
        const std::vector<jvalue> *elements = of(array);
        jobject element =
            elements && index >= 0 && static_cast<size_t>(index) < elements->size() ? (*elements)[index].l : nullptr;
        return g_arrays->table_.new_local(element);
    }

    static jint *JNICALL GetIntArrayElements(JNIEnv *, jintArray array, jboolean *is_copy)
    {
        const std::vector<jvalue> *elements = of(array);
        if (!elements)
            return nullptr;
        auto *copy = new jint[elements->size() + 1];
        for (size_t i = 0; i < elements->size(); ++i)
            copy[i] = (*elements)[i].i;
        if (is_copy)
            *is_copy = JNI_TRUE;
        ++g_arrays->open_buffers_;
        return copy;
    }

    static void JNICALL ReleaseIntArrayElements(JNIEnv *, jintArray, jint *copy, jint)
    {
        --g_arrays->open_buffers_;
        delete[] copy;
    }

    static void JNICALL GetIntArrayRegion(JNIEnv *, jintArray array, jsize start, jsize length, jint *out)
    {
        const std::vector<jvalue> *elements = of(array);
        for (jsize i = 0; elements && i < length; ++i)
            out[i] = (*elements)[static_cast<size_t>(start + i)].i;
    }

    static void JNICALL DeleteLocalRef(JNIEnv *env, jobject obj)
    {
        ++g_arrays->deleted_local_references_;
        g_arrays->table_delete_local_(env, obj);
    }
};

Arrays::Arrays(TestTable &table)
    : table_(table), class_(table.define_class(table.mode() == TestTable::Mode::Emulated ? "ARRAY" : "java/lang/Array"))
{
    class_.field("lower", Kind::Integer, "I");
    g_arrays = this;
    // The table's functions are ours to extend: the test table owns them writable.
    auto *functions = const_cast<JNINativeInterface_ *>(table.env()->functions);
    functions->GetArrayLength = Functions::GetArrayLength;
    functions->GetObjectArrayElement = Functions::GetObjectArrayElement;
    functions->GetIntArrayElements = Functions::GetIntArrayElements;
    functions->ReleaseIntArrayElements = Functions::ReleaseIntArrayElements;
    functions->GetIntArrayRegion = Functions::GetIntArrayRegion;
    table_delete_local_ = functions->DeleteLocalRef;
    functions->DeleteLocalRef = Functions::DeleteLocalRef;
}

Arrays::~Arrays()
{
    g_arrays = nullptr;
}

TestObject *Arrays::make(std::vector<jvalue> elements, int lower)
{
    TestObject *array = table_.make(class_);
    array->set_int("lower", lower);
    elements_[array->handle()] = std::move(elements);
    return array;
}

TestObject *Arrays::strings(const std::vector<std::optional<std::string>> &elements, int lower)
{
    std::vector<jvalue> values(elements.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        values[i].j = 0;
        if (elements[i])
            values[i].l = table_.make_string(*elements[i])->handle();
    }
    return make(std::move(values), lower);
}

TestObject *Arrays::integers(const std::vector<jint> &elements, int lower)
{
    std::vector<jvalue> values(elements.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        values[i].j = 0;
        values[i].i = elements[i];
    }
    return make(std::move(values), lower);
}

void Arrays::set_string(TestObject *array, int index, const std::string &text)
{
    elements_.at(array->handle()).at(static_cast<size_t>(index)).l = table_.make_string(text)->handle();
}

void Arrays::set_int(TestObject *array, int index, jint value)
{
    elements_.at(array->handle()).at(static_cast<size_t>(index)).i = value;
}

TestObject *Arrays::objects(const std::vector<TestObject *> &elements, int lower)
{
    std::vector<jvalue> values(elements.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        values[i].j = 0;
        values[i].l = elements[i] ? elements[i]->handle() : nullptr;
    }
    return make(std::move(values), lower);
}

} // namespace fltest
