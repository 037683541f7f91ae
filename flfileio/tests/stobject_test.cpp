// Stored objects: kinds and their defaults, text conversions, the ordered and
// sorted collections, look-up by path and cloning.
#include "test_support.hpp"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <initializer_list>

using namespace fltest;

namespace {

std::string text_value(FLF_ITEM item)
{
    const char *text = flf_get_simple_item_value(item);
    return text == nullptr ? "(none)" : text;
}

// A compound of the given tag whose integer children carry the given signs,
// added in that order, each with its index (0, 1, ...) as value.
ItemPtr compound_with(int tag, std::initializer_list<int> signs)
{
    ItemPtr compound = new_item(tag, 0);
    int value = 0;
    for (int sign : signs)
        flf_add_property(compound.get(), FLF_TAG_INTEGER, sign, std::to_string(value++).c_str());
    return compound;
}

ItemPtr sorted_with(std::initializer_list<int> signs)
{
    return compound_with(FLF_TAG_SORTED, signs);
}

} // namespace

TEST(NewObjects, HaveTheDefaultValueOfTheirKind)
{
    EXPECT_EQ(flf_get_prop_boo(new_item(FLF_TAG_BOOLEAN).get()), 1);
    EXPECT_EQ(text_value(new_item(FLF_TAG_BOOLEAN).get()), "true");
    EXPECT_EQ(text_value(new_item(FLF_TAG_INTEGER).get()), "0");
    EXPECT_EQ(text_value(new_item(FLF_TAG_DOUBLE).get()), "0.0000000");
    EXPECT_EQ(flf_get_prop_char(new_item(FLF_TAG_CHARACTER).get()), 0);
    EXPECT_EQ(text_value(new_item(FLF_TAG_CHARACTER).get()), ""); // character 0 reads as the empty text
    EXPECT_EQ(flf_get_prop_str(new_item(FLF_TAG_STRING).get()), nullptr);
    for (int tag : {FLF_TAG_ORDERED, FLF_TAG_SORTED}) {
        ItemPtr compound = new_item(tag, 42);
        EXPECT_EQ(flf_get_item_tag(compound.get()), tag);
        EXPECT_EQ(flf_get_item_sign(compound.get()), 42);
        EXPECT_EQ(flf_get_children_count(compound.get()), 0);
        EXPECT_EQ(flf_get_first_prop_position(compound.get()), 0);
        EXPECT_EQ(flf_get_parent_prop(compound.get()), nullptr);
    }
}

TEST(NewObjects, TagsWithoutPrototypeRaiseBadObjectTagWithTheTag)
{
    for (int tag : {-1, 0, 3, 9, 15, 255, -2147483647 - 1})
        EXPECT_EQ(catch_error([&] { flf_create_property(tag, 1, nullptr); }), Caught::database(8, tag)) << tag;
}

struct TextCase {
    int tag;
    const char *initial;
    const char *text;
    int accepted;
    const char *after; // the text form afterwards
};

