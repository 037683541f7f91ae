// The Java entry points of the runtime, called as a Java virtual machine
// calls them, over the JVM-like test table.
#include <gtest/gtest.h>

#include <string>

#include "box_answerer.hpp"
#include "cflrt.h"
#include "child.hpp"
#include "form_file.hpp"
#include "script.hpp"
#include "test_table.hpp"

using namespace fltest;

namespace {

constexpr unsigned long kExitMinusOne = 0xFFFFFFFF;

// Exit codes of the scenarios: 0 when everything held, else the first check that failed.
enum Check {
    kAllHeld = 0,
    kNotAccepted = 10,
    kNoCurrentObject,
    kNoFlag,
    kNotCancelled,
    kScriptUnfinished,
    kCurrentObjectKept
};

// The entry points found by their undecorated names, as a Java virtual machine finds them.
template <class Function>
Function *entry(const char *name)
{
    return reinterpret_cast<Function *>(reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("cflrt.dll"), name)));
}

using Init = void JNICALL(JNIEnv *, jclass);
using Display = jboolean JNICALL(JNIEnv *, jclass, jobject, jstring, jint);
using Close = void JNICALL(JNIEnv *, jclass, jobject);
using AddFile = void JNICALL(JNIEnv *, jclass, jstring);

// A Java object of class Demo whose routines close its form through the Java entry points.
struct JavaWorld {
    JavaWorld()
        : table(TestTable::Mode::JvmLike), demo(table.define_class("Demo")), other(table.define_class("demo/Other"))
    {
        for (TestClass *cls : {&demo, &other}) {
            cls->field("data_was_accepted", Kind::Boolean, "Z")
                .routine("accept", "()V", close(JNI_TRUE))
                .routine("cancel", "()V", close(JNI_FALSE));
        }
        entry<Init>("Java_qk_fllocal_DisplayManager_init")(table.env(), nullptr);
    }

    Routine close(jboolean accept)
    {
        return [this, accept](TestObject *self, const jvalue *) {
            current_at_close = table.display_manager().static_values["curObject"].l;
            const char *name =
                accept ? "Java_qk_fllocal_DisplayManager_accept" : "Java_qk_fllocal_DisplayManager_cancel";
            entry<Close>(name)(table.env(), nullptr, self->handle());
            return jvalue{};
        };
    }

    bool display(TestObject *object, const char *class_name)
    {
        jstring name = static_cast<jstring>(table.make_string(class_name)->handle());
        const bool shown =
            entry<Display>("Java_qk_fllocal_DisplayManager_display")(table.env(), nullptr, object->handle(), name, 1);
        // Back in Java: the references the runtime was given in the call end.
        table.native_call_returned();
        return shown;
    }

    TestTable table;
    TestClass &demo;
    TestClass &other;
    jobject current_at_close = nullptr;
};

FLTEST_CHILD_SCENARIO(java_display_adds_the_class_file)
{
    JavaWorld world;
    TestObject *object = world.table.make(world.demo);
    HWND form = nullptr;
    Script accept;
    accept.window("Java demo", form).click([&] { return Script::control(form, 0); });
    if (!world.display(object, "Demo"))
        return kNotAccepted;
    if (world.current_at_close != object->handle())
        return kNoCurrentObject;
    // No form is open any more: Java holds no current object.
    if (world.table.display_manager().static_values["curObject"].l)
        return kCurrentObjectKept;
    if (!object->get_bool("data_was_accepted"))
        return kNoFlag;
    if (!accept.finished())
        return kScriptUnfinished;
    // A second class is found in the file added for the first: nothing more is added.
    TestObject *other = world.table.make(world.other);
    Script cancel;
    cancel.window("Other demo", form).click([&] { return Script::control(form, 0); });
    if (world.display(other, "demo.Other") || other->get_bool("data_was_accepted"))
        return kNotCancelled;
    return cancel.finished() ? kAllHeld : kScriptUnfinished;
}

FLTEST_CHILD_SCENARIO(java_display_after_add_resource_file)
{
    JavaWorld world;
    jstring file = static_cast<jstring>(world.table.make_string("flrt_test_forms.flf")->handle());
    entry<AddFile>("Java_qk_fllocal_DisplayManager_addResourceFile")(world.table.env(), nullptr, file);
    // Demo.flf is not added now: the form of Demo is not found, which ends the process.
    world.display(world.table.make(world.demo), "Demo");
    return kAllHeld;
}

// A Java program that forgot init: each entry that needs the table ends with a
// clear error instead of a crash.
FLTEST_CHILD_SCENARIO(java_calls_before_init)
{
    TestTable table(TestTable::Mode::JvmLike);
    set_ni_table(nullptr);
    jstring name = static_cast<jstring>(table.make_string("Demo")->handle());
    const std::string call = arguments.empty() ? "" : arguments[0];
    if (call == "display")
        entry<Display>("Java_qk_fllocal_DisplayManager_display")(table.env(), nullptr, nullptr, name, 1);
    else
        entry<AddFile>(call == "add" ? "Java_qk_fllocal_DisplayManager_addResourceFile"
                                     : "Java_qk_fllocal_DisplayManager_removeResourceFile")(table.env(), nullptr, name);
    return kAllHeld;
}

TEST(JavaEntryPoints, CallsBeforeInitAreAFatalError)
{
    for (const char *call : {"display", "add", "remove"}) {
        ChildProcessBoxes boxes;
        const ChildResult result = run_child("java_calls_before_init", {call});
        ASSERT_TRUE(result.finished) << call;
        EXPECT_EQ(result.exit_code, kExitMinusOne) << call;
        ASSERT_EQ(answerer().boxes().size(), 1u) << call;
        EXPECT_EQ(answerer().last().text,
                  "No object table: DisplayManager.init must install the table before any other call.")
            << call;
        EXPECT_EQ(answerer().last().caption, "Formloom reported Error") << call;
    }
}

TEST(JavaEntryPoints, FirstDisplayAddsTheClassFileAndAcceptCancelClose)
{
    ChildProcessBoxes boxes; // none expected
    const ChildResult result = run_child("java_display_adds_the_class_file");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, static_cast<unsigned long>(kAllHeld));
}

TEST(JavaEntryPoints, AnAddedResourceFileTurnsTheAutomaticFileOff)
{
    ChildProcessBoxes boxes;
    const ChildResult result = run_child("java_display_after_add_resource_file");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, kExitMinusOne);
    ASSERT_EQ(answerer().boxes().size(), 1u);
    EXPECT_EQ(answerer().last().text, "Form# 1 of the class \"Demo\" is not found.");
}

} // namespace
