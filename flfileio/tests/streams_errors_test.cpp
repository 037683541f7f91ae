// The stream classes, the errors the library raises across its module
// boundary, and the C error mode.
#include "test_support.hpp"

#include <cstring>
#include <filesystem>
#include <thread>

using namespace fltest;

extern "C" int c_caller_reads_a_bad_tag(flf_error *error);

namespace {

// Switches the C error mode on for one scope.
class CaughtErrors {
public:
    CaughtErrors() : previous_(flf_catch_errors(1)) {}
    ~CaughtErrors() { flf_catch_errors(previous_); }
    CaughtErrors(const CaughtErrors &) = delete;
    CaughtErrors &operator=(const CaughtErrors &) = delete;

private:
    int previous_;
};

flf_error last_error()
{
    flf_error error;
    std::memset(&error, 0x55, sizeof error);
    flf_last_error(&error);
    return error;
}

} // namespace

TEST(MemoryStream, LengthFollowsTheFurthestWriteAndSeekStopsAtIt)
{
    CMemoryFile stream(4, true);
    EXPECT_EQ(stream.Length(), 0);
    EXPECT_TRUE(stream.AtEnd());
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(catch_error([&] { stream.ReadByte(); }), Caught::file(3));

    stream.WriteInt(0x04030201);
    EXPECT_EQ(stream.Length(), 4);
    stream.Seek(1);
    stream.WriteByte(9);
    EXPECT_EQ(stream.Length(), 4);
    EXPECT_EQ(stream.Remaining(), 2);
    stream.Seek(4); // the end itself: appending
    stream.WriteByte(5);
    EXPECT_EQ(contents(stream), from_hex("01 09 03 04 05"));
    for (int32_t beyond : {6, 1000, -1})
        EXPECT_EQ(catch_error([&] { stream.Seek(beyond); }), Caught::file(3)) << beyond;

    stream.Seek(2);
    EXPECT_EQ(catch_error([&] { stream.ReadInt(); }), Caught::file(3));
}

TEST(MemoryStream, GrowsInStepsWithoutLosingBytes)
{
    CMemoryFile stream(3, true);
    for (int i = 0; i < 1000; ++i)
        stream.WriteByte(i);
    ASSERT_EQ(stream.Length(), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(stream.Data()[i], static_cast<unsigned char>(i)) << i;
    stream.Seek(996);
    EXPECT_EQ(stream.ReadInt(), static_cast<int32_t>(0xE7E6E5E4));
}

TEST(MemoryStream, FixedBlockCanBeFilledToItsLastByteAndNoFurther)
{
    FixedBlock block(ByteVector(8, 0));
    {
        CMemoryFile stream(block.handle(), 8);
        EXPECT_EQ(stream.Length(), 8);
        stream.WriteInt(1);
        stream.WriteInt(2);
        EXPECT_EQ(catch_error([&] { stream.WriteByte(3); }), Caught::file(3));
        stream.Seek(0);
        EXPECT_EQ(stream.ReadInt(), 1);
        EXPECT_EQ(stream.Remaining(), 4);
    }
    EXPECT_EQ(block.bytes(), from_hex("01 00 00 00 02 00 00 00"));
}

TEST(MemoryStream, FixedBlockCarriesARecordLikeTheClipboard)
{
    const ByteVector record = from_hex("01 00 00 00 0A 05 00 00 00 09 00 00 00");
    FixedBlock block(record);
    CMemoryFile stream(block.handle(), static_cast<int32_t>(record.size()));
    ItemPtr item(flf_read_prop(&stream));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(flf_get_prop_int(item.get()), 9);
    EXPECT_TRUE(stream.AtEnd());
}

TEST(DiskStream, WritesAndReadsBackThroughTheFileLayer)
{
    TempDir dir;
    const std::string name = dir.file("stream.bin");
    {
        CBinFile out(name.c_str(), CBinFile::ForWriting);
        out.WriteString("disk");
        for (int i = 0; i < 5000; ++i)
            out.WriteInt(i);
        out.Flush();
    }
    EXPECT_EQ(dir.read("stream.bin").size(), 8u + 20000u);
    CBinFile in(name.c_str(), CBinFile::ForReading);
    EXPECT_FALSE(in.AtEnd());
    EXPECT_EQ(in.Remaining(), 20008);
    EXPECT_STREQ(in.ReadString(), "disk");
    for (int i = 0; i < 4999; ++i)
        ASSERT_EQ(in.ReadInt(), i);
    in.Seek(4);
    EXPECT_EQ(in.ReadInt(), 0x6B736964); // "disk"
    in.Seek(20004);
    EXPECT_EQ(in.ReadInt(), 4999);
    EXPECT_TRUE(in.AtEnd());
    in.Seek(20007); // one byte left is not the end yet
    EXPECT_FALSE(in.AtEnd());
    in.ReadByte();
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(kind_only(catch_error([&] { in.ReadByte(); })), Caught::file(3));
}

TEST(DiskStream, MissingFileRaisesTheSystemErrorCode)
{
    TempDir dir;
    const std::string name = dir.file("missing.bin");
    EXPECT_EQ(catch_error([&] { CBinFile in(name.c_str(), CBinFile::ForReading); }), (Caught{Caught::System, 2, 0}));
}

#if !defined(_WIN32)
int open_files()
{
    int count = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TEST(DiskStream, NoMemoryForTheBufferLeavesNoFileOpen)
{
    TempDir dir;
    const std::string name = dir.file("stream.bin");
    const int before = open_files();
    for (CBinFile::Mode mode : {CBinFile::ForWriting, CBinFile::ForReading}) {
        AllocationLimit little(4096); // far less than a stream's buffer
        EXPECT_EQ(catch_error([&] { CBinFile stream(name.c_str(), mode); }).what, Caught::Unknown);
    }
    EXPECT_EQ(open_files(), before);
}
#endif

// Two programs may read one form file or name base at once (two form
// compilations of a build reading the same name base); only a writer keeps a
// file to itself.
TEST(DiskStream, ReadersOfOneFileDoNotLockEachOtherOut)
{
    TempDir dir;
    const std::string form_file = dir.write("app.flf", example_resource_file());
    const std::string name_base = dir.write("names.nam", name_file(8, {{"caption", 7}}));
    CBinFile form_reader(form_file.c_str(), CBinFile::ForReading);
    CBinFile name_reader(name_base.c_str(), CBinFile::ForReading);

    EXPECT_EQ(catch_error([&] { CBinFile second(form_file.c_str(), CBinFile::ForReading); }), Caught{});
    BasePtr base = open_base(form_file);
    ASSERT_NE(base, nullptr);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(flf_get_form(base.get(), "MAIN", 1), 12)), "Hi");
    FLF_NAMES names = nullptr;
    EXPECT_EQ(catch_error([&] { names = flf_open_name_base(name_base.c_str()); }), Caught{});
    EXPECT_EQ(flf_get_sign_by_name(names, "caption"), 7);
    EXPECT_EQ(form_reader.ReadString(), std::string(kResourceHeader));
    EXPECT_EQ(name_reader.ReadString(), std::string(kNameHeader));
#if defined(_WIN32)
    constexpr long kSharingViolation = 32;
    EXPECT_EQ(catch_error([&] { CBinFile writer(form_file.c_str(), CBinFile::ForWriting); }),
              (Caught{Caught::System, kSharingViolation, 0}));
#endif
}

