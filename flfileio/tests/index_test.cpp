// The class and form index of a base and its header fields.
#include "test_support.hpp"

#include <climits>
#include <cstring>

using namespace fltest;

namespace {

std::vector<std::string> class_names(FLF_BASE base)
{
    std::vector<std::string> names;
    for (int p = flf_get_first_class(base); p != 0; p = flf_get_next_class(base, p))
        names.push_back(flf_class_item_name(flf_class_item(base, p)));
    return names;
}

std::vector<int> form_ids(FLF_CLASS cls)
{
    std::vector<int> ids;
    for (int p = flf_get_first_class_form(cls); p != 0; p = flf_get_next_class_form(cls, p)) {
        ids.push_back(flf_get_class_forms_sign(cls, p));
        EXPECT_EQ(flf_class_form_item_id(flf_class_form_item(cls, p)), ids.back());
    }
    return ids;
}

std::vector<int> form_signs(FLF_CLASS cls)
{
    std::vector<int> signs;
    for (int p = flf_get_first_class_form(cls); p != 0; p = flf_get_next_class_form(cls, p))
        signs.push_back(flf_class_form_item_sign(flf_class_form_item(cls, p)));
    return signs;
}

class FormIndex : public ::testing::Test {
protected:
    BasePtr base{flf_new_base("project", FLF_PROJECT_ABSOLUTE)};

    int add(const char *cls, int id, const char *alias = "alias")
    {
        return flf_get_item_sign(flf_add_form(base.get(), cls, id, alias));
    }
};

} // namespace

