#include "test_support.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace fltest {

ByteWriter &ByteWriter::little_endian(uint64_t bits, int count)
{
    for (int i = 0; i < count; ++i)
        bytes_.push_back(static_cast<unsigned char>(bits >> (8 * i)));
    return *this;
}

ByteWriter &ByteWriter::str(std::string_view text)
{
    i32(static_cast<int32_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
}

ByteWriter &ByteWriter::append(const ByteVector &bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteVector from_hex(std::string_view hex)
{
    ByteVector bytes;
    for (size_t i = 0; i + 1 < hex.size(); ++i) {
        if (hex[i] == ' ')
            continue;
        bytes.push_back(static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
        ++i;
    }
    return bytes;
}

std::string text_of(const ByteVector &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

ByteWriter resource_header(int32_t version, std::string_view project, int32_t flags)
{
    ByteWriter image;
    image.str(kResourceHeader).i32(version).str(project).i32(flags);
    return image;
}

ByteWriter &one_form_index(ByteWriter &image)
{
    return image.i32(10002).i32(1).i32(1).str("MAIN").i32(1).i32(10001).str("Main");
}

ByteVector example_resource_file()
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    one_form_index(image).i32(1).child(FLF_TAG_SORTED, 10001).i32(2);
    image.child(FLF_TAG_INTEGER, 7).i32(5).child(FLF_TAG_STRING, 12).str("Hi");
    return image.bytes();
}

ByteVector name_file(int32_t next_sign, const std::vector<std::pair<std::string, int32_t>> &entries)
{
    ByteWriter image;
    image.str(kNameHeader).i32(0).i32(next_sign).i32(static_cast<int32_t>(entries.size()));
    for (const auto &[name, sign] : entries)
        image.str(name).i32(sign);
    return image.bytes();
}

ByteVector read_file(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path &path, const ByteVector &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string backslashed(std::string text)
{
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = "flfileio-" + std::to_string(ticks % 1000000007) + "-" + std::to_string(counter++);
    if (test != nullptr)
        name += std::string("-") + test->name();
    std::replace(name.begin(), name.end(), '/', '-');
    path_ = fs::temp_directory_path() / name;
    fs::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::file(std::string_view relative) const
{
    return (path_ / fs::path(relative).make_preferred()).string();
}

std::string TempDir::write(std::string_view relative, const ByteVector &bytes) const
{
    const fs::path full = path_ / fs::path(relative).make_preferred();
    fs::create_directories(full.parent_path());
    write_file(full, bytes);
    return full.string();
}

ByteVector TempDir::read(std::string_view relative) const
{
    return read_file(file(relative));
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#if defined(_WIN32)

SaveBlocker::SaveBlocker(const std::string &target)
    : handle_(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{}

SaveBlocker::~SaveBlocker()
{
    CloseHandle(handle_);
}

FixedBlock::FixedBlock(const ByteVector &bytes) : size_(bytes.size())
{
    handle_ = GlobalAlloc(GMEM_MOVEABLE, std::max<size_t>(size_, 1));
    void *data = GlobalLock(handle_);
    std::memcpy(data, bytes.data(), size_);
    GlobalUnlock(handle_);
}

FixedBlock::~FixedBlock()
{
    GlobalFree(handle_);
}

ByteVector FixedBlock::bytes() const
{
    const auto *data = static_cast<const unsigned char *>(GlobalLock(handle_));
    ByteVector copy(data, data + size_);
    GlobalUnlock(handle_);
    return copy;
}

#else

namespace {
rlimit saved_file_limit;
void (*saved_xfsz_handler)(int);
} // namespace

SaveBlocker::SaveBlocker(const std::string &)
{
    getrlimit(RLIMIT_FSIZE, &saved_file_limit);
    saved_xfsz_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved_file_limit;
    tiny.rlim_cur = 16; // below any resource or name file: every write of one fails
    setrlimit(RLIMIT_FSIZE, &tiny);
}

SaveBlocker::~SaveBlocker()
{
    setrlimit(RLIMIT_FSIZE, &saved_file_limit);
    std::signal(SIGXFSZ, saved_xfsz_handler);
}

FixedBlock::FixedBlock(const ByteVector &bytes) : size_(bytes.size())
{
    handle_ = new unsigned char[std::max<size_t>(size_, 1)];
    std::memcpy(handle_, bytes.data(), size_);
}

FixedBlock::~FixedBlock()
{
    delete[] static_cast<unsigned char *>(handle_);
}

ByteVector FixedBlock::bytes() const
{
    const auto *data = static_cast<const unsigned char *>(handle_);
    return ByteVector(data, data + size_);
}

#endif

BasePtr open_base(const std::string &file_name)
{
    return BasePtr(flf_open_base(file_name.c_str()));
}

ItemPtr new_item(int tag, int sign, const char *text)
{
    return ItemPtr(flf_create_property(tag, sign, text));
}

std::unique_ptr<CMemoryFile> stream_over(const ByteVector &bytes)
{
    auto stream = std::make_unique<CMemoryFile>(64, true);
    if (!bytes.empty())
        stream->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream->Seek(0);
    return stream;
}

ByteVector contents(const CMemoryFile &stream)
{
    return ByteVector(stream.Data(), stream.Data() + stream.Length());
}

ByteVector record_of(FLF_ITEM item)
{
    CMemoryFile stream(16, true);
    flf_write_prop(&stream, item);
    return contents(stream);
}

std::vector<FLF_ITEM> children(FLF_ITEM compound)
{
    std::vector<FLF_ITEM> items;
    for (int p = flf_get_first_prop_position(compound); p != 0; p = flf_get_next_prop_position(compound, p))
        items.push_back(flf_item_by_position(compound, p));
    return items;
}

std::vector<int> child_signs(FLF_ITEM compound)
{
    std::vector<int> signs;
    for (FLF_ITEM item : children(compound))
        signs.push_back(flf_get_item_sign(item));
    return signs;
}

std::vector<int> child_ints(FLF_ITEM compound)
{
    std::vector<int> values;
    for (FLF_ITEM item : children(compound))
        values.push_back(flf_get_prop_int(item));
    return values;
}

std::ostream &operator<<(std::ostream &out, const Caught &caught)
{
    static const char *const names[] = {"nothing", "mexception", "file_exception", "system error", "unknown"};
    return out << names[caught.what] << " (" << caught.code << ", " << caught.detail << ")";
}

flf_error last_error()
{
    flf_error error;
    std::memset(&error, 0x55, sizeof error);
    flf_last_error(&error);
    return error;
}

} // namespace fltest
