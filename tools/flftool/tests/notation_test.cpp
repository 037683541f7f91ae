// The compact notation of paths and lists: each tag's spelling, and the raw
// tree wherever the notation would not give the stored tree back.
#include <gtest/gtest.h>

#include "diagnostics.hpp"
#include "parser.hpp"
#include "path_notation.hpp"
#include "writer.hpp"

namespace flftool::test {
namespace {

using namespace path_sign;

// One item of sign 5 holding what the text after "5 " says, read and written.
Item read_value(const std::string &text)
{
    Document document = parse_source("root { 5 " + text + " }", NameTable());
    EXPECT_EQ(document.root_items.size(), 1u);
    return document.root_items.at(0);
}

std::string written(const Item &item)
{
    return Writer(NameTable()).value_text(item, 0);
}

void expect_notation(const std::string &text)
{
    SCOPED_TRACE(text);
    try {
        Item item = read_value(text);
        EXPECT_EQ(written(item), text);
    } catch (const SourceError &error) {
        ADD_FAILURE() << format_source_error("text", error);
    }
}

Item element(char tag, std::vector<Item> more = {})
{
    Item item = make_compound(FLF_TAG_SORTED, kNext);
    item.children.push_back(make_character(kTag, static_cast<unsigned char>(tag)));
    item.children.insert(item.children.end(), more.begin(), more.end());
    sort_children(item);
    return item;
}

Item holder(Item first)
{
    Item item = make_compound(FLF_TAG_SORTED, 5);
    item.children.push_back(std::move(first));
    return item;
}

TEST(Notation, EveryTagHasItsSpelling)
{
    expect_notation("= PERSON.name");
    expect_notation("= PERSON.count()");
    expect_notation("= real PERSON.ratio");
    expect_notation("= real PERSON.ratio()");
    expect_notation("= const PERSON.limit");
    expect_notation("= real const PERSON.pi");
    expect_notation("= call PERSON.accept()");
    expect_notation("= type PERSON.any");
    expect_notation("= *");
    expect_notation("= tag 'x' PERSON.odd");
    expect_notation("= tag 'V' PERSON.field(1)");
    expect_notation("= call()");
}

TEST(Notation, ElementsCarryTheirTreeExactly)
{
    Item item = read_value("= static PERSON.count(1, \"two\", PERSON.three) : \"(I)I\"");
    const Item &first = item.children.at(0);
    ASSERT_EQ(first.sign, kNext);
    std::vector<int32_t> signs;
    for (const Item &child : first.children)
        signs.push_back(child.sign);
    EXPECT_EQ(signs, (std::vector<int32_t>{kTag, kStatic, kClassName, kFeature, kParameter, kParameter, kParameter,
                                           kSignature}));
    EXPECT_EQ(first.children[0].number, 'F');
    // The arguments keep their order among the equal signs.
    EXPECT_EQ(first.children[5].children[0].children[1].text, "two");
    expect_notation("= static PERSON.count(1, \"two\", PERSON.three) : \"(I)I\"");
    expect_notation("= static(7) PERSON.flag");
    expect_notation("= * -> PERSON.world -> call WORLD.reset(WORLD.f(*), -2.5, 'c', none, true(-1))");
    expect_notation("= \"qk/fllocal/DisplayManager\".curObject");
    expect_notation("= call \"call\".\"x y\"()");
    expect_notation("= PERSON.flag { 3 true }");
    expect_notation("= [ call PERSON.accept(), PERSON.ok { 3 true } ]");
}

TEST(Notation, LiteralsStandForLiteralElements)
{
    for (const char *literal : {"5", "\"OK\"", "none", "'x'", "true", "false", "1.5", "-inf", "nan"})
        expect_notation(std::string("= ") + literal);
    Item item = read_value("= 42");
    EXPECT_TRUE(same_tree(item, holder(element('L', {make_integer(kLiteral, 42)}))));
}

TEST(Notation, LongListsTakeOneLineEach)
{
    expect_notation("= [\n"
                    "  call PERSON.first_long_routine_name(),\n"
                    "  call PERSON.second_long_routine_name(),\n"
                    "  call PERSON.third()\n"
                    "]");
}

TEST(Notation, TreesItCannotSayExactlyStayRaw)
{
    Item class_only = holder(element('V', {make_string(kClassName, "A")}));
    EXPECT_EQ(written(class_only), "{\n  93 { 71 'V' 98 \"A\" }\n}");

    Item ordered_element = holder(element('V'));
    ordered_element.children[0].tag = FLF_TAG_ORDERED;
    EXPECT_EQ(written(ordered_element), "{\n  93 [ 71 'V' ]\n}");

    Item two_tags = holder(element('V', {make_character(kTag, 'F')}));
    EXPECT_EQ(written(two_tags), "{\n  93 { 71 'V' 71 'F' }\n}");

    Item none_feature = holder(element('V', {make_string(kClassName, "A"), make_string(kFeature, std::nullopt)}));
    EXPECT_EQ(written(none_feature).rfind("{", 0), 0u);

    Item literal_with_class =
        holder(element('L', {make_integer(kLiteral, 1), make_string(kClassName, "A"), make_string(kFeature, "b")}));
    EXPECT_EQ(written(literal_with_class).rfind("{", 0), 0u);

    Item list = make_compound(FLF_TAG_ORDERED, 5);
    list.children.push_back(element('P'));
    list.children.push_back(element('P'));
    list.children[1].sign = 94;
    EXPECT_EQ(written(list), "[\n  93 { 71 'P' }\n  94 { 71 'P' }\n]");

    for (const Item *raw : {&class_only, &ordered_element, &two_tags, &none_feature, &literal_with_class, &list})
        EXPECT_TRUE(same_tree(read_value(written(*raw)), *raw)) << written(*raw);
}

TEST(Notation, SortedGroupsComeOutInTheLibrarysOrder)
{
    Item group = read_value("{ 9 1 2 'a' 9 2 1 \"x\" 9 3 }");
    std::vector<std::pair<int32_t, int>> order;
    for (const Item &child : group.children)
        order.push_back({child.sign, child.tag});
    EXPECT_EQ(order, (std::vector<std::pair<int32_t, int>>{{1, FLF_TAG_STRING},
                                                           {2, FLF_TAG_CHARACTER},
                                                           {9, FLF_TAG_INTEGER},
                                                           {9, FLF_TAG_INTEGER},
                                                           {9, FLF_TAG_INTEGER}}));
    EXPECT_EQ(group.children[2].number, 1);
    EXPECT_EQ(group.children[4].number, 3);
    EXPECT_EQ(written(read_value("[ 9 1 2 'a' ]")), "[ 9 1 2 'a' ]");
}

} // namespace
} // namespace flftool::test
