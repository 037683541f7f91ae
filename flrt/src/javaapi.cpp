// Access paths: reading, assignment and procedure paths evaluated on an
// object through the native interface table.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "cflrt_classes.hpp"
#include "fl_constants.h"
#include "jni_access.hpp"
#include "jni_runtime.hpp"

namespace flrt {
namespace {

constexpr const char *kModule = "javaapi";
constexpr int kMaxArguments = 32;

#define JAVAAPI_ASSERT(message) flrt_assert_msg(message, kModule, __LINE__)

JNIEnv *env()
{
    return table();
}

// A reference fills the whole value on a 64-bit virtual machine.
bool is_null_object(jvalue value)
{
    return value.l == nullptr;
}

bool is_reference_letter(char letter)
{
    return letter == 'L' || letter == '[';
}

// ---- Reading the description of one path element ----

FLF_ITEM child(FLF_ITEM element, int sign)
{
    return element ? flf_get_prop(element, sign) : nullptr;
}

// The element's tag; 0 (after "Tag missed") when it has none.
char read_tag(FLF_ITEM element)
{
    FLF_ITEM tag = child(element, FL_tag);
    if (!tag) {
        JAVAAPI_ASSERT("Tag missed");
        return 0;
    }
    return flf_get_prop_char(tag);
}

// A field or routine named by an element.
struct Feature {
    std::string name;
    std::string class_name;
    std::string signature; // writable: the emulated table rewrites its first letter
    bool is_static = false;