TEST(TextConversions, AcceptOrRefuseAndLeaveRefusedValuesUnchanged)
{
    const TextCase cases[] = {
        {FLF_TAG_INTEGER, "77", "abc", 1, "0"},
        {FLF_TAG_INTEGER, "77", "0x10", 1, "16"},
        {FLF_TAG_INTEGER, "77", "0X1f", 1, "31"},
        {FLF_TAG_INTEGER, "77", "010", 1, "8"},
        {FLF_TAG_INTEGER, "77", "-1", 1, "-1"},
        {FLF_TAG_INTEGER, "77", "-0x10", 1, "-16"},
        {FLF_TAG_INTEGER, "77", "  +42", 1, "42"},
        {FLF_TAG_INTEGER, "77", "12x", 1, "12"},
        {FLF_TAG_INTEGER, "77", "4294967295", 1, "-1"},
        {FLF_TAG_INTEGER, "77", "2147483648", 1, "-2147483648"},
        {FLF_TAG_INTEGER, "77", "4294967296", 0, "77"},
        {FLF_TAG_INTEGER, "77", "-4294967296", 0, "77"},
        {FLF_TAG_INTEGER, "77", "99999999999999999999999", 0, "77"},
        {FLF_TAG_INTEGER, "77", "", 0, "77"},
        {FLF_TAG_BOOLEAN, "false", "TRUE", 1, "true"},
        {FLF_TAG_BOOLEAN, "false", "True", 1, "true"},
        {FLF_TAG_BOOLEAN, "true", "FaLsE", 1, "false"},
        {FLF_TAG_BOOLEAN, "false", "yes", 0, "false"},
        {FLF_TAG_BOOLEAN, "false", "1", 0, "false"},
        {FLF_TAG_BOOLEAN, "false", "truex", 0, "false"},
        {FLF_TAG_BOOLEAN, "false", "", 0, "false"},
        {FLF_TAG_CHARACTER, "q", "xyz", 1, "x"},
        {FLF_TAG_CHARACTER, "q", " ", 1, " "},
        {FLF_TAG_CHARACTER, "q", "", 0, "q"},
        {FLF_TAG_DOUBLE, "2.5", "3.25", 1, "3.2500000"},
        {FLF_TAG_DOUBLE, "2.5", " -1e3", 1, "-1000.0000000"},
        {FLF_TAG_DOUBLE, "2.5", ".5", 1, "0.5000000"},
        {FLF_TAG_DOUBLE, "2.5", "1e400", 0, "2.5000000"},
        {FLF_TAG_DOUBLE, "2.5", "-1e400", 0, "2.5000000"},
        {FLF_TAG_DOUBLE, "2.5", "1e-400", 0, "2.5000000"},
        {FLF_TAG_DOUBLE, "2.5", "", 0, "2.5000000"},
        {FLF_TAG_STRING, "old", "", 1, ""},
        {FLF_TAG_STRING, "old", "new text", 1, "new text"},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(std::string("tag ") + std::to_string(c.tag) + " text '" + c.text + "'");
        ItemPtr item = new_item(c.tag, 1, c.initial);
        EXPECT_EQ(flf_set_simple_item_value(item.get(), c.text), c.accepted);
        EXPECT_EQ(text_value(item.get()), c.after);
    }
}

TEST(TextConversions, DoublesAreFormattedWholeAtAnyMagnitude)
{
    ItemPtr item = new_item(FLF_TAG_DOUBLE);
    for (double value : {1e300, -DBL_MAX, DBL_MAX, 123456789.125, -0.00000004}) {
        flf_set_prop_double(item.get(), value);
        char expected[400];
        std::snprintf(expected, sizeof expected, "%.7f", value);
        EXPECT_EQ(text_value(item.get()), expected);
    }
    flf_set_prop_double(item.get(), DBL_MAX);
    EXPECT_GT(text_value(item.get()).size(), 300u);
}

TEST(TextConversions, CharactersAreEightBitAndBooleansAnyNonZeroWord)
{
    ItemPtr character = new_item(FLF_TAG_CHARACTER);
    flf_set_prop_char(character.get(), 0x1E9);
    EXPECT_EQ(static_cast<unsigned char>(flf_get_prop_char(character.get())), 0xE9);
    EXPECT_EQ(text_value(character.get()), "\xE9");

    ItemPtr boolean = new_item(FLF_TAG_BOOLEAN);
    flf_set_prop_boo(boolean.get(), 256);
    EXPECT_EQ(flf_get_prop_boo(boolean.get()), 256);
    EXPECT_EQ(text_value(boolean.get()), "true");
}

TEST(SortedCompound, PutsTheNewestOfEqualSignsFirstAndFindsIt)
{
    ItemPtr compound = sorted_with({7, 3, 7, 7});
    EXPECT_EQ(child_signs(compound.get()), (std::vector<int>{3, 7, 7, 7}));
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(compound.get(), 7)), 3);
}

TEST(SortedCompound, KeepsSignedOrderAndMissesBelowAboveAndBetween)
{
    ItemPtr empty = new_item(FLF_TAG_SORTED, 0);
    EXPECT_EQ(flf_get_prop(empty.get(), 0), nullptr);
    const int lowest = -2147483647 - 1, highest = 2147483647;
    ItemPtr compound = sorted_with({30, highest, 10, lowest, 20});
    EXPECT_EQ(child_signs(compound.get()), (std::vector<int>{lowest, 10, 20, 30, highest}));
    for (int missing : {-5, 9, 11, 25, 31, highest - 1})
        EXPECT_EQ(flf_get_prop(compound.get(), missing), nullptr) << missing;
    for (int present : {lowest, 10, 20, 30, highest})
        EXPECT_EQ(flf_get_item_sign(flf_get_prop(compound.get(), present)), present);
}

