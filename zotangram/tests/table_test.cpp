// The native interface table, family by family, driven the way the form
// runtime drives it.
#include <cstdarg>
#include <cstring>
#include <string>

#include "table_fixture.hpp"
#include "zo/exception.hpp"

using namespace zotest;

namespace {

constexpr int kReservedSlots[] = {0, 1, 2, 3, 7, 8, 9, 12, 19, 20, 25, 26};
constexpr int kJni11Slots = 220;

TEST_F(TableTest, HasTheJni11LayoutWithReservedSlotsNull)
{
    EXPECT_EQ(env->GetVersion(), 0xEFFE);
    const auto *slots = reinterpret_cast<void *const *>(env->functions);
    const int total = static_cast<int>(sizeof(JNINativeInterface_) / sizeof(void *));
    for (int i = 0; i < total; ++i) {
        const bool reserved =
            std::find(std::begin(kReservedSlots), std::end(kReservedSlots), i) != std::end(kReservedSlots);
        const bool expected = i < kJni11Slots && !reserved;
        EXPECT_EQ(slots[i] != nullptr, expected) << "slot " << i;
    }
    // A few slots by position, to catch a family filled into its neighbour.
    EXPECT_EQ(slots[6], reinterpret_cast<void *>(env->functions->FindClass));
    EXPECT_EQ(slots[94], reinterpret_cast<void *>(env->functions->GetFieldID));
    EXPECT_EQ(slots[169], reinterpret_cast<void *>(env->functions->GetStringUTFChars));
    EXPECT_EQ(slots[219], reinterpret_cast<void *>(env->functions->GetJavaVM));
}

TEST_F(TableTest, FindsClassesWithoutRegardToCaseAndReportsTheLookup)
{
    const jclass world = find("test_world");
    ASSERT_NE(world, nullptr);
    EXPECT_FALSE(failed());
    EXPECT_EQ(zo::Registry::instance().by_number(reinterpret_cast<std::uintptr_t>(world))->name(), "TEST_WORLD");
    EXPECT_EQ(find("Test_World"), world);

    EXPECT_EQ(find("NO_SUCH_CLASS"), nullptr);
    EXPECT_TRUE(failed());
    env->ExceptionClear();
    env->ExceptionDescribe();
    EXPECT_TRUE(failed()) << "only the next successful lookup resets the status";
    EXPECT_STREQ(reinterpret_cast<const char *>(env->ExceptionOccurred()), "none");
    find("PERSON");
    EXPECT_FALSE(failed());
    EXPECT_EQ(find(nullptr), nullptr);
    EXPECT_TRUE(failed());
}

TEST_F(TableTest, ClassHandlesAndConformance)
{
    Employee *employee = zo::make<Employee>();
    zo::Root<Employee> keep(employee);
    const jclass person_class = find("PERSON");
    const jclass employee_class = env->GetObjectClass(handle(employee));
    EXPECT_EQ(employee_class, find("EMPLOYEE"));
    EXPECT_TRUE(env->IsInstanceOf(handle(employee), person_class));
    EXPECT_FALSE(env->IsInstanceOf(handle(employee), find("PET")));
    EXPECT_TRUE(env->IsAssignableFrom(employee_class, person_class));
    EXPECT_FALSE(env->IsAssignableFrom(person_class, employee_class));
    EXPECT_TRUE(env->IsAssignableFrom(person_class, find("ANY")));

    // A handle above 0xFFFF is a class descriptor.
    const auto *descriptor = &Employee::zo_class();
    EXPECT_TRUE(env->IsAssignableFrom(reinterpret_cast<jclass>(const_cast<zo::ClassInfo *>(descriptor)), person_class));

    EXPECT_EQ(env->GetObjectClass(nullptr), nullptr);
    EXPECT_TRUE(failed());
    EXPECT_FALSE(env->IsAssignableFrom(reinterpret_cast<jclass>(std::uintptr_t{0xFFFF}), person_class));
    EXPECT_TRUE(failed());
    EXPECT_TRUE(env->IsSameObject(handle(employee), handle(employee)));
    EXPECT_FALSE(env->IsSameObject(handle(employee), nullptr));
    EXPECT_EQ(env->GetSuperclass(employee_class), nullptr);
    EXPECT_EQ(env->DefineClass("X", nullptr, nullptr, 0), nullptr);
}

TEST_F(TableTest, GetFieldIdWritesTheKindLetter)
{
    const jclass cls = find("person");
    struct Case {
        const char *name;
        char letter;
    } cases[] = {{"active", 'Z'}, {"initial", 'B'}, {"age", 'I'},  {"handle", 'I'},
                 {"height", 'D'}, {"weight", 'D'},  {"name", 'I'}, {"AREA", 'I'}};
    for (const Case &c : cases) {
        char signature[] = "I";
        const jfieldID id = env->GetFieldID(cls, c.name, signature);
        EXPECT_EQ(reinterpret_cast<const char *>(id), c.name);
        EXPECT_EQ(signature[0], c.letter) << c.name;
        EXPECT_FALSE(failed());
    }
    char signature[] = "Q";
    EXPECT_EQ(env->GetFieldID(cls, "colour", signature), nullptr);
    EXPECT_TRUE(failed());
    EXPECT_STREQ(signature, "Q");
    EXPECT_EQ(env->GetFieldID(cls, "", signature), nullptr);
    EXPECT_TRUE(failed());
    // A signature that already has the right letter may be read-only.
    EXPECT_NE(env->GetFieldID(cls, "age", "I"), nullptr);
}

TEST_F(TableTest, FieldIdServesEveryClassWithThatAttribute)
{
    Person *p = person();
    auto *pet = zo::make<Pet>();
    zo::Root<Pet> keep(pet);
    p->age = 41;
    pet->age = 3;
    char signature[] = "I";
    const jfieldID age = env->GetFieldID(find("PERSON"), "age", signature);
    EXPECT_EQ(env->GetIntField(handle(pet), age), 3);
    EXPECT_EQ(env->GetIntField(handle(p), age), 41);
    env->SetIntField(handle(pet), age, 4);
    EXPECT_EQ(pet->age, 4);

    // Pets have no name: nothing is read or written, and the status says so.
    const jfieldID name = env->GetFieldID(find("PERSON"), "name", signature);
    EXPECT_EQ(env->GetObjectField(handle(pet), name), nullptr);
    EXPECT_TRUE(failed());
    env->SetDoubleField(handle(pet), reinterpret_cast<jfieldID>(const_cast<char *>("colour")), 1.0);
    EXPECT_TRUE(failed());
    EXPECT_EQ(env->GetIntField(nullptr, age), 0);
    EXPECT_TRUE(failed());
}

TEST_F(TableTest, FieldWidthsOfEveryType)
{
    Person *p = person();
    jobject obj = handle(p);
    auto id = [](const char *name) { return reinterpret_cast<jfieldID>(const_cast<char *>(name)); };

    p->initial = static_cast<char>(0xE9);
    EXPECT_EQ(env->GetByteField(obj, id("initial")), static_cast<jbyte>(0xE9));
    EXPECT_EQ(env->GetCharField(obj, id("initial")), 0xFFE9) << "one byte, sign-extended to 16 bits";
    env->SetCharField(obj, id("initial"), 0x1241);
    EXPECT_EQ(p->initial, 'A') << "the low byte";
    env->SetByteField(obj, id("initial"), 'z');
    EXPECT_EQ(p->initial, 'z');

    env->SetBooleanField(obj, id("active"), 2);
    EXPECT_TRUE(p->active);
    EXPECT_EQ(env->GetBooleanField(obj, id("active")), JNI_TRUE);
    env->SetBooleanField(obj, id("active"), JNI_FALSE);
    EXPECT_FALSE(p->active);

    p->age = 0x12345678;
    EXPECT_EQ(env->GetShortField(obj, id("age")), 0x5678);
    env->SetShortField(obj, id("age"), -2);
    EXPECT_EQ(p->age, -2) << "sign-extended into the 32-bit attribute";
    EXPECT_EQ(env->GetLongField(obj, id("age")), -2);
    env->SetLongField(obj, id("age"), 0x1'0000'0007LL);
    EXPECT_EQ(p->age, 7) << "the low 32 bits";
    env->SetIntField(obj, id("age"), -123456);
    EXPECT_EQ(env->GetIntField(obj, id("age")), -123456);

    env->SetDoubleField(obj, id("height"), 1.75);
    EXPECT_EQ(p->height, 1.75);
    EXPECT_EQ(env->GetFloatField(obj, id("height")), 1.75f);
    env->SetFloatField(obj, id("weight"), 80.5f);
    EXPECT_EQ(p->weight, 80.5);
    EXPECT_EQ(env->GetDoubleField(obj, id("weight")), 80.5);
    EXPECT_FALSE(failed());
}

TEST_F(TableTest, ReferenceFieldsTakeOnlyLiveObjectsOfTheirClass)
{
    Person *p = person();
    Person *other = person();
    jobject obj = handle(p);
    auto id = [](const char *name) { return reinterpret_cast<jfieldID>(const_cast<char *>(name)); };

    env->SetObjectField(obj, id("buddy"), handle(other));
    EXPECT_EQ(p->buddy, other);
    EXPECT_EQ(env->GetObjectField(obj, id("buddy")), handle(other));

    const jstring text = env->NewStringUTF("Ann");
    env->SetObjectField(obj, id("buddy"), text);
    EXPECT_TRUE(failed()) << "a STRING is no PERSON";
    EXPECT_EQ(p->buddy, other);
    int on_the_stack = 0;
    env->SetObjectField(obj, id("empty"), reinterpret_cast<jobject>(&on_the_stack));
    EXPECT_TRUE(failed()) << "not an object of the heap";
    EXPECT_EQ(p->empty, nullptr);
    env->SetObjectField(obj, id("empty"), text);
    EXPECT_FALSE(failed()) << "any class conforms to ANY";
    env->SetObjectField(obj, id("buddy"), nullptr);
    EXPECT_EQ(p->buddy, nullptr);
    EXPECT_EQ(env->GetObjectField(obj, id("age")), nullptr) << "an integer is no handle";

    if constexpr (kHandlesAre32Bits) {
        // With the table's kind letter 'I' the runtime moves references with the Int functions.
        env->SetIntField(obj, id("name"), static_cast<jint>(reinterpret_cast<std::uintptr_t>(text)));
        EXPECT_EQ(reinterpret_cast<jobject>(p->name), text);
        EXPECT_EQ(env->GetIntField(obj, id("name")), static_cast<jint>(reinterpret_cast<std::uintptr_t>(text)));
    } else {
        env->SetIntField(obj, id("name"), 0x1234);
        EXPECT_TRUE(failed()) << "a 32-bit value names no object here";
    }
}

// ---- Routine calls ----

class Calls : public TableTest {
protected:
    static jmethodID id(const char *name) { return reinterpret_cast<jmethodID>(const_cast<char *>(name)); }