// The library is another module (a DLL on Windows, a shared object natively):
// each error type it throws must be caught here by its own type.
TEST(ErrorsCrossingTheLibraryBoundary, AreCaughtByTypeInTheCallingModule)
{
    try {
        flf_create_property(3, 1, nullptr);
        ADD_FAILURE() << "no mexception";
    } catch (mexception *error) {
        EXPECT_EQ(error->code(), mexception::BadObjectTag);
        EXPECT_EQ(error->detail(), 3);
        EXPECT_EQ(error->message(), "Bad object tag,\nLine: 3");
        delete error;
    }
    try {
        CMemoryFile empty(4, true);
        flf_read_prop(&empty);
        ADD_FAILURE() << "no file_exception";
    } catch (file_exception *error) {
        EXPECT_EQ(error->kind(), file_exception::OutOfBounds);
        delete error;
    }
    TempDir dir;
    try {
        flf_open_name_base(dir.file("missing.fln").c_str());
        ADD_FAILURE() << "no system error";
    } catch (flf_system_error code) {
        EXPECT_EQ(code, 2u);
    }
}

TEST(ErrorsCrossingTheLibraryBoundary, OpenBaseNeverRaises)
{
    TempDir dir;
    ByteVector bad_tag = example_resource_file();
    bad_tag[91] = 7;
    EXPECT_EQ(catch_error([&] { EXPECT_EQ(flf_open_base(dir.write("bad.flf", bad_tag).c_str()), nullptr); }), Caught{});
}

TEST(CErrorMode, FailuresAnswerNoneAndAreReportedOnce)
{
    EXPECT_EQ(flf_catch_errors(0), 0); // raising is the default
    CaughtErrors mode;
    EXPECT_EQ(flf_catch_errors(1), 1);
    EXPECT_EQ(flf_create_property(3, 1, nullptr), nullptr);
    flf_error error = last_error();
    EXPECT_EQ(error.type, FLF_ERROR_DATABASE);
    EXPECT_EQ(error.code, 8);
    EXPECT_EQ(error.detail, 3);
    EXPECT_STREQ(error.message, "Bad object tag,\nLine: 3");
    EXPECT_EQ(last_error().type, FLF_ERROR_NONE);

    CMemoryFile empty(4, true);
    EXPECT_EQ(flf_read_prop(&empty), nullptr);
    error = last_error();
    EXPECT_EQ(error.type, FLF_ERROR_FILE);
    EXPECT_EQ(error.code, 3);
    EXPECT_NE(std::strlen(error.message), 0u);

    TempDir dir;
    EXPECT_EQ(flf_open_name_base(dir.file("missing.fln").c_str()), nullptr);
    error = last_error();
    EXPECT_EQ(error.type, FLF_ERROR_SYSTEM);
    EXPECT_EQ(error.code, 2);

    // The answer is the kind of error, which a caller may test without a record.
    flf_open_name_base(dir.file("missing.fln").c_str());
    EXPECT_EQ(flf_last_error(nullptr), FLF_ERROR_SYSTEM);
    EXPECT_EQ(flf_last_error(nullptr), FLF_ERROR_NONE);
}