TEST_F(FormIndex, FormSignsCountUpAcrossClassesAndAreNeverReused)
{
    EXPECT_EQ(add("A", 1), 10001);
    EXPECT_EQ(add("B", 1), 10002);
    EXPECT_EQ(add("A", 2), 10003);
    flf_remove_form(base.get(), flf_get_form(base.get(), "B", 1));
    EXPECT_EQ(add("C", 1), 10004);
    EXPECT_EQ(child_signs(flf_get_form_root(base.get())), (std::vector<int>{10001, 10003, 10004}));

    TempDir dir;
    flf_saveas_base(base.get(), dir.file("signs.flf").c_str());
    BasePtr reopened = open_base(dir.file("signs.flf"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(flf_get_item_sign(flf_add_form(reopened.get(), "A", 3, "x")), 10005);
}

TEST_F(FormIndex, NewClassesAppearInByteOrder)
{
    EXPECT_EQ(flf_get_class_count(base.get()), 0);
    EXPECT_EQ(flf_get_first_class(base.get()), 0);
    for (const char *name : {"abc", "Abc", "\xE4x", "Zeta", "B", "abc"})
        add(name, 1);
    EXPECT_EQ(flf_get_class_count(base.get()), 5);
    EXPECT_EQ(class_names(base.get()), (std::vector<std::string>{"Abc", "B", "Zeta", "abc", "\xE4x"}));
    EXPECT_EQ(flf_get_class_forms_count(flf_get_class_forms(base.get(), "abc")), 2);
}

TEST_F(FormIndex, LooksUpFormsInBothDirections)
{
    add("A", 1, "first");
    const int sign = add("B", 7, "seventh");
    EXPECT_EQ(flf_get_form_sign(base.get(), "B", 7), sign);
    EXPECT_EQ(flf_get_item_sign(flf_get_form(base.get(), "B", 7)), sign);
    EXPECT_EQ(flf_get_form_id(base.get(), "B", sign), 7);
    EXPECT_STREQ(flf_get_class_by_sign(base.get(), sign), "B");
    EXPECT_STREQ(flf_get_form_alias(base.get(), "B", 7), "seventh");

    EXPECT_EQ(flf_get_form_sign(base.get(), "B", 1), 0);
    EXPECT_EQ(flf_get_form_sign(base.get(), "Z", 7), 0);
    EXPECT_EQ(flf_get_form(base.get(), "B", 1), nullptr);
    EXPECT_EQ(flf_get_form(base.get(), "b", 7), nullptr);
    EXPECT_EQ(flf_get_form_id(base.get(), "A", sign), 0);
    EXPECT_EQ(flf_get_form_id(base.get(), "Z", sign), 0);
    EXPECT_EQ(flf_get_class_by_sign(base.get(), 99999), nullptr);
    EXPECT_EQ(flf_get_form_alias(base.get(), "B", 8), nullptr);
    EXPECT_EQ(flf_get_class_forms(base.get(), "Z"), nullptr);
}

TEST_F(FormIndex, EntriesComeInIdOrderAndFreeIdsAreProposed)
{
    for (int id : {5, 1, 2})
        add("A", id);
    FLF_CLASS cls = flf_get_class_handle(base.get(), "A");
    EXPECT_EQ(form_ids(cls), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(form_signs(cls), (std::vector<int>{10002, 10003, 10001}));
    EXPECT_STREQ(flf_class_item_name(cls), "A");
    EXPECT_EQ(flf_is_form_id_used(base.get(), "A", 3), 3);
    EXPECT_EQ(flf_is_form_id_used(base.get(), "A", 2), 6);
    EXPECT_EQ(flf_is_form_id_used(base.get(), "Nope", 2), 2);
}

TEST_F(FormIndex, ClassFormsSignAnswersTheIdNotTheSign)
{
    for (int i = 0; i < 6; ++i)
        add("Other", i + 1);
    EXPECT_EQ(add("Only", 4), 10007);
    FLF_CLASS only = flf_get_class_forms(base.get(), "Only");
    EXPECT_EQ(flf_get_class_forms_sign(only, 1), 4);
    EXPECT_EQ(flf_class_form_item_sign(flf_class_form_item(only, 1)), 10007);
    EXPECT_STREQ(flf_class_form_item_alias(flf_class_form_item(only, 1)), "alias");
}

TEST_F(FormIndex, OnlyPositiveIdsAnswerTheClassBySign)
{
    const int zero = add("A", 0);
    const int negative = add("A", -3);
    EXPECT_EQ(flf_get_class_by_sign(base.get(), zero), nullptr);
    EXPECT_EQ(flf_get_class_by_sign(base.get(), negative), nullptr);
    EXPECT_EQ(flf_get_form_id(base.get(), "A", negative), -3);
    EXPECT_EQ(flf_get_item_sign(flf_get_form(base.get(), "A", -3)), negative);
}

TEST_F(FormIndex, NewIdMovesTheEntryToKeepTheIdOrder)
{
    for (int id : {1, 3, 5})
        add("A", id);
    FLF_CLASS cls = flf_get_class_handle(base.get(), "A");
    flf_set_new_id(base.get(), "A", 1, 4);
    EXPECT_EQ(form_ids(cls), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(form_signs(cls), (std::vector<int>{10002, 10001, 10003}));
    flf_set_new_id(base.get(), "A", 5, 0);
    EXPECT_EQ(form_ids(cls), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(flf_get_item_sign(flf_get_form(base.get(), "A", 0)), 10003);
    flf_set_new_id(base.get(), "A", 3, 4); // duplicates are the caller's business
    EXPECT_EQ(form_ids(cls), (std::vector<int>{0, 4, 4}));
}

TEST_F(FormIndex, RemovingAFormRemovesThatVeryFormAndItsEntry)
{
    const int one = add("A", 1);
    const int two = add("A", 2);
    const int negative = add("A", -1);
    flf_add_property(flf_get_form(base.get(), "A", 2), FLF_TAG_INTEGER, 5, "55");
    flf_set_new_id(base.get(), "A", 2, 1); // two entries with id 1 now

    flf_remove_form(base.get(), flf_get_prop(flf_get_form_root(base.get()), one));
    FLF_CLASS cls = flf_get_class_handle(base.get(), "A");
    EXPECT_EQ(form_signs(cls), (std::vector<int>{negative, two}));
    EXPECT_EQ(child_signs(flf_get_form_root(base.get())), (std::vector<int>{two, negative}));
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(flf_get_form(base.get(), "A", 1), 5)), 55);

    flf_remove_form(base.get(), flf_get_form(base.get(), "A", -1));
    EXPECT_EQ(form_signs(cls), (std::vector<int>{two}));
    EXPECT_EQ(child_signs(flf_get_form_root(base.get())), (std::vector<int>{two}));
}

TEST_F(FormIndex, RemovingAClassKeepsItsFormCompounds)
{
    add("A", 1);
    add("B", 1);
    flf_remove_class(base.get(), "A");
    EXPECT_EQ(class_names(base.get()), std::vector<std::string>{"B"});
    EXPECT_EQ(flf_get_form(base.get(), "A", 1), nullptr);
    EXPECT_EQ(flf_get_class_forms(base.get(), "A"), nullptr);
    EXPECT_EQ(child_signs(flf_get_form_root(base.get())), (std::vector<int>{10001, 10002}));
}

TEST_F(FormIndex, MissingClassIdOrPositionAnswersNoneAndChangesNothing)
{
    add("A", 1, "kept");
    FLF_CLASS cls = flf_get_class_handle(base.get(), "A");
    EXPECT_EQ(flf_get_class_handle(base.get(), "B"), nullptr);
    flf_set_new_id(base.get(), "B", 1, 2);
    flf_set_new_id(base.get(), "A", 9, 2);
    flf_set_form_alias(base.get(), "B", 1, "x");
    flf_set_form_alias(base.get(), "A", 9, "x");
    flf_remove_class(base.get(), "B");
    EXPECT_EQ(form_ids(cls), std::vector<int>{1});
    EXPECT_STREQ(flf_get_form_alias(base.get(), "A", 1), "kept");
    EXPECT_EQ(flf_get_class_count(base.get()), 1);
    EXPECT_EQ(flf_get_next_class(base.get(), 0), 1);
    EXPECT_EQ(flf_get_next_class_form(cls, 0), 1);
    EXPECT_EQ(flf_get_next_class(base.get(), -1), 0);
    for (int outside : {0, -1, 2}) {
        EXPECT_EQ(flf_class_item(base.get(), outside), nullptr) << outside;
        EXPECT_EQ(flf_class_form_item(cls, outside), nullptr) << outside;
        EXPECT_EQ(flf_get_class_forms_sign(cls, outside), 0) << outside;
    }
}

TEST_F(FormIndex, AliasAndProjectNameAreCopies)
{
    add("A", 1);
    char text[] = "alias one";
    flf_set_form_alias(base.get(), "A", 1, text);
    flf_set_project_name(base.get(), text);
    text[0] = 'X';
    EXPECT_STREQ(flf_get_form_alias(base.get(), "A", 1), "alias one");
    EXPECT_STREQ(flf_get_project_name(base.get()), "alias one");
}

TEST_F(FormIndex, CustomFlagsAnswerOnlyZeroOrOne)
{
    flf_set_custom_flag(base.get(), 6, 1);
    flf_set_custom_flag(base.get(), 2, 0);
    EXPECT_EQ(flf_get_custom_flag(base.get(), 4), 1);
    EXPECT_EQ(flf_get_custom_flag(base.get(), 2), 0);
    flf_set_custom_flag(base.get(), INT_MIN, 5);
    EXPECT_EQ(flf_get_custom_flag(base.get(), INT_MIN), 1);
    EXPECT_EQ(flf_get_custom_flag(base.get(), -1), 1);
    EXPECT_EQ(flf_get_custom_flag(base.get(), 0), 0);
}

TEST(FormIndexFile, ReadingSortsClassesAndEntriesAndKeepsDuplicates)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    image.i32(10004).i32(3);
    image.i32(1).str("B").i32(1).i32(10001).str("b1");
    image.i32(2).str("A").i32(5).i32(10002).str("a5").i32(2).i32(10001).str("a2");
    image.i32(1).str("B").i32(9).i32(10003).str("b9");
    image.i32(0);
    TempDir dir;
    BasePtr base = open_base(dir.write("index.flf", image.bytes()));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(class_names(base.get()), (std::vector<std::string>{"A", "B", "B"}));
    EXPECT_EQ(form_ids(flf_class_item(base.get(), 1)), (std::vector<int>{2, 5}));
    EXPECT_EQ(form_ids(flf_class_item(base.get(), 2)), std::vector<int>{9}); // the later one first
    EXPECT_STREQ(flf_get_class_by_sign(base.get(), 10001), "A");
    EXPECT_EQ(flf_get_form_id(base.get(), "A", 10001), 2);
}

// A file whose next form sign lags behind its forms: a new form never takes
// the sign of a form in the index or of a compound in the forms root, which
// would leave the older one unreachable (at once, or once the file is saved
// and opened again).
TEST(FormIndexFile, ANextSignBehindTheStoredFormsHandsOutOnlyFreeSigns)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    image.i32(10001).i32(1).i32(1).str("MAIN").i32(1).i32(10001).str("Main");
    image.i32(2).child(FLF_TAG_SORTED, 10001).i32(1).child(FLF_TAG_INTEGER, 7).i32(5);
    image.child(FLF_TAG_SORTED, 10002).i32(0); // a form no entry names any more
    TempDir dir;
    BasePtr base = open_base(dir.write("behind.flf", image.bytes()));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(flf_get_item_sign(flf_add_form(base.get(), "MAIN", 2, "Two")), 10003);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(flf_get_form(base.get(), "MAIN", 1), 7)), 5);
    flf_add_property(flf_get_form(base.get(), "MAIN", 2), FLF_TAG_INTEGER, 7, "6");
    flf_saveas_base(base.get(), dir.file("saved.flf").c_str());
    BasePtr reopened = open_base(dir.file("saved.flf"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(flf_get_form(reopened.get(), "MAIN", 1), 7)), 5);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(flf_get_form(reopened.get(), "MAIN", 2), 7)), 6);
}