TEST(SortedCompound, ManyChildrenInScrambledOrderAreSortedAndFound)
{
    ItemPtr compound = new_item(FLF_TAG_SORTED, 0);
    std::vector<int> signs;
    uint32_t state = 12345;
    for (int i = 0; i < 600; ++i) {
        state = state * 1103515245u + 12345u;
        const int sign = static_cast<int>(state >> 20) - 2048; // duplicates and negatives
        signs.push_back(sign);
        flf_add_property(compound.get(), FLF_TAG_INTEGER, sign, std::to_string(i).c_str());
    }
    std::vector<int> expected = signs;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(child_signs(compound.get()), expected);
    for (size_t i = 0; i < signs.size(); ++i) {
        // The last one added with a sign is the one found for it.
        const auto last = std::find(signs.rbegin(), signs.rend(), signs[i]);
        EXPECT_EQ(flf_get_prop_int(flf_get_prop(compound.get(), signs[i])), signs.rend() - last - 1);
    }
}

struct SignChange {
    std::vector<int> signs;
    int position;
    int new_sign;
    int result;
    std::vector<int> after;
};

TEST(SortedCompound, SetItemSignMovesTheChildToKeepTheOrder)
{
    const SignChange cases[] = {
        {{1, 5, 9}, 1, 6, 1, {5, 6, 9}},
        {{1, 5, 9}, 3, 3, 1, {1, 3, 5}},
        {{1, 5, 9}, 1, 100, 1, {5, 9, 100}},
        {{1, 5, 9}, 3, -7, 1, {-7, 1, 5}},
        {{1, 5, 9}, 2, 8, 1, {1, 8, 9}},
        {{1, 5, 9}, 2, 2, 1, {1, 2, 9}},
        {{1, 5, 9}, 2, 5, 0, {1, 5, 9}},
        {{1, 5, 9}, 2, 9, 0, {1, 5, 9}},
        {{4}, 1, -2, 1, {-2}},
        {{1, 5, 5, 9}, 3, 7, 1, {1, 5, 7, 9}},
        {{1, 5, 5, 9}, 2, 0, 1, {0, 1, 5, 9}},
    };
    for (const SignChange &c : cases) {
        SCOPED_TRACE("position " + std::to_string(c.position) + " to " + std::to_string(c.new_sign));
        ItemPtr compound = new_item(FLF_TAG_SORTED, 0);
        int value = 0;
        for (int sign : c.signs)
            flf_add_prop(compound.get(), new_item(FLF_TAG_INTEGER, sign, std::to_string(value++).c_str()).release());
        FLF_ITEM child = flf_item_by_position(compound.get(), c.position);
        const int child_value = flf_get_prop_int(child);
        EXPECT_EQ(flf_set_item_sign(child, c.new_sign), c.result);
        EXPECT_EQ(child_signs(compound.get()), c.after);
        // The very object given moved: it sits where its sign now is.
        const int now = flf_find_item_position(compound.get(), child);
        ASSERT_NE(now, 0);
        EXPECT_EQ(flf_item_by_position(compound.get(), now), child);
        EXPECT_EQ(flf_get_prop_int(child), child_value);
        EXPECT_EQ(flf_get_item_sign(child), c.result ? c.new_sign : c.signs[c.position - 1]);
    }
}

TEST(SortedCompound, WorksOnTheVeryObjectAmongEqualSigns)
{
    ItemPtr compound = sorted_with({7, 7, 7}); // values by position: 2, 1, 0
    FLF_ITEM middle = flf_item_by_position(compound.get(), 2);
    EXPECT_EQ(flf_find_item_position(compound.get(), middle), 2);
    FLF_ITEM last = flf_item_by_position(compound.get(), 3);
    EXPECT_EQ(flf_set_item_sign(last, 8), 1);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(child_signs(compound.get()), (std::vector<int>{7, 7, 8}));
    flf_delete_property(middle);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{2, 0}));

    ItemPtr stranger = new_item(FLF_TAG_INTEGER, 7);
    EXPECT_EQ(flf_find_item_position(compound.get(), stranger.get()), 0);
}