    char *writable_signature() { return signature.data(); }
    char result_letter() const
    {
        const size_t close = signature.find(')');
        return close == std::string::npos ? '\0' : signature[close + 1];
    }
};

// Assertion texts for a missing or void item; null messages give plain assertions.
struct ItemTexts {
    const char *missing;
    const char *is_void;
};

std::optional<std::string> read_text(FLF_ITEM element, int sign, ItemTexts texts, int line)
{
    FLF_ITEM item = child(element, sign);
    const char *text = item ? flf_get_prop_str(item) : nullptr;
    const char *problem = !item ? texts.missing : (!text || !*text) ? texts.is_void : nullptr;
    if (!item || !text || !*text) {
        if (problem)
            flrt_assert_msg(problem, kModule, line);
        else
            flrt_assert(kModule, line);
        return std::nullopt;
    }
    return std::string(text);
}

std::string emulated_signature(char tag)
{
    switch (tag) {
    case 'v':
    case 'c': return "D";
    case 'P': return "()V";
    case 'f': return "()D";
    case 'F': return "()I";
    default: return "I";
    }
}

enum class FeatureKind { Field, ProcedureField, Routine };

std::optional<Feature> read_feature(FLF_ITEM element, char tag, FeatureKind kind)
{
    const bool plain = kind == FeatureKind::Routine;
    const ItemTexts name_texts = plain ? ItemTexts{} : ItemTexts{"Missed feature name", "Feature name is Void"};
    const ItemTexts signature_texts{"Missed feature signature", kind == FeatureKind::ProcedureField
                                                                    ? "Signature name is Void"
                                                                    : "Feature signature is Void"};
    const ItemTexts class_texts = plain ? ItemTexts{} : ItemTexts{"Missed class name", "Missed class name"};
    Feature feature;
    auto name = read_text(element, FL_feature, name_texts, __LINE__);
    if (!name)
        return std::nullopt;
    feature.name = *name;
    if (table_is_emulated()) {
        feature.signature = emulated_signature(tag);
    } else {
        auto signature = read_text(element, FL_signature, signature_texts, __LINE__);
        if (!signature)
            return std::nullopt;
        feature.signature = *signature;
    }
    auto class_name = read_text(element, FL_class_name, class_texts, __LINE__);
    if (!class_name)
        return std::nullopt;
    feature.class_name = *class_name;
    feature.is_static = child(element, FL_static) != nullptr;
    return feature;
}

// ---- Fields ----

jfieldID field_id(jclass cls, Feature &feature)
{
    return feature.is_static ? env()->GetStaticFieldID(cls, feature.name.c_str(), feature.writable_signature())
                             : env()->GetFieldID(cls, feature.name.c_str(), feature.writable_signature());
}

bool lookup_failed()
{
    return exception_taken();
}

// The object held by a field on the way along a path; nullopt after "field not found".
std::optional<jobject> object_field(jclass cls, jobject target, Feature &feature)
{
    jfieldID id = field_id(cls, feature);
    if (lookup_failed()) {
        JAVAAPI_ASSERT("field not found");
        return std::nullopt;
    }
    return feature.is_static ? env()->GetStaticObjectField(cls, id) : env()->GetObjectField(target, id);
}

jvalue read_typed_field(jclass cls, jobject target, jfieldID id, const Feature &feature)
{
    jvalue value = object_value();
    const bool known = with_jni_type(feature.signature[0], [&](auto access) {
        JNIEnv *e = env();
        value.*access.member = feature.is_static ? (e->functions->*access.get_static)(e, cls, id)
                                                 : (e->functions->*access.get)(e, target, id);
    });
    if (!known)
        JAVAAPI_ASSERT("invalid tag");
    return value;
}

// What a value given to an assignment path holds.
enum class ValueKind { Int, Bool, Double, Raw };

struct TypedValue {
    jvalue value;
    ValueKind kind;
};

template <class T>
T convert_to(const TypedValue &typed, T jvalue::*member)
{
    const jvalue &v = typed.value;
    if constexpr (std::is_same_v<T, jboolean>) {
        switch (typed.kind) {
        case ValueKind::Int: return v.i != 0;
        case ValueKind::Double: return v.d != 0.0;
        default: return v.z != 0;
        }
    } else if constexpr (std::is_same_v<T, jobject>) {
        return typed.kind == ValueKind::Raw ? v.l : reinterpret_cast<jobject>(static_cast<intptr_t>(v.i));
    } else {
        switch (typed.kind) {
        case ValueKind::Int: return static_cast<T>(v.i);
        case ValueKind::Bool: return static_cast<T>(v.z != 0);
        case ValueKind::Double: return static_cast<T>(v.d);
        default: return v.*member;
        }
    }
}

void store_typed_field(jclass cls, jobject target, jfieldID id, const Feature &feature, const TypedValue &typed)
{
    const bool known = with_jni_type(feature.signature[0], [&](auto access) {
        JNIEnv *e = env();
        const auto converted = convert_to(typed, access.member);
        if (feature.is_static)
            (e->functions->*access.set_static)(e, cls, id, converted);
        else
            (e->functions->*access.set)(e, target, id, converted);
    });
    if (!known)
        JAVAAPI_ASSERT("invalid tag");
}

// ---- Literals ----

jvalue literal_value(FLF_ITEM element, int expected_tag, bool strings_as_objects)
{
    if (!read_tag(element))
        return object_value();
    FLF_ITEM item = child(element, FL_literal);
    if (!item) {
        flrt_assert(kModule, __LINE__);
        return object_value();
    }
    const int stored = flf_get_item_tag(item);
    if (expected_tag && stored != expected_tag) {
        JAVAAPI_ASSERT("Uncompatible tags");
        return object_value();
    }
    jvalue value = object_value();
    switch (stored) {
    case FLF_TAG_INTEGER: value.i = flf_get_prop_int(item); break;
    case FLF_TAG_STRING: {
        const char *text = flf_get_prop_str(item);
        // A literal without text is a null reference: NewStringUTF(NULL) is undefined in a virtual machine.
        if (strings_as_objects)
            value.l = text ? env()->NewStringUTF(text) : nullptr;
        else
            value.l = reinterpret_cast<jobject>(const_cast<char *>(text));
        break;
    }
    case FLF_TAG_BOOLEAN: value.z = flf_get_prop_boo(item) ? JNI_TRUE : JNI_FALSE; break;
    case FLF_TAG_CHARACTER: value.c = static_cast<unsigned char>(flf_get_prop_char(item)); break;
    case FLF_TAG_DOUBLE: value.d = flf_get_prop_double(item); break;
    default: JAVAAPI_ASSERT("Unknown literal value");
    }
    return value;
}

// ---- Routine calls ----

jvalue evaluate_argument(jobject target, jobject root, FLF_ITEM path);

// The number of parameters a routine signature declares.
size_t parameter_count(const std::string &signature)
{
    size_t count = 0;
    for (size_t i = signature.find('(') + 1; i > 0 && i < signature.size() && signature[i] != ')'; ++i) {
        while (i < signature.size() && signature[i] == '[')
            ++i;
        if (i < signature.size() && signature[i] == 'L')
            i = signature.find(';', i);
        if (i == std::string::npos)
            break;
        ++count;
    }
    return count;
}

class ArgumentList {
public:
    // A virtual machine reads as many values as the routine has parameters:
    // slots it was not given hold zero.
    explicit ArgumentList(size_t parameters)
        : slots_(std::max(parameters, static_cast<size_t>(kMaxArguments)), object_value())
    {}

