// Property access: creating, adding, placing and removing items, typed values,
// and the single-property record that carries one item through a stream.
#include "test_support.hpp"

#include <initializer_list>

using namespace fltest;

namespace {

// An ordered compound whose integer children have signs 1, 2, ... and the
// values given, in that order.
ItemPtr ordered_values(std::initializer_list<int> values)
{
    ItemPtr compound = new_item(FLF_TAG_ORDERED, 0);
    int sign = 1;
    for (int value : values)
        flf_add_property(compound.get(), FLF_TAG_INTEGER, sign++, std::to_string(value).c_str());
    return compound;
}

ItemPtr read_record(const ByteVector &bytes)
{
    auto stream = stream_over(bytes);
    return ItemPtr(flf_read_prop(stream.get()));
}

// A record of one ordered compound (sign 3) holding an integer, a string and
// a nested sorted compound with a double.
ByteVector compound_record()
{
    ByteWriter record;
    record.i32(1).child(FLF_TAG_ORDERED, 3).i32(3);
    record.child(FLF_TAG_INTEGER, 9).i32(-7).child(FLF_TAG_STRING, 1).str("text");
    record.child(FLF_TAG_SORTED, 4).i32(1).child(FLF_TAG_DOUBLE, 2).f64(0.5);
    return record.bytes();
}

} // namespace

TEST(PropertyRecord, IntegerRecordIsThirteenBytesAndReadsBackWithoutParent)
{
    ItemPtr form = new_item(FLF_TAG_SORTED, 10001);
    FLF_ITEM item = flf_add_property(form.get(), FLF_TAG_INTEGER, 5, "9");
    CMemoryFile stream(8, true);
    stream.WriteBytes("AB", 2);
    flf_write_prop(&stream, item);
    stream.WriteByte(0xEE);
    EXPECT_EQ(contents(stream), from_hex("41 42 01 00 00 00 0A 05 00 00 00 09 00 00 00 EE"));
    EXPECT_EQ(flf_get_parent_prop(item), form.get());
    EXPECT_EQ(flf_get_children_count(form.get()), 1);

    stream.Seek(2);
    ItemPtr read(flf_read_prop(&stream));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(flf_get_item_tag(read.get()), FLF_TAG_INTEGER);
    EXPECT_EQ(flf_get_item_sign(read.get()), 5);
    EXPECT_EQ(flf_get_prop_int(read.get()), 9);
    EXPECT_EQ(flf_get_parent_prop(read.get()), nullptr);
    EXPECT_EQ(stream.Position(), 15);
}

TEST(PropertyRecord, CompoundTravelsWithItsSubtree)
{
    ItemPtr item = read_record(compound_record());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(record_of(item.get()), compound_record());
    EXPECT_EQ(child_signs(item.get()), (std::vector<int>{9, 1, 4}));
    EXPECT_EQ(flf_get_parent_prop(flf_get_prop(item.get(), 4)), item.get());
}

TEST(PropertyRecord, ReadsAsAnOldFormatSoSign76ZeroBecomesTheOldDefault)
{
    ItemPtr zero = read_record(ByteWriter().i32(1).child(FLF_TAG_INTEGER, 76).i32(0).bytes());
    ItemPtr five = read_record(ByteWriter().i32(1).child(FLF_TAG_INTEGER, 76).i32(5).bytes());
    EXPECT_EQ(flf_get_prop_int(zero.get()), 0x40000000);
    EXPECT_EQ(flf_get_prop_int(five.get()), 5);
}

TEST(PropertyRecord, BooleanKeepsOnlyItsLowByte)
{
    ItemPtr boolean = new_item(FLF_TAG_BOOLEAN, 2);
    flf_set_prop_boo(boolean.get(), 256);
    EXPECT_EQ(record_of(boolean.get()), from_hex("01 00 00 00 0C 02 00 00 00 00"));
    EXPECT_EQ(flf_get_prop_boo(read_record(record_of(boolean.get())).get()), 0);
    EXPECT_EQ(flf_get_prop_boo(read_record(from_hex("01 00 00 00 0C 02 00 00 00 FF")).get()), -1);
}

TEST(PropertyRecord, ExtraChildrenAreNotReturned)
{
    ByteWriter record;
    record.i32(2).child(FLF_TAG_STRING, 1).str("first").child(FLF_TAG_STRING, 2).str("second");
    ItemPtr item = read_record(record.bytes());
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(flf_get_prop_str(item.get()), "first");
}