// Opening answers none on any failure and records why: the system's reason,
// or where a malformed file stops making sense and which check failed.
TEST(CErrorMode, AFailedOpenRecordsWhy)
{
    CaughtErrors mode;
    TempDir dir;
    const auto opening = [&](const std::string &name) {
        EXPECT_EQ(flf_open_base(name.c_str()), nullptr);
        flf_error error = last_error();
        EXPECT_NE(std::string(error.message).find(name), std::string::npos) << error.message;
        return error;
    };

    flf_error error = opening(dir.file("missing.flf"));
    EXPECT_EQ(error.type, FLF_ERROR_SYSTEM);
    EXPECT_EQ(error.code, 2);
    std::filesystem::create_directory(dir.path() / "folder.flf");
    error = opening(dir.file("folder.flf"));
    EXPECT_EQ(error.type, FLF_ERROR_SYSTEM);
    EXPECT_NE(error.code, 0);

    const ByteVector example = example_resource_file();
    ByteVector bad_tag = example, long_string = example;
    bad_tag[91] = 7;                                  // the integer's tag
    long_string[105] = 0x00, long_string[106] = 0x10; // the string's length becomes 4096
    const ByteVector none_name = ByteWriter().str(kResourceHeader).i32(kCurrentVersion).no_str().bytes();
    ByteWriter huge_count = resource_header(kCurrentVersion, "prj", 0);
    huge_count.i32(10001).i32(1000000);
    const struct {
        ByteVector image;
        int kind;
        int offset;
        const char *where;
    } cases[] = {
        {ByteVector(example.begin(), example.begin() + 40), 3, 38, "(custom flags): the data ends early."},
        {bad_tag, 3, 91, "(forms): a tag that names no kind of stored object."},
        {long_string, 4, 105, "(forms): a string length below -1 or above 4095."},
        {none_name, 4, 35, "(project name): no text (length -1) where a name must be."},
        {huge_count.bytes(), 3, 50, "(class index): a count below 0 or larger than the bytes left can hold."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.where);
        error = opening(dir.write("bad.flf", c.image));
        EXPECT_EQ(error.type, FLF_ERROR_FILE);
        EXPECT_EQ(error.code, c.kind);
        EXPECT_EQ(error.detail, c.offset);
        const std::string expected = " is malformed at byte " + std::to_string(c.offset) + " " + c.where;
        EXPECT_NE(std::string(error.message).find(expected), std::string::npos) << error.message;
    }
}

TEST(CErrorMode, FailedSaveIsReportedAndLeavesTheBaseUsable)
{
    CaughtErrors mode;
    TempDir dir;
    BasePtr base(flf_new_base("prj", FLF_PROJECT_ABSOLUTE));
    flf_add_form(base.get(), "MAIN", 1, "Main");
    flf_saveas_base(base.get(), dir.file("no/such/base.flf").c_str());
    EXPECT_EQ(last_error().type, FLF_ERROR_SYSTEM);
    flf_saveas_base(base.get(), dir.file("base.flf").c_str());
    EXPECT_EQ(last_error().type, FLF_ERROR_NONE);
    BasePtr reopened = open_base(dir.file("base.flf"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(flf_get_form(reopened.get(), "MAIN", 1), nullptr);
}

TEST(CErrorMode, BelongsToTheThreadThatSwitchedIt)
{
    CaughtErrors mode;
    Caught in_other_thread;
    std::thread other([&] { in_other_thread = catch_error([] { flf_create_property(3, 1, nullptr); }); });
    other.join();
    EXPECT_EQ(in_other_thread, Caught::database(8, 3));
    EXPECT_EQ(flf_create_property(3, 1, nullptr), nullptr);
    EXPECT_EQ(last_error().type, FLF_ERROR_DATABASE);
}

TEST(CErrorMode, WorksForACallerWrittenInC)
{
    flf_error error;
    EXPECT_EQ(c_caller_reads_a_bad_tag(&error), 1);
    EXPECT_EQ(error.type, FLF_ERROR_DATABASE);
    EXPECT_EQ(error.detail, 9);
    EXPECT_EQ(flf_catch_errors(0), 0); // the C caller restored the raising mode
}