    // Fills the slots, in property order, from the parameter items of the element.
    void Collect(FLF_ITEM element, jobject root, const std::string &feature)
    {
        for (int pos = flf_get_first_prop_position(element); pos; pos = flf_get_next_prop_position(element, pos)) {
            FLF_ITEM parameter = flf_item_by_position(element, pos);
            if (flf_get_item_sign(parameter) != FL_parameter)
                continue;
            FLF_ITEM path = flf_get_prop(parameter, FL_path);
            if (!path) {
                flrt_assert_name("Parameter missed", feature.c_str(), kModule, __LINE__);
                continue;
            }
            slots_[count_++] = evaluate_argument(root, root, path);
            if (count_ == kMaxArguments) {
                JAVAAPI_ASSERT("Too many parameters in feature call");
                return;
            }
        }
    }

    const jvalue *Slots() const { return slots_.data(); }

private:
    std::vector<jvalue> slots_;
    int count_ = 0;
};

jmethodID method_id(jclass cls, jobject target, const Feature &feature)
{
    if (feature.is_static)
        return env()->GetStaticMethodID(cls, feature.name.c_str(), feature.signature.c_str());
    jclass dynamic = env()->GetObjectClass(target);
    return env()->GetMethodID(dynamic, feature.name.c_str(), feature.signature.c_str());
}

std::optional<jvalue> invoke(jclass cls, jobject target, jmethodID id, const Feature &feature, const jvalue *args)
{
    JNIEnv *e = env();
    const char letter = feature.result_letter();
    jvalue result = object_value();
    if (letter == 'V') {
        if (feature.is_static)
            e->CallStaticVoidMethodA(cls, id, args);
        else
            e->CallVoidMethodA(target, id, args);
        return result;
    }
    const bool known = with_jni_type(letter, [&](auto access) {
        result.*access.member = feature.is_static ? (e->functions->*access.call_static)(e, cls, id, args)
                                                  : (e->functions->*access.call)(e, target, id, args);
    });
    if (!known) {
        JAVAAPI_ASSERT("invalid feature signature");
        return std::nullopt;
    }
    return result;
}

// The answer of a routine; an object is a new local reference of the caller's.
struct RoutineResult {
    jvalue value = object_value();
    bool reference = false;
};

RoutineResult call_routine(jobject target, jobject root, FLF_ITEM element)
{
    const char tag = read_tag(element);
    if (!tag)
        return {};
    auto feature = read_feature(element, tag, FeatureKind::Routine);
    if (!feature)
        return {};
    flrt_trace_call("qev_routine", feature->class_name.c_str(), feature->name.c_str());
    // The class, the arguments and the call's own references end with the call.
    LocalFrame frame;
    jclass cls = env()->FindClass(feature->class_name.c_str());
    if (lookup_failed() || !cls) {
        flrt_assert_name("Unknown class", feature->class_name.c_str(), kModule, __LINE__);
        return {};
    }
    ArgumentList arguments(parameter_count(feature->signature));
    arguments.Collect(element, root, feature->name);
    jmethodID id = method_id(cls, target, *feature);
    if (lookup_failed() || !id) {
        flrt_assert_name("Unknown procedure", feature->name.c_str(), kModule, __LINE__);
        return {};
    }
    const auto result = invoke(cls, target, id, *feature, arguments.Slots());
    if (lookup_failed())
        throw new CRoutineCallException(feature->class_name.c_str(), feature->name.c_str());
    RoutineResult answer;
    answer.value = result.value_or(object_value());
    answer.reference = result && is_reference_letter(feature->result_letter());
    if (answer.reference)
        answer.value.l = frame.Keep(answer.value.l);
    return answer;
}

// ---- The three kinds of path ----

// Walks one kind of path element by element; each kind says what every tag does.
class CFLRT_PathWalk {
public:
    virtual ~CFLRT_PathWalk() = default;