// Numbers at the top of their range count no further: the highest form sign
// and the highest name sign are never handed out, and a free id is proposed
// below the highest id.
TEST(FormIndexFile, SignsAndIdsAtTheirLimitDoNotOverflow)
{
    TempDir dir;
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    image.i32(INT_MAX - 1).i32(0).i32(0);
    BasePtr base = open_base(dir.write("limit.flf", image.bytes()));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(flf_get_item_sign(flf_add_form(base.get(), "A", 1, "last")), INT_MAX - 1);
    EXPECT_EQ(flf_add_form(base.get(), "B", 1, "none left"), nullptr);
    EXPECT_EQ(flf_get_class_count(base.get()), 1);
    flf_saveas_base(base.get(), dir.file("saved.flf").c_str());
    BasePtr reopened = open_base(dir.file("saved.flf"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(flf_add_form(reopened.get(), "A", 2, "none left"), nullptr);
    EXPECT_EQ(child_signs(flf_get_form_root(reopened.get())), std::vector<int>{INT_MAX - 1});

    BasePtr fresh(flf_new_base("prj", FLF_PROJECT_ABSOLUTE));
    for (int id : {INT_MAX, 1, 2, 4})
        flf_add_form(fresh.get(), "A", id, "x");
    EXPECT_EQ(flf_is_form_id_used(fresh.get(), "A", INT_MAX), 3);
    EXPECT_EQ(flf_is_form_id_used(fresh.get(), "A", 2), 3);
    EXPECT_EQ(flf_is_form_id_used(fresh.get(), "A", 3), 3);
}