    jint call_int(jobject obj, const char *name, ...)
    {
        va_list arguments;
        va_start(arguments, name);
        const jint result = env->CallIntMethodV(obj, id(name), arguments);
        va_end(arguments);
        return result;
    }
};

TEST_F(Calls, GetMethodIdLooksAtTheClassAndItsAncestors)
{
    EXPECT_STREQ(reinterpret_cast<const char *>(env->GetMethodID(find("EMPLOYEE"), "GROW", "(IIII)I")), "GROW");
    EXPECT_FALSE(failed());
    EXPECT_EQ(env->GetMethodID(find("PET"), "grow", "()V"), nullptr);
    EXPECT_TRUE(failed());
    EXPECT_EQ(env->GetMethodID(nullptr, "grow", "()V"), nullptr);
}

TEST_F(Calls, ArgumentsAreConvertedByTheFormalKinds)
{
    Person *p = person();
    zo::String *name = zo::make_string("Bea");
    jvalue slots[32] = {};
    slots[0].i = 0x0102; // BOOLEAN: the first byte, zero-extended
    slots[1].i = 0x01E9; // CHARACTER: the first byte, sign-extended
    slots[2].i = -5;
    slots[3].d = 2.5;
    slots[4].l = handle(name);
    env->CallVoidMethodA(handle(p), id("set_all"), slots);
    EXPECT_FALSE(failed());
    EXPECT_TRUE(p->active);
    EXPECT_EQ(p->initial, static_cast<char>(0xE9));
    EXPECT_EQ(p->age, -5);
    EXPECT_EQ(p->height, 2.5);
    EXPECT_EQ(p->name, name);

    slots[0].i = 0x0100;    // first byte zero: false
    slots[4].l = handle(p); // a PERSON where a STRING is due: not called
    env->CallVoidMethodA(handle(p), id("set_all"), slots);
    EXPECT_TRUE(failed());
    EXPECT_TRUE(p->active);
}

TEST_F(Calls, ResultsOfEveryType)
{
    Person *p = person();
    jobject obj = handle(p);
    p->age = 0x12345678;
    p->height = 2.75;
    p->active = true;
    p->initial = static_cast<char>(0xE9);
    p->buddy = person();
    EXPECT_EQ(env->CallIntMethodA(obj, id("get_age"), nullptr), 0x12345678);
    EXPECT_EQ(env->CallShortMethodA(obj, id("get_age"), nullptr), 0x5678);
    EXPECT_EQ(env->CallCharMethodA(obj, id("get_age"), nullptr), 0x5678);
    EXPECT_EQ(env->CallByteMethodA(obj, id("get_age"), nullptr), 0x78);
    EXPECT_EQ(env->CallLongMethodA(obj, id("get_age"), nullptr), 0x12345678);
    EXPECT_EQ(env->CallDoubleMethodA(obj, id("get_height"), nullptr), 2.75);
    EXPECT_EQ(env->CallFloatMethodA(obj, id("get_height"), nullptr), 2.75f);
    EXPECT_EQ(env->CallBooleanMethodA(obj, id("is_active"), nullptr), JNI_TRUE);
    EXPECT_EQ(env->CallCharMethodA(obj, id("get_initial"), nullptr), 0xFFE9);
    EXPECT_EQ(env->CallObjectMethodA(obj, id("get_buddy"), nullptr), handle(p->buddy));
    EXPECT_EQ(env->CallObjectMethodA(obj, id("get_age"), nullptr), nullptr) << "an integer is no handle";
    EXPECT_EQ(env->CallIntMethodA(obj, id("grow"), nullptr), 0) << "a procedure answers 0";
    p->age = -7;
    EXPECT_EQ(env->CallLongMethodA(obj, id("get_age"), nullptr), -7) << "sign-extended";
    if constexpr (kHandlesAre32Bits) {
        EXPECT_EQ(env->CallIntMethodA(obj, id("get_buddy"), nullptr),
                  static_cast<jint>(reinterpret_cast<std::uintptr_t>(p->buddy)));
    }
}

TEST_F(Calls, DynamicClassDecidesWhichRoutineRuns)
{
    auto *employee = zo::make<Employee>();
    auto *pet = zo::make<Pet>();
    zo::Root<Employee> keep_employee(employee);
    zo::Root<Pet> keep_pet(pet);
    employee->age = 30;
    pet->age = 3;
    const jmethodID get_age = env->GetMethodID(find("PERSON"), "get_age", "()I");
    EXPECT_EQ(env->CallIntMethodA(handle(employee), get_age, nullptr), 130);
    EXPECT_EQ(env->CallIntMethodA(handle(pet), get_age, nullptr), 21);
    EXPECT_EQ(env->CallIntMethodA(handle(pet), id("grow"), nullptr), 0);
    EXPECT_TRUE(failed()) << "pets have no grow";
    EXPECT_EQ(env->CallIntMethodA(nullptr, get_age, nullptr), 0);
    EXPECT_TRUE(failed());
}

TEST_F(Calls, VariableArgumentFormsMatchTheArrayForm)
{
    Person *p = person();
    jobject obj = handle(p);
    EXPECT_EQ(call_int(obj, "add3", jint{1}, jint{20}, jint{300}), 321);
    EXPECT_EQ(env->CallIntMethod(obj, id("add3"), jint{4}, jint{5}, jint{6}), 15);
    zo::String *name = zo::make_string("Cy");
    env->CallVoidMethod(obj, id("set_all"), 1, 'c', jint{9}, 0.5, handle(name));
    EXPECT_TRUE(p->active);
    EXPECT_EQ(p->initial, 'c');
    EXPECT_EQ(p->age, 9);
    EXPECT_EQ(p->height, 0.5);
    EXPECT_EQ(p->name, name);
    env->CallVoidMethod(obj, id("grow"), jint{3});
    EXPECT_EQ(p->age, 12);
    EXPECT_EQ(env->CallIntMethod(obj, id("nothing"), jint{1}), 0);
    EXPECT_TRUE(failed());
}

TEST_F(Calls, ExceptionsPassThroughTheTable)
{
    Person *p = person();
    try {
        env->CallVoidMethodA(handle(p), id("explode"), nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const zo::Exception &e) {
        EXPECT_EQ(e.message(), "Person exploded");
    }
    auto code_of = [](auto &&raise) {
        try {
            raise();
        } catch (const zo::Exception &e) {
            return std::make_pair(e.code(), e.message());
        }
        return std::make_pair(0, std::string("none"));
    };
    EXPECT_EQ(code_of([&] { env->ThrowNew(find("PERSON"), "bad"); }), std::make_pair(999, std::string("bad")));
    EXPECT_EQ(code_of([&] { env->FatalError("fatal"); }), std::make_pair(999, std::string("fatal")));
    EXPECT_EQ(code_of([&] { env->Throw(reinterpret_cast<jthrowable>(handle(p))); }),
              std::make_pair(999, std::string()));
}

TEST_F(Calls, NewObjectsStartAtDefaultsAndRunTheGivenRoutine)
{
    const jclass cls = find("PERSON");
    jobject fresh = env->AllocObject(cls);
    zo::Root<zo::Object> keep(reinterpret_cast<zo::Object *>(fresh));
    ASSERT_NE(fresh, nullptr);
    auto *p = reinterpret_cast<Person *>(fresh);
    EXPECT_EQ(p->age, 0);
    EXPECT_EQ(p->name, nullptr);
    EXPECT_TRUE(zo::Heap::instance().contains(p));

    zo::String *name = zo::make_string("Di");
    jvalue slot{};
    slot.l = handle(name);
    auto *made = reinterpret_cast<Person *>(env->NewObjectA(cls, id("make"), &slot));
    EXPECT_EQ(made->name, name);
    made = reinterpret_cast<Person *>(env->NewObject(cls, id("make"), handle(name)));
    EXPECT_EQ(made->name, name);
    EXPECT_EQ(env->AllocObject(reinterpret_cast<jclass>(std::uintptr_t{0})), nullptr);
    EXPECT_TRUE(failed());
    auto *boxed = reinterpret_cast<zo::BoxedValue *>(env->AllocObject(find("_REAL")));
    EXPECT_EQ(&boxed->class_info(), &zo::real_class());
}

TEST_F(Calls, StaticAndNonvirtualSlotsAnswerNothing)
{
    Person *p = person();
    p->age = 5;
    jobject obj = handle(p);
    const jclass cls = find("PERSON");
    jvalue slot{};
    slot.i = 7;
    EXPECT_EQ(env->CallNonvirtualIntMethodA(obj, cls, id("get_age"), &slot), 0);
    EXPECT_EQ(env->CallNonvirtualIntMethod(obj, cls, id("grow"), jint{7}), 0);
    env->CallNonvirtualVoidMethodA(obj, cls, id("grow"), &slot);
    EXPECT_EQ(env->CallNonvirtualDoubleMethodA(obj, cls, id("get_height"), &slot), 0.0);
    EXPECT_EQ(env->CallStaticIntMethodA(cls, id("get_age"), &slot), 0);
    EXPECT_EQ(env->CallStaticObjectMethod(cls, id("get_buddy")), nullptr);
    env->CallStaticVoidMethodA(cls, id("grow"), &slot);
    EXPECT_EQ(env->GetStaticMethodID(cls, "grow", "()V"), nullptr);
    EXPECT_TRUE(failed());
    EXPECT_EQ(env->GetStaticFieldID(cls, "age", "I"), nullptr);
    EXPECT_EQ(env->GetStaticIntField(cls, reinterpret_cast<jfieldID>(const_cast<char *>("age"))), 0);
    env->SetStaticIntField(cls, reinterpret_cast<jfieldID>(const_cast<char *>("age")), 9);
    EXPECT_EQ(env->GetStaticBooleanField(cls, nullptr), JNI_FALSE);
    EXPECT_EQ(p->age, 5);
    EXPECT_EQ(env->RegisterNatives(cls, nullptr, 0), 0);
    EXPECT_EQ(env->UnregisterNatives(cls), 0);
    EXPECT_EQ(env->MonitorEnter(obj), 0);
    EXPECT_EQ(env->MonitorExit(obj), 0);
    JavaVM *vm = nullptr;
    EXPECT_EQ(env->GetJavaVM(&vm), 0);
}

// ---- Strings ----

TEST_F(TableTest, StringsKeepTheirBytes)
{
    const jstring text = env->NewStringUTF("caf\xE9");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(env->GetStringUTFLength(text), 4);
    EXPECT_EQ(env->GetStringLength(text), 4);
    jboolean is_copy = JNI_FALSE;
    const char *chars = env->GetStringUTFChars(text, &is_copy);
    EXPECT_TRUE(is_copy);
    EXPECT_STREQ(chars, "caf\xE9") << "no UTF-8 decoding";
    env->ReleaseStringUTFChars(text, chars);

    const jchar *units = env->GetStringChars(text, nullptr);
    EXPECT_EQ(units[3], 0x00E9);
    EXPECT_EQ(units[4], 0);
    env->ReleaseStringChars(text, units);

    const jchar wide[] = {0x4142, 0x0043};
    const jstring narrow = env->NewString(wide, 2);
    EXPECT_EQ(reinterpret_cast<zo::String *>(narrow)->text(), "BC") << "the low byte of each unit";

    const jstring empty = env->NewStringUTF("");
    const char *nothing = env->GetStringUTFChars(empty, nullptr);
    EXPECT_EQ(nothing[0], '\0');
    env->ReleaseStringUTFChars(empty, nothing);

    EXPECT_EQ(env->NewStringUTF(nullptr), nullptr);
    Person *p = person();
    EXPECT_EQ(env->GetStringUTFChars(static_cast<jstring>(handle(p)), nullptr), nullptr);
    EXPECT_TRUE(failed());
    EXPECT_EQ(env->GetStringUTFLength(nullptr), 0);
    // A buffer the table did not hand out is left alone.
    char foreign[] = "x";
    env->ReleaseStringUTFChars(text, foreign);
}

// ---- Arrays ----

TEST_F(TableTest, ObjectArraysAreIndexedFromZero)
{
    const jstring init = env->NewStringUTF("-");
    const jobjectArray names = env->NewObjectArray(3, find("STRING"), init);
    ASSERT_NE(names, nullptr);
    auto *array = reinterpret_cast<zo::Array *>(names);
    EXPECT_EQ(array->class_info().name(), "ARRAY[STRING]");
    EXPECT_EQ(array->lower, 1);
    EXPECT_EQ(env->GetArrayLength(names), 3);
    EXPECT_EQ(env->GetObjectArrayElement(names, 2), init);

    const jstring second = env->NewStringUTF("second");
    env->SetObjectArrayElement(names, 1, second);
    EXPECT_EQ(array->reference(1), reinterpret_cast<zo::Object *>(second));
    EXPECT_EQ(env->GetObjectArrayElement(names, 3), nullptr);
    EXPECT_TRUE(failed());
    env->SetObjectArrayElement(names, -1, second);
    EXPECT_TRUE(failed());
    env->SetObjectArrayElement(names, 0, handle(person()));
    EXPECT_TRUE(failed()) << "a PERSON in an array of STRING";
    EXPECT_EQ(array->reference(0), reinterpret_cast<zo::Object *>(init));

    EXPECT_EQ(env->NewObjectArray(1, find("PET"), nullptr), nullptr) << "no ARRAY[PET] class";
    EXPECT_TRUE(failed());
    EXPECT_EQ(env->GetArrayLength(reinterpret_cast<jarray>(init)), 0);
    EXPECT_TRUE(failed());
}

TEST_F(TableTest, PrimitiveArraysCopyInAndOut)
{
    const jintArray numbers = env->NewIntArray(4);
    auto *array = reinterpret_cast<zo::Array *>(numbers);
    EXPECT_EQ(array->class_info().name(), "ARRAY[INTEGER]");
    EXPECT_EQ(array->size_item, 4);
    const jint values[] = {10, 20, 30, 40};
    env->SetIntArrayRegion(numbers, 0, 4, values);
    jint two[2] = {};
    env->GetIntArrayRegion(numbers, 2, 2, two);
    EXPECT_EQ(two[0], 30);
    EXPECT_EQ(two[1], 40);
    env->GetIntArrayRegion(numbers, 3, 2, two);
    EXPECT_TRUE(failed()) << "past the end";

    jint *elements = env->GetIntArrayElements(numbers, nullptr);
    elements[0] = 11;
    env->ReleaseIntArrayElements(numbers, elements, JNI_ABORT);
    EXPECT_EQ(array->get<std::int32_t>(0), 10) << "abort leaves the array unchanged";
    elements = env->GetIntArrayElements(numbers, nullptr);
    elements[0] = 12;
    env->ReleaseIntArrayElements(numbers, elements, JNI_COMMIT);
    EXPECT_EQ(array->get<std::int32_t>(0), 12);
    elements[1] = 22;
    env->ReleaseIntArrayElements(numbers, elements, 0);
    EXPECT_EQ(array->get<std::int32_t>(1), 22);

    EXPECT_EQ(env->GetDoubleArrayElements(reinterpret_cast<jdoubleArray>(numbers), nullptr), nullptr)
        << "the width does not match";
    EXPECT_TRUE(failed());

    const jbooleanArray flags = env->NewBooleanArray(2);
    const jboolean on = JNI_TRUE;
    env->SetBooleanArrayRegion(flags, 1, 1, &on);
    EXPECT_EQ(reinterpret_cast<zo::Array *>(flags)->get<bool>(1), true);
    const jdoubleArray reals = env->NewDoubleArray(1);
    EXPECT_EQ(reinterpret_cast<zo::Array *>(reals)->class_info().name(), "ARRAY[DOUBLE]");
    EXPECT_EQ(reinterpret_cast<zo::Array *>(env->NewShortArray(1))->size_item, 2);
    EXPECT_EQ(reinterpret_cast<zo::Array *>(env->NewLongArray(1))->size_item, 8);
    EXPECT_EQ(env->NewByteArray(-1), nullptr);
}

// Writes a forged handle into an array of references with the primitive
// functions of a handle's width.
template <class A, class Get, class Set, class Release>
void forge_handle(JNIEnv *env, jobjectArray names, Get get, Set set, Release release)
{
    const auto array = reinterpret_cast<A>(names);
    auto *elements = (env->functions->*get)(env, array, nullptr);
    ASSERT_NE(elements, nullptr) << "reading the handles is allowed";
    elements[0] = 0x1234;
    (env->functions->*set)(env, array, 0, 1, elements);
    (env->functions->*release)(env, array, elements, 0);
}

TEST_F(TableTest, PrimitiveWritesCannotForgeReferences)
{
    using T = JNINativeInterface_;
    const jobjectArray names = env->NewObjectArray(1, find("STRING"), nullptr);
    if constexpr (sizeof(void *) == 4) // the element views of the width the handles are stored in
        forge_handle<jintArray>(env, names, &T::GetIntArrayElements, &T::SetIntArrayRegion,
                                &T::ReleaseIntArrayElements);
    else
        forge_handle<jlongArray>(env, names, &T::GetLongArrayElements, &T::SetLongArrayRegion,
                                 &T::ReleaseLongArrayElements);
    EXPECT_EQ(reinterpret_cast<zo::Array *>(names)->reference(0), nullptr);
}

// ---- The sequence of calls the form runtime makes ----

// Reads a field as the runtime does: the kind letter written by GetFieldID picks the accessor.
jvalue read_like_the_runtime(JNIEnv *env, jobject obj, const char *class_name, const char *field, char tag_letter)
{
    char signature[2] = {tag_letter, '\0'};
    jvalue value{};
    const jclass cls = env->FindClass(class_name);
    const jfieldID id = env->GetFieldID(cls, field, signature);
    if (env->ExceptionOccurred())
        return value;
    switch (signature[0]) {
    case 'Z': value.z = env->GetBooleanField(obj, id); break;
    case 'B': value.b = env->GetByteField(obj, id); break;
    case 'D': value.d = env->GetDoubleField(obj, id); break;
    default: value.i = env->GetIntField(obj, id); break;
    }
    return value;
}

TEST_F(TableTest, ServesTheRuntimeFixedSignatures)
{
    Person *p = person();
    p->active = true;
    p->initial = 'Q';
    p->height = 1.5;
    p->age = 33;
    jobject obj = handle(p);
    EXPECT_EQ(read_like_the_runtime(env, obj, "Person", "active", 'I').z, JNI_TRUE);
    EXPECT_EQ(read_like_the_runtime(env, obj, "Person", "initial", 'I').b, 'Q');
    EXPECT_EQ(read_like_the_runtime(env, obj, "Person", "height", 'I').d, 1.5);
    EXPECT_EQ(read_like_the_runtime(env, obj, "Person", "age", 'D').i, 33);

    // A form closing: "data_was_accepted" is missing on a person, so the runtime clears and goes on.
    char accepted_signature[] = "Z";
    const jfieldID accepted = env->GetFieldID(env->GetObjectClass(obj), "data_was_accepted", accepted_signature);
    EXPECT_TRUE(failed());
    env->ExceptionClear();
    env->SetBooleanField(obj, accepted, JNI_TRUE);
    EXPECT_TRUE(failed());

    // A function path with the fixed signature "()I" and 32 argument slots.
    jvalue slots[32] = {};
    slots[0].i = 2;
    const jmethodID grow = env->GetMethodID(env->GetObjectClass(obj), "grow", "()I");
    EXPECT_FALSE(failed());
    EXPECT_EQ(env->CallIntMethodA(obj, grow, slots), 0);
    EXPECT_FALSE(failed());
    EXPECT_EQ(p->age, 35);
}

} // namespace