    jvalue Walk(jobject target, jobject root, FLF_ITEM element)
    {
        reference_ = false;
        const char tag = read_tag(element);
        FLF_ITEM next = child(element, FL_path);
        switch (tag) {
        case 0: return object_value();
        case '*': return OnCurrent(target, root, next);
        case 'T': return OnType(target, root, next);
        case 'V':
        case 'v': return OnVariable(target, root, element, tag, next);
        case 'C':
        case 'c': return OnConstant(target, root, element, tag, next);
        case 'F':
        case 'f': return OnFunction(target, root, element, next);
        case 'P': return OnProcedure(target, root, element, next);
        case 'L': return OnLiteral(element);
        }
        JAVAAPI_ASSERT("Unknown tag value");
        return object_value();
    }

    // Whether the value of the last walk is an object reference.
    bool ResultIsReference() const { return reference_; }

protected:
    virtual jvalue OnCurrent(jobject target, jobject root, FLF_ITEM next) = 0;
    virtual jvalue OnVariable(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) = 0;
    virtual jvalue OnConstant(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) = 0;
    virtual jvalue OnFunction(jobject target, jobject root, FLF_ITEM element, FLF_ITEM next) = 0;
    virtual jvalue OnProcedure(jobject target, jobject root, FLF_ITEM element, FLF_ITEM next) = 0;
    virtual jvalue OnLiteral(FLF_ITEM element) = 0;

    jvalue OnType(jobject target, jobject root, FLF_ITEM next)
    {
        if (!next) {
            JAVAAPI_ASSERT("TYPE tag cannot be used as terminal");
            return object_value();
        }
        return Walk(target, root, next);
    }

    // A field on a reading or assignment path: the walk goes on with the
    // object it holds (a null object ends it with no value) or ends at it.
    jvalue ThroughField(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next)
    {
        // The class and the objects on the way end here; a value that is an object goes on.
        LocalFrame frame;
        auto field = FieldClass(element, tag, FeatureKind::Field, "get_field");
        if (!field)
            return object_value();
        auto &[feature, cls] = *field;
        if (!next)
            return KeepResult(frame, AtTerminalField(cls, target, feature));
        const auto object = object_field(cls, target, feature);
        return object && *object ? KeepResult(frame, Walk(*object, root, next)) : object_value();
    }

    // The value leaves the frame: an object as a reference of the enclosing frame.
    jvalue KeepResult(LocalFrame &frame, jvalue value)
    {
        if (reference_)
            value.l = frame.Keep(value.l);
        return value;
    }

    bool reference_ = false;

    virtual jvalue AtTerminalField(jclass, jobject, Feature &) { return object_value(); }

    static jvalue Refuse(const char *message, int line)
    {
        flrt_assert_msg(message, kModule, line);
        return object_value();
    }

    // Resolves the class of a field element and logs the access; nullopt after an assertion.
    static std::optional<std::pair<Feature, jclass>> FieldClass(FLF_ITEM element, char tag, FeatureKind kind,
                                                                const char *label)
    {
        auto feature = read_feature(element, tag, kind);
        if (!feature)
            return std::nullopt;
        flrt_trace_call(label, feature->class_name.c_str(), feature->name.c_str());
        jclass cls = env()->FindClass(feature->class_name.c_str());
        const bool raised = lookup_failed();
        const bool missing = kind == FeatureKind::ProcedureField ? raised : cls == nullptr;
        if (missing) {
            JAVAAPI_ASSERT("class not found");
            return std::nullopt;
        }
        return std::make_pair(std::move(*feature), cls);
    }
};

class CFLRT_ReadingPath : public CFLRT_PathWalk {
protected:
    jvalue OnCurrent(jobject target, jobject, FLF_ITEM) override
    {
        reference_ = true;
        return object_value(target);
    }