TEST(PropertyRecord, MalformedRecordsRaiseStreamOrDatabaseErrors)
{
    EXPECT_EQ(catch_error([] { read_record({}); }), Caught::file(3));
    EXPECT_EQ(catch_error([] { read_record(from_hex("00 00 00 00")); }), Caught::file(3));
    EXPECT_EQ(catch_error([] { read_record(from_hex("01 00 00 00 07 01 00 00 00 00")); }), Caught::database(8, 7));
    EXPECT_EQ(catch_error([] { read_record(from_hex("01 00 00 00 FF 01 00 00 00 00")); }), Caught::database(8, -1));
    EXPECT_EQ(catch_error([] { read_record(from_hex("01 00 00 00 0B 01 00 00 00 00 10 00 00")); }), Caught::file(4));

    const ByteVector whole = compound_record();
    for (size_t length = 0; length < whole.size(); ++length) {
        const ByteVector prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(catch_error([&] { read_record(prefix); }).what, Caught::File) << "cut at " << length;
    }
    for (int32_t count : {0x7FFFFFFF, -1}) {
        const ByteVector record = ByteWriter().i32(1).child(FLF_TAG_SORTED, 1).i32(count).bytes();
        const Caught caught = catch_error([&] { read_record(record); });
        EXPECT_TRUE(caught.what == Caught::File || caught.what == Caught::Database) << count << ": " << caught;
    }
    ByteWriter deep;
    for (int level = 0; level < 100000; ++level)
        deep.i32(1).child(FLF_TAG_ORDERED, level);
    const Caught caught = catch_error([&] { read_record(deep.bytes()); });
    EXPECT_TRUE(caught.what == Caught::File || caught.what == Caught::Database) << caught;
}

TEST(AddProperty, AppliesTheTextAfterAddingAndKeepsRefusedDefaults)
{
    ItemPtr form = new_item(FLF_TAG_SORTED, 10001);
    EXPECT_EQ(flf_get_prop_boo(flf_add_property(form.get(), FLF_TAG_BOOLEAN, 1, nullptr)), 1);
    EXPECT_EQ(flf_get_prop_int(flf_add_property(form.get(), FLF_TAG_INTEGER, 2, "12x")), 12);
    FLF_ITEM refused = flf_add_property(form.get(), FLF_TAG_INTEGER, 3, "4294967296");
    EXPECT_EQ(flf_get_prop_int(refused), 0);
    EXPECT_EQ(flf_get_parent_prop(refused), form.get());
    EXPECT_EQ(child_signs(form.get()), (std::vector<int>{1, 2, 3}));
}

TEST(AddProperty, ValueTargetAddsToItsCompound)
{
    ItemPtr form = new_item(FLF_TAG_SORTED, 10001);
    FLF_ITEM integer = flf_add_property(form.get(), FLF_TAG_INTEGER, 5, "1");
    FLF_ITEM added = flf_add_property(integer, FLF_TAG_STRING, 2, "s");
    EXPECT_EQ(flf_get_parent_prop(added), form.get());
    EXPECT_EQ(child_signs(form.get()), (std::vector<int>{2, 5}));

    ItemPtr loose = new_item(FLF_TAG_CHARACTER, 9, "c");
    flf_add_prop(integer, loose.get());
    EXPECT_EQ(flf_get_parent_prop(loose.release()), form.get());
}

TEST(AddProperty, BadTagRaisesAndAddsNothing)
{
    ItemPtr form = new_item(FLF_TAG_SORTED, 10001);
    EXPECT_EQ(catch_error([&] { flf_add_property(form.get(), 3, 1, "x"); }), Caught::database(8, 3));
    EXPECT_EQ(flf_get_children_count(form.get()), 0);
}

TEST(AddProp, AppendsToOrderedAndInsertsIntoSortedBeforeEqualSigns)
{
    ItemPtr ordered = ordered_values({10, 20});
    flf_add_prop(ordered.get(), new_item(FLF_TAG_INTEGER, 1, "30").release());
    EXPECT_EQ(child_ints(ordered.get()), (std::vector<int>{10, 20, 30}));

    ItemPtr sorted = new_item(FLF_TAG_SORTED, 0);
    for (const char *value : {"1", "2"})
        flf_add_prop(sorted.get(), new_item(FLF_TAG_INTEGER, 4, value).release());
    flf_add_prop(sorted.get(), new_item(FLF_TAG_INTEGER, 3, "3").release());
    EXPECT_EQ(child_ints(sorted.get()), (std::vector<int>{3, 2, 1}));
}