TEST(OrderedCompound, KeepsInsertionOrderAllowsEqualSignsAndWalksPositions)
{
    ItemPtr compound = compound_with(FLF_TAG_ORDERED, {5, 3, 5});
    EXPECT_EQ(child_signs(compound.get()), (std::vector<int>{5, 3, 5}));
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(compound.get(), 5)), 0); // first in position order
    FLF_ITEM last = flf_item_by_position(compound.get(), 3);
    EXPECT_EQ(flf_find_item_position(compound.get(), last), 3);
    EXPECT_EQ(flf_set_item_sign(last, 3), 1);
    EXPECT_EQ(child_signs(compound.get()), (std::vector<int>{5, 3, 3}));
    EXPECT_EQ(flf_item_by_position(compound.get(), 3), last);
    EXPECT_EQ(flf_get_next_prop_position(compound.get(), 2), 3);
    EXPECT_EQ(flf_get_next_prop_position(compound.get(), 3), 0);
    // A walk may start before the first position as well as at it.
    EXPECT_EQ(flf_get_next_prop_position(compound.get(), 0), 1);
    EXPECT_EQ(flf_get_next_prop_position(compound.get(), -1), 0);
    ItemPtr empty = new_item(FLF_TAG_ORDERED);
    EXPECT_EQ(flf_get_next_prop_position(empty.get(), 0), 0);
    for (int outside : {0, -1, 4})
        EXPECT_EQ(flf_item_by_position(compound.get(), outside), nullptr) << outside;
}

TEST(SubPropertyPath, FollowsSignsThroughCompoundsOnly)
{
    ItemPtr form = new_item(FLF_TAG_SORTED, 10001);
    FLF_ITEM level1 = flf_add_property(form.get(), FLF_TAG_SORTED, 1, nullptr);
    FLF_ITEM level2 = flf_add_property(level1, FLF_TAG_ORDERED, 2, nullptr);
    FLF_ITEM deep = flf_add_property(level2, FLF_TAG_INTEGER, 3, "33");
    FLF_ITEM shallow = flf_add_property(level1, FLF_TAG_INTEGER, 4, "44");

    auto walk = [&](std::vector<int> path) {
        return flf_get_sub_prop(form.get(), path.data(), static_cast<int>(path.size()));
    };
    EXPECT_EQ(walk({1, 2, 3}), deep);
    EXPECT_EQ(walk({1, 4}), shallow);
    EXPECT_EQ(walk({1}), level1);
    EXPECT_EQ(walk({1, 4, 3}), nullptr); // a value in the middle of the path
    EXPECT_EQ(walk({1, 9, 3}), nullptr);
    EXPECT_EQ(walk({1, 2, 9}), nullptr);
    EXPECT_EQ(walk({9}), nullptr);
    EXPECT_EQ(walk({}), nullptr);
}

TEST(Clone, IsADeepCopyThatNoCompoundHolds)
{
    ItemPtr form = new_item(FLF_TAG_SORTED, 10001);
    FLF_ITEM source = flf_add_property(form.get(), FLF_TAG_ORDERED, 5, nullptr);
    flf_add_property(source, FLF_TAG_STRING, 9, "text");
    flf_add_property(source, FLF_TAG_INTEGER, 2, "-4");
    flf_add_property(flf_add_property(source, FLF_TAG_SORTED, 1, nullptr), FLF_TAG_DOUBLE, 3, "1.5");

    ItemPtr copy(flf_clone_prop(source));
    EXPECT_EQ(record_of(copy.get()), record_of(source));
    // No parent link: the source's compound may be gone long before the copy.
    EXPECT_EQ(flf_get_parent_prop(copy.get()), nullptr);
    EXPECT_EQ(flf_get_children_count(form.get()), 1);

    flf_set_prop_str(flf_get_prop(copy.get(), 9), "changed");
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(source, 9)), "text");
    EXPECT_EQ(flf_get_parent_prop(flf_get_prop(copy.get(), 2)), copy.get());
}

TEST(Clone, CanBeFreedOrAddedWithoutTouchingTheSourceParent)
{
    ItemPtr form = sorted_with({4, 5, 6});
    FLF_ITEM source = flf_get_prop(form.get(), 5);
    flf_delete_property(flf_clone_prop(source)); // the caller frees a copy it does not want
    EXPECT_EQ(child_signs(form.get()), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(flf_find_item_position(form.get(), source), 2);

    ItemPtr target = new_item(FLF_TAG_ORDERED, 0);
    FLF_ITEM copy = flf_clone_prop(source);
    flf_add_prop(target.get(), copy);
    EXPECT_EQ(flf_get_children_count(target.get()), 1);
    EXPECT_EQ(flf_get_parent_prop(copy), target.get());
    EXPECT_EQ(flf_get_children_count(form.get()), 3);
}