    jvalue OnVariable(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) override
    {
        return ThroughField(target, root, element, tag, next);
    }

    jvalue OnConstant(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) override
    {
        return OnVariable(target, root, element, tag, next);
    }

    jvalue OnFunction(jobject target, jobject root, FLF_ITEM element, FLF_ITEM next) override
    {
        LocalFrame frame;
        const RoutineResult result = call_routine(target, root, element);
        if (!next || is_null_object(result.value)) {
            reference_ = result.reference;
            return KeepResult(frame, result.value);
        }
        return KeepResult(frame, Walk(result.value.l, root, next));
    }

    jvalue OnProcedure(jobject, jobject, FLF_ITEM, FLF_ITEM) override
    {
        return Refuse("Incorrect usage of procedure call", __LINE__);
    }

    jvalue OnLiteral(FLF_ITEM element) override { return literal_value(element, 0, false); }

    jvalue AtTerminalField(jclass cls, jobject target, Feature &feature) override
    {
        jfieldID id = field_id(cls, feature);
        const bool failed = lookup_failed();
        if (failed && !feature.is_static)
            flrt_fatal_detail("field not found ", feature.name.c_str()); // ends the process
        if (failed)
            return Refuse("field not found", __LINE__);
        reference_ = is_reference_letter(feature.signature[0]);
        return read_typed_field(cls, target, id, feature);
    }
};

class CFLRT_AssignmentPath : public CFLRT_PathWalk {
public:
    explicit CFLRT_AssignmentPath(const TypedValue &value) : value_(value) {}

protected:
    jvalue OnCurrent(jobject, jobject, FLF_ITEM) override { return Refuse("Unknown tag value", __LINE__); }

    jvalue OnVariable(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) override
    {
        return ThroughField(target, root, element, tag, next);
    }

    jvalue AtTerminalField(jclass cls, jobject target, Feature &feature) override
    {
        jfieldID id = field_id(cls, feature);
        if (lookup_failed())
            return Refuse("field not found", __LINE__);
        store_typed_field(cls, target, id, feature, value_);
        return object_value();
    }

    jvalue OnConstant(jobject, jobject, FLF_ITEM, char tag, FLF_ITEM) override
    {
        return Refuse(tag == 'C' ? "Obsolete usage of constant" : "Unknown tag value", __LINE__);
    }

    jvalue OnFunction(jobject target, jobject, FLF_ITEM element, FLF_ITEM next) override
    {
        LocalFrame frame;
        const RoutineResult result = call_routine(target, target, element);
        if (next && !is_null_object(result.value))
            Walk(result.value.l, result.value.l, next);
        return object_value();
    }

    jvalue OnProcedure(jobject, jobject, FLF_ITEM, FLF_ITEM) override
    {
        return Refuse("Incorrect usage of procedure call", __LINE__);
    }

    jvalue OnLiteral(FLF_ITEM) override { return Refuse("Incorrect usage of Literal constant", __LINE__); }

private:
    TypedValue value_;
};

class CFLRT_ProcedurePath : public CFLRT_PathWalk {
protected:
    jvalue OnCurrent(jobject target, jobject root, FLF_ITEM next) override
    {
        if (!next)
            return Refuse("Current cannot be used as terminal in a procedure call", __LINE__);
        return Walk(target, root, next);
    }