TEST(AddProp, ItemHeldByACompoundStaysWhereItIs)
{
    ItemPtr first = ordered_values({1});
    ItemPtr second = new_item(FLF_TAG_ORDERED, 0);
    FLF_ITEM held = flf_item_by_position(first.get(), 1);
    flf_add_prop(second.get(), held);
    flf_add_prop(first.get(), held);
    EXPECT_EQ(flf_get_children_count(second.get()), 0);
    EXPECT_EQ(flf_get_children_count(first.get()), 1);
    EXPECT_EQ(flf_get_parent_prop(held), first.get());
}

TEST(InsertAtPosition, PlacesTheItemAndMovesTheRestUp)
{
    ItemPtr compound = ordered_values({1, 2, 3});
    flf_insert_at_position(compound.get(), new_item(FLF_TAG_INTEGER, 9, "0").release(), 1);
    flf_insert_at_position(compound.get(), new_item(FLF_TAG_INTEGER, 9, "4").release(), 5);
    FLF_ITEM middle = new_item(FLF_TAG_INTEGER, 9, "7").release();
    flf_insert_at_position(compound.get(), middle, 3);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{0, 1, 7, 2, 3, 4}));
    EXPECT_EQ(flf_get_parent_prop(middle), compound.get());
}

TEST(InsertAtPosition, RefusedPlacesChangeNothing)
{
    ItemPtr compound = ordered_values({1, 2});
    ItemPtr item = new_item(FLF_TAG_INTEGER, 9, "9");
    for (int outside : {0, -1, 4})
        flf_insert_at_position(compound.get(), item.get(), outside);
    ItemPtr sorted = new_item(FLF_TAG_SORTED, 0);
    flf_insert_at_position(sorted.get(), item.get(), 1);
    flf_insert_at_position(compound.get(), flf_item_by_position(compound.get(), 2), 1);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{1, 2}));
    EXPECT_EQ(flf_get_children_count(sorted.get()), 0);
    EXPECT_EQ(flf_get_parent_prop(item.get()), nullptr);
}

// Growing a compound that is full takes memory; when there is none the item
// is not placed and stays the caller's to free (ASan sees a double free or a
// dangling parent if the compound had dropped it).
TEST(InsertAtPosition, AnItemThatFindsNoRoomStaysTheCallers)
{
    if (!AllocationPeak::available())
        GTEST_SKIP() << "allocations are counted natively only";
    ItemPtr ordered = ordered_values({1});
    ItemPtr sorted = new_item(FLF_TAG_SORTED, 0);
    flf_add_property(sorted.get(), FLF_TAG_INTEGER, 5, "5");
    ItemPtr item = new_item(FLF_TAG_INTEGER, 1, "9");
    int raising = flf_catch_errors(1);
    {
        AllocationLimit none(0);
        flf_add_prop(ordered.get(), item.get());
        flf_add_prop(sorted.get(), item.get());
        flf_insert_at_position(ordered.get(), item.get(), 1);
    }
    flf_error error;
    EXPECT_EQ(flf_last_error(&error), FLF_ERROR_OTHER);
    flf_catch_errors(raising);
    EXPECT_EQ(flf_get_parent_prop(item.get()), nullptr);
    EXPECT_EQ(child_ints(ordered.get()), std::vector<int>{1});
    EXPECT_EQ(child_ints(sorted.get()), std::vector<int>{5});
    flf_add_prop(sorted.get(), item.release()); // with memory it goes in
    EXPECT_EQ(child_ints(sorted.get()), (std::vector<int>{9, 5}));
}

TEST(MoveProp, ExchangesWithTheFirstOrLastChildOfAnOrderedParentOnly)
{
    ItemPtr compound = ordered_values({1, 2, 3, 4});
    flf_move_prop(flf_item_by_position(compound.get(), 3), 1);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{3, 2, 1, 4}));
    compound = ordered_values({1, 2, 3, 4});
    flf_move_prop(flf_item_by_position(compound.get(), 3), 0);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{1, 2, 4, 3}));
    flf_move_prop(flf_item_by_position(compound.get(), 1), 1);
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{1, 2, 4, 3}));

    ItemPtr sorted = new_item(FLF_TAG_SORTED, 0);
    for (int sign : {1, 2, 3})
        flf_add_property(sorted.get(), FLF_TAG_INTEGER, sign, nullptr);
    flf_move_prop(flf_item_by_position(sorted.get(), 3), 1);
    EXPECT_EQ(child_signs(sorted.get()), (std::vector<int>{1, 2, 3}));
    ItemPtr loose = new_item(FLF_TAG_INTEGER);
    flf_move_prop(loose.get(), 1);
    EXPECT_EQ(flf_get_parent_prop(loose.get()), nullptr);
}