    jvalue OnVariable(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) override
    {
        if (!next)
            return Refuse("Incorrect use of attribute instead of procedure call", __LINE__);
        LocalFrame frame;
        auto field = FieldClass(element, tag, FeatureKind::ProcedureField, "qev_field");
        if (!field)
            return object_value();
        auto &[feature, cls] = *field;
        const auto object = object_field(cls, target, feature);
        if (!object)
            return object_value();
        if (!*object)
            throw new CRoutineCallException(feature.class_name.c_str(), feature.name.c_str());
        return Walk(*object, root, next);
    }

    jvalue OnConstant(jobject target, jobject root, FLF_ITEM element, char tag, FLF_ITEM next) override
    {
        return OnVariable(target, root, element, tag, next);
    }

    jvalue OnFunction(jobject target, jobject root, FLF_ITEM element, FLF_ITEM next) override
    {
        if (!next)
            return Refuse("Incorrect use of function instead of procedure call", __LINE__);
        LocalFrame frame;
        const RoutineResult result = call_routine(target, root, element);
        if (is_null_object(result.value))
            throw new CRoutineCallException("Void function result used in feature call", "");
        return Walk(result.value.l, root, next);
    }

    jvalue OnProcedure(jobject target, jobject root, FLF_ITEM element, FLF_ITEM next) override
    {
        if (next)
            JAVAAPI_ASSERT("Incorrect procedure call");
        call_routine(target, root, element);
        return object_value();
    }

    jvalue OnLiteral(FLF_ITEM) override { return Refuse("Incorrect usage of Literal constant", __LINE__); }
};

// The value of a reading path; under a virtual machine an object is a new
// local reference, which the caller gives back.
jvalue read_path(jobject target, jobject root, FLF_ITEM path, bool *reference = nullptr)
{
    LocalFrame frame;
    CFLRT_ReadingPath walk;
    jvalue value = walk.Walk(target, root, path);
    if (walk.ResultIsReference())
        value.l = frame.Keep(value.l);
    if (reference)
        *reference = walk.ResultIsReference();
    return value;
}

void assign_path(jobject obj, FLF_ITEM path, const TypedValue &value)
{
    CFLRT_AssignmentPath(value).Walk(obj, obj, path);
}

bool is_literal(FLF_ITEM path)
{
    FLF_ITEM tag = child(path, FL_tag);
    return tag && flf_get_prop_char(tag) == 'L';
}

jvalue evaluate_argument(jobject target, jobject root, FLF_ITEM path)
{
    return is_literal(path) ? literal_value(path, 0, true) : read_path(target, root, path);
}

// A typed getter: literals must be stored with the expected tag.
jvalue typed_value(jobject obj, FLF_ITEM path, int expected_tag, bool *reference = nullptr)
{
    if (reference)
        *reference = false;
    return is_literal(path) ? literal_value(path, expected_tag, false) : read_path(obj, obj, path, reference);
}

// A value read as a number, boolean or character: an object the path
// yielded instead is not kept.
jvalue plain_value(jobject obj, FLF_ITEM path, int expected_tag)
{
    bool reference = false;
    const jvalue value = typed_value(obj, path, expected_tag, &reference);
    if (reference)
        delete_local(value.l);
    return value;
}

// Kept between calls and grown, never shrunk.
std::vector<char> g_string_buffer;
char g_text_buffer[400];

const char *read_string(jobject obj, FLF_ITEM path)
{
    const jvalue value = typed_value(obj, path, FLF_TAG_STRING);
    if (is_literal(path) || !value.l)
        return reinterpret_cast<const char *>(value.l);
    jstring string = static_cast<jstring>(value.l);
    const size_t length = static_cast<size_t>(env()->GetStringUTFLength(string));
    if (g_string_buffer.size() < length + 1)
        g_string_buffer.assign(length + 1, '\0');
    const char *chars = env()->GetStringUTFChars(string, nullptr);
    if (chars) {
        std::memcpy(g_string_buffer.data(), chars, length);
        env()->ReleaseStringUTFChars(string, chars);
    }
    g_string_buffer[length] = '\0';
    delete_local(string);
    return g_string_buffer.data();
}

const char *value_text(jobject obj, FLF_ITEM path, char code)
{
    if (!obj)
        return "";
    switch (code) {
    case 'I':
        std::snprintf(g_text_buffer, sizeof g_text_buffer, "%d",
                      static_cast<int>(plain_value(obj, path, FLF_TAG_INTEGER).i));
        break;
    case 'B': return plain_value(obj, path, FLF_TAG_BOOLEAN).z ? "True" : "False";
    case 'S': return read_string(obj, path);
    case 'D':
    case 'R':
        std::snprintf(g_text_buffer, sizeof g_text_buffer, "%.3f", plain_value(obj, path, FLF_TAG_DOUBLE).d);
        break;
    case 'C':
        g_text_buffer[0] = static_cast<char>(plain_value(obj, path, FLF_TAG_CHARACTER).c);
        g_text_buffer[1] = '\0';
        break;
    default: return "?";
    }
    return g_text_buffer;
}

TypedValue typed(ValueKind kind, jvalue value)
{
    return TypedValue{value, kind};
}

} // namespace
} // namespace flrt

using namespace flrt;

extern "C" {

FLRT_API jvalue FLRT_CALL javaapi_get_value(jobject obj, FLF_ITEM path)
{
    return read_path(obj, obj, path);
}

FLRT_API jvalue FLRT_CALL javaapi_get_argument(jobject target, jobject root, FLF_ITEM path)
{
    return evaluate_argument(target, root, path);
}

FLRT_API jint FLRT_CALL javaapi_get_int(jobject obj, FLF_ITEM path)
{
    return plain_value(obj, path, FLF_TAG_INTEGER).i;
}

FLRT_API jboolean FLRT_CALL javaapi_get_bool(jobject obj, FLF_ITEM path)
{
    return plain_value(obj, path, FLF_TAG_BOOLEAN).z;
}

FLRT_API jchar FLRT_CALL javaapi_get_char(jobject obj, FLF_ITEM path)
{
    return plain_value(obj, path, FLF_TAG_CHARACTER).c;
}

FLRT_API jdouble FLRT_CALL javaapi_get_double(jobject obj, FLF_ITEM path)
{
    return plain_value(obj, path, FLF_TAG_DOUBLE).d;
}

FLRT_API const char *FLRT_CALL javaapi_get_string(jobject obj, FLF_ITEM path)
{
    return read_string(obj, path);
}

FLRT_API const char *FLRT_CALL javaapi_value_text(jobject obj, FLF_ITEM path, const char *type_code)
{
    return value_text(obj, path, type_code ? type_code[0] : '\0');
}

FLRT_API int FLRT_CALL javaapi_is_literal(FLF_ITEM path)
{
    return is_literal(path);
}

FLRT_API void FLRT_CALL javaapi_set_int(jobject obj, FLF_ITEM path, jint value)
{
    jvalue v = object_value();
    v.i = value;
    assign_path(obj, path, typed(ValueKind::Int, v));
}

FLRT_API void FLRT_CALL javaapi_set_bool(jobject obj, FLF_ITEM path, jboolean value)
{
    jvalue v = object_value();
    v.z = value;
    assign_path(obj, path, typed(ValueKind::Bool, v));
}

FLRT_API void FLRT_CALL javaapi_set_double(jobject obj, FLF_ITEM path, jdouble value)
{
    jvalue v = object_value();
    v.d = value;
    assign_path(obj, path, typed(ValueKind::Double, v));
}

FLRT_API void FLRT_CALL javaapi_set_value(jobject obj, FLF_ITEM path, jvalue value)
{
    assign_path(obj, path, typed(ValueKind::Raw, value));
}

FLRT_API void FLRT_CALL javaapi_set_string(jobject obj, FLF_ITEM path, const char *text)
{
    if (!text) {
        JAVAAPI_ASSERT("Incorrect string value");
        return;
    }
    const jvalue v = object_value(env()->NewStringUTF(text));
    assign_path(obj, path, typed(ValueKind::Raw, v));
    delete_local(v.l);
}

FLRT_API void FLRT_CALL javaapi_call_procedure(jobject obj, FLF_ITEM path)
{
    CFLRT_ProcedurePath().Walk(obj, obj, path);
}

} // extern "C"