TEST(RemoveProperty, DetachesFromAnOrderedParentOnly)
{
    ItemPtr compound = ordered_values({1, 2, 3});
    ItemPtr detached(flf_item_by_position(compound.get(), 2));
    flf_remove_property(detached.get());
    EXPECT_EQ(child_ints(compound.get()), (std::vector<int>{1, 3}));
    EXPECT_EQ(flf_get_parent_prop(detached.get()), nullptr);
    EXPECT_EQ(flf_get_prop_int(detached.get()), 2);
    EXPECT_EQ(flf_set_item_sign(detached.get(), 44), 0);
    EXPECT_EQ(flf_get_item_sign(detached.get()), 2);

    ItemPtr sorted = new_item(FLF_TAG_SORTED, 0);
    FLF_ITEM child = flf_add_property(sorted.get(), FLF_TAG_INTEGER, 1, nullptr);
    flf_remove_property(child);
    EXPECT_EQ(flf_get_parent_prop(child), sorted.get());
    EXPECT_EQ(flf_get_children_count(sorted.get()), 1);
}

TEST(DeleteProperty, DestroysTheItemWithItsSubtree)
{
    ItemPtr compound = ordered_values({1, 2});
    FLF_ITEM nested = flf_add_property(compound.get(), FLF_TAG_SORTED, 3, nullptr);
    flf_add_property(flf_add_property(nested, FLF_TAG_ORDERED, 1, nullptr), FLF_TAG_STRING, 1, "owned");
    flf_delete_property(nested);
    flf_delete_property(flf_item_by_position(compound.get(), 1));
    EXPECT_EQ(child_ints(compound.get()), std::vector<int>{2});
}

TEST(ItemValues, IntegerAndBooleanShareOneWord)
{
    ItemPtr integer = new_item(FLF_TAG_INTEGER);
    ItemPtr boolean = new_item(FLF_TAG_BOOLEAN);
    flf_set_prop_boo(integer.get(), -3);
    flf_set_prop_int(boolean.get(), 0);
    EXPECT_EQ(flf_get_prop_int(integer.get()), -3);
    EXPECT_EQ(flf_get_prop_boo(boolean.get()), 0);
    EXPECT_STREQ(flf_get_simple_item_value(boolean.get()), "false");
}

TEST(ItemValues, StringsAreCopiesAndNoneKeepsTheOldText)
{
    ItemPtr item = new_item(FLF_TAG_STRING, 4);
    char text[] = "first";
    flf_set_prop_str(item.get(), text);
    text[0] = 'X';
    EXPECT_STREQ(flf_get_prop_str(item.get()), "first");
    flf_set_prop_str(item.get(), nullptr);
    EXPECT_EQ(flf_set_simple_item_value(item.get(), nullptr), 1);
    EXPECT_STREQ(flf_get_prop_str(item.get()), "first");
    flf_set_prop_str(item.get(), "");
    EXPECT_STREQ(flf_get_prop_str(item.get()), "");
    EXPECT_EQ(record_of(item.get()), from_hex("01 00 00 00 0B 04 00 00 00 00 00 00 00"));
}

TEST(ItemValues, ParentsLeadUpToTheFormsRoot)
{
    BasePtr base(flf_new_base("p", FLF_PROJECT_ABSOLUTE));
    FLF_ITEM form = flf_add_form(base.get(), "A", 1, "a");
    FLF_ITEM value = flf_add_property(form, FLF_TAG_DOUBLE, 1, "2.5");
    EXPECT_EQ(flf_get_prop_double(value), 2.5);
    EXPECT_EQ(flf_get_parent_prop(value), form);
    EXPECT_EQ(flf_get_parent_prop(form), flf_get_form_root(base.get()));
    EXPECT_EQ(flf_get_parent_prop(flf_get_form_root(base.get())), nullptr);
    EXPECT_EQ(flf_get_item_sign(flf_get_form_root(base.get())), 0);
    EXPECT_EQ(flf_get_item_tag(flf_get_form_root(base.get())), FLF_TAG_SORTED);
}
