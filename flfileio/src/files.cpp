#include "flfileio.h"
#include "platform.hpp"
#include "storage.hpp"
#include "image.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

namespace {

// Large enough that a save makes few system calls (each is costly in sandboxes).
constexpr int32_t kBufferSize = 1024 * 1024;

[[noreturn]] void Raise(int kind, int32_t system_error)
{
    throw new file_exception(kind, system_error);
}

} // namespace

// ---- CAbstrFile: primitive encodings ---------------------------------------

CAbstrFile::CAbstrFile()
{
    text_[0] = '\0';
}

CAbstrFile::~CAbstrFile() = default;

int64_t CAbstrFile::Remaining()
{
    return -1;
}

int32_t CAbstrFile::ReadInt()
{
    unsigned char bytes[4];
    ReadBytes(bytes, 4);
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

int32_t CAbstrFile::ReadByte()
{
    signed char byte;
    ReadBytes(&byte, 1);
    return byte;
}

int32_t CAbstrFile::ReadBool()
{
    return ReadByte();
}

double CAbstrFile::ReadDouble()
{
    unsigned char bytes[8];
    ReadBytes(bytes, 8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | bytes[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const char *CAbstrFile::ReadString()
{
    int32_t length = 0;
    return ReadString(length);
}

const char *CAbstrFile::ReadString(int32_t &length)
{
    length = ReadInt();
    if (length == -1)
        return nullptr;
    if (length < 0 || length > FLF_MAX_STRING) {
        NoteFailedCheck("a string length below -1 or above 4095");
        Raise(file_exception::StringTooLong, 0);
    }
    ReadBytes(text_, length);
    text_[length] = '\0';
    return text_;
}

void CAbstrFile::WriteInt(int32_t value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                              static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    WriteBytes(bytes, 4);
}

void CAbstrFile::WriteByte(int32_t value)
{
    unsigned char byte = static_cast<unsigned char>(value);
    WriteBytes(&byte, 1);
}

void CAbstrFile::WriteBool(int32_t value)
{
    WriteByte(value);
}

void CAbstrFile::WriteDouble(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i, bits >>= 8)
        bytes[i] = static_cast<unsigned char>(bits);
    WriteBytes(bytes, 8);
}

void CAbstrFile::WriteString(const char *text)
{
    WriteString(text, text ? std::strlen(text) : 0);
}

void CAbstrFile::WriteString(const char *text, size_t length)
{
    if (!text) {
        WriteInt(-1);
        return;
    }
    if (length > FLF_MAX_STRING)
        Raise(file_exception::StringTooLong, 0);
    WriteInt(static_cast<int32_t>(length));
    if (length)
        WriteBytes(text, static_cast<int32_t>(length));
}

// ---- CBinFile: a disk file with a buffer of its own ------------------------

namespace {

intptr_t OpenFile(const char *file_name, CBinFile::Mode mode)
{
    switch (mode) {
    case CBinFile::ForReading: return flf_platform::OpenForReading(file_name);
    case CBinFile::ForWritingNew: return flf_platform::CreateForWriting(file_name);
    default: return flf_platform::OpenForWriting(file_name);
    }
}

// The buffer of a stream whose file is open: without memory for it the file
// is closed again, as the stream that would have closed it is never made.
unsigned char *NewBuffer(intptr_t open_file)
{
    try {
        return new unsigned char[kBufferSize];
    } catch (...) {
        flf_platform::Close(open_file);
        throw;
    }
}

} // namespace

CBinFile::CBinFile(const char *file_name, Mode mode)
    : handle_(OpenFile(file_name, mode)), owns_(true), writing_(mode != ForReading), buffer_(NewBuffer(handle_)),
      buffer_pos_(0), buffer_len_(0), file_pos_(0), size_(writing_ ? 0 : flf_platform::Size(handle_))
{}

CBinFile::~CBinFile()
{
    if (writing_) {
        try {
            Flush();
        } catch (file_exception *raised) {
            std::unique_ptr<file_exception> ignored(raised); // the owner that cared called Flush itself
        }
    }
    if (owns_)
        flf_platform::Close(handle_);
    delete[] buffer_;
}

void CBinFile::FillBuffer()
{
    int32_t got = 0;
    if (!flf_platform::Read(handle_, buffer_, kBufferSize, &got))
        Raise(file_exception::ReadFailed, flf_platform::LastError());
    buffer_pos_ = 0;
    buffer_len_ = got;
    file_pos_ += got;
}

void CBinFile::ReadBytes(void *buffer, int32_t n)
{
    unsigned char *out = static_cast<unsigned char *>(buffer);
    while (n > 0) {
        if (buffer_pos_ == buffer_len_) {
            if (n >= kBufferSize) { // large reads bypass the buffer
                int32_t got = 0;
                if (!flf_platform::Read(handle_, out, n, &got))
                    Raise(file_exception::ReadFailed, flf_platform::LastError());
                file_pos_ += got;
                if (got < n)
                    Raise(file_exception::OutOfBounds, flf_platform::LastError());
                return;
            }
            FillBuffer();
            if (buffer_len_ == 0)
                Raise(file_exception::OutOfBounds, flf_platform::LastError());
        }
        int32_t chunk = std::min(n, buffer_len_ - buffer_pos_);
        std::memcpy(out, buffer_ + buffer_pos_, chunk);
        buffer_pos_ += chunk;
        out += chunk;
        n -= chunk;
    }
}

void CBinFile::WriteBytes(const void *buffer, int32_t n)
{
    if (buffer_len_ + n > kBufferSize) {
        Flush();
        if (n >= kBufferSize) {
            int32_t put = 0;
            if (!flf_platform::Write(handle_, buffer, n, &put) || put < n)
                Raise(file_exception::WriteFailed, flf_platform::LastError());
            return;
        }
    }
    std::memcpy(buffer_ + buffer_len_, buffer, n);
    buffer_len_ += n;
}

void CBinFile::Flush()
{
    if (!writing_ || buffer_len_ == 0)
        return;
    int32_t length = buffer_len_;
    buffer_len_ = 0;
    int32_t put = 0;
    if (!flf_platform::Write(handle_, buffer_, length, &put) || put < length)
        Raise(file_exception::WriteFailed, flf_platform::LastError());
}

void CBinFile::FlushToDisk()
{
    Flush();
    if (writing_ && !flf_platform::SyncToDisk(handle_))
        Raise(file_exception::WriteFailed, flf_platform::LastError());
}

void CBinFile::DropReadBuffer()
{
    buffer_pos_ = 0;
    buffer_len_ = 0;
}

void CBinFile::Seek(int32_t position)
{
    if (writing_)
        Flush();
    else
        DropReadBuffer();
    if (flf_platform::SeekTo(handle_, position))
        file_pos_ = position;
}

int64_t CBinFile::Remaining()
{
    if (writing_)
        return 0;
    int64_t position = file_pos_ - (buffer_len_ - buffer_pos_);
    return size_ - position;
}

bool CBinFile::AtEnd()
{
    return Remaining() <= 0;
}

// ---- CMemoryFile: a stream over a movable memory block ---------------------

CMemoryFile::CMemoryFile(int32_t capacity, bool owns_block)
    : block_(nullptr), data_(nullptr), position_(0), length_(0), capacity_(std::max<int32_t>(capacity, 1)),
      step_(capacity_), growable_(true), owns_(owns_block)
{
    block_ = flf_platform::AllocBlock(capacity_);
    if (!block_)
        Raise(file_exception::NoMemory, flf_platform::LastError());
    data_ = flf_platform::LockBlock(block_);
    if (!data_) {
        int32_t error = flf_platform::LastError();
        flf_platform::FreeBlock(block_);
        Raise(file_exception::NoMemory, error);
    }
}

CMemoryFile::CMemoryFile(void *block, int32_t length)
    : block_(block), data_(nullptr), position_(0), length_(std::max<int32_t>(length, 0)), capacity_(length_), step_(0),
      growable_(false), owns_(false)
{
    data_ = flf_platform::LockBlock(block_);
    if (!data_ && length_ > 0)
        Raise(file_exception::NoMemory, flf_platform::LastError());
}

CMemoryFile::~CMemoryFile()
{
    if (data_)
        flf_platform::UnlockBlock(block_);
    if (owns_ && block_)
        flf_platform::FreeBlock(block_);
}

void CMemoryFile::ReadBytes(void *buffer, int32_t n)
{
    if (n < 0 || n > length_ - position_)
        Raise(file_exception::OutOfBounds, 0);
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
}

void CMemoryFile::Grow(int32_t needed)
{
    // Geometric growth keeps long writes linear; never less than the step.
    int64_t wanted = std::max<int64_t>(int64_t(needed) + capacity_ + step_, int64_t(capacity_) * 2);
    if (wanted > INT32_MAX)
        Raise(file_exception::NoMemory, 0);
    void *block = flf_platform::AllocBlock(static_cast<int32_t>(wanted));
    if (!block)
        Raise(file_exception::NoMemory, flf_platform::LastError());
    unsigned char *data = flf_platform::LockBlock(block);
    if (!data) {
        int32_t error = flf_platform::LastError();
        flf_platform::FreeBlock(block);
        Raise(file_exception::NoMemory, error);
    }
    std::memcpy(data, data_, length_);
    flf_platform::UnlockBlock(block_);
    flf_platform::FreeBlock(block_); // a growable stream allocated it itself
    block_ = block;
    data_ = data;
    capacity_ = static_cast<int32_t>(wanted);
}

void CMemoryFile::WriteBytes(const void *buffer, int32_t n)
{
    if (n < 0)
        Raise(file_exception::OutOfBounds, 0);
    if (int64_t(position_) + n > capacity_) {
        if (!growable_)
            Raise(file_exception::OutOfBounds, 0);
        Grow(n);
    }
    std::memcpy(data_ + position_, buffer, n);
    position_ += n;
    length_ = std::max(length_, position_);
}

void CMemoryFile::Seek(int32_t position)
{
    if (position < 0 || position > length_)
        Raise(file_exception::OutOfBounds, 0);
    position_ = position;
}

bool CMemoryFile::AtEnd()
{
    return position_ >= length_;
}

int64_t CMemoryFile::Remaining()
{
    return length_ - position_;
}

// ---- reading counts and writing files safely --------------------------------

namespace {
thread_local const char *failed_check = "";
}

void NoteFailedCheck(const char *check)
{
    failed_check = check;
}

const char *FailedCheck()
{
    return failed_check;
}

int32_t CheckedCount(CAbstrFile &stream, int32_t count, int smallest_item_bytes)
{
    int64_t remaining = stream.Remaining();
    if (count < 0 || (remaining >= 0 && count > remaining / smallest_item_bytes)) {
        NoteFailedCheck("a count below 0 or larger than the bytes left can hold");
        Raise(file_exception::OutOfBounds, 0);
    }
    return count;
}

namespace {

// A new file beside the target: the target's name with ".saving" (or
// ".saving2" and so on, when an interrupted save or somebody else holds that
// name). It is created, never opened: an existing file or link of that name
// is not written through.
std::unique_ptr<CBinFile> CreateTemporaryBeside(const std::string &target, std::string &name)
{
    constexpr int kAttempts = 100;
    for (int attempt = 1;; ++attempt) {
        name = target + ".saving" + (attempt > 1 ? std::to_string(attempt) : "");
        try {
            return std::make_unique<CBinFile>(name.c_str(), CBinFile::ForWritingNew);
        } catch (flf_system_error error) {
            if (!flf_platform::AlreadyExists(error) || attempt == kAttempts)
                throw;
        }
    }
}

} // namespace

void WriteFileSafely(const char *target, const std::function<void(CAbstrFile &)> &write)
{
    flf_platform::RefuseReadOnly(target);
    std::string temporary;
    std::unique_ptr<CBinFile> stream = CreateTemporaryBeside(target, temporary);
    try {
        flf_platform::CopyPermissions(target, temporary.c_str());
        write(*stream);
        stream->FlushToDisk();
        stream.reset();
    } catch (...) {
        stream.reset();
        flf_platform::RemoveFile(temporary.c_str());
        throw;
    }
    if (!flf_platform::MoveReplacing(temporary.c_str(), target)) {
        flf_system_error error = static_cast<flf_system_error>(flf_platform::LastError());
        flf_platform::RemoveFile(temporary.c_str());
        throw error;
    }
}

// ---- the content of a file in memory ------------------------------------------

namespace {

size_t RegionRoom(size_t size)
{
    return (size + flf_platform::kRegionUnit - 1) / flf_platform::kRegionUnit * flf_platform::kRegionUnit;
}

// The region of a large image given back is kept for the next one instead of
// going back to the system: memory fresh from the system has to be cleared
// first (on a virtual machine perhaps claimed from the host, on Windows page
// by page), which costs more than reading the file. The system may still
// take its pages back meanwhile; they then come back cleared, as fresh ones.
class SpareRegion {
public:
    // The kept region when it has room for room bytes, cut down to them.
    unsigned char *Take(size_t room)
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!data_ || room_ < room)
            return nullptr;
        if (room_ > room)
            flf_platform::ShrinkRegion(data_, room_, room);
        return std::exchange(data_, nullptr);
    }
    // Keeps the larger of the region and the one kept already, and gives
    // the other back.
    void Give(unsigned char *data, size_t room)
    {
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (!data_ || room_ < room) {
                flf_platform::ForgetRegionContent(data, room);
                std::swap(data, data_);
                std::swap(room, room_);
            }
        }
        if (data)
            flf_platform::UnmapRegion(data, room);
    }

private:
    std::mutex lock_;
    unsigned char *data_ = nullptr;
    size_t room_ = 0;
};

SpareRegion g_spare_region;

} // namespace

unsigned char *flf_platform::AllocImage(size_t size)
{
    if (size < kRegionUnit)
        return new unsigned char[size];
    const size_t room = RegionRoom(size);
    if (unsigned char *kept = g_spare_region.Take(room))
        return kept;
    return MapRegion(room);
}

void flf_platform::FreeImage(unsigned char *data, size_t size)
{
    if (size < kRegionUnit)
        delete[] data;
    else if (data)
        g_spare_region.Give(data, RegionRoom(size));
}

flf_platform::FileImage::FileImage(const char *name) : file_(OpenForReading(name))
{
    try {
        file_size_ = flf_platform::Size(file_);
        if (file_size_ < 0 || static_cast<uint64_t>(file_size_) > SIZE_MAX / 2)
            Raise(file_exception::NoMemory, 0);
        const size_t room = file_size_ > 0 ? static_cast<size_t>(file_size_) : 1;
        data_ = std::unique_ptr<unsigned char[], Release>(AllocImage(room), Release{room});
    } catch (...) {
        CloseFile();
        throw;
    }
}

flf_platform::FileImage::~FileImage()
{
    CloseFile();
}

void flf_platform::FileImage::CloseFile()
{
    if (reader_.joinable()) {
        stop_.store(true, std::memory_order_relaxed);
        reader_.join();
    }
    if (file_ != -1)
        Close(file_);
    file_ = -1;
}

namespace {
constexpr int64_t kPiece = 256 * 1024;
}

void flf_platform::FileImage::ReadAhead(std::function<void()> then)
{
    if (reader_.joinable() || file_ == -1 || size_ > 0)
        return;
    then_ = std::move(then);
    try {
        reader_ = std::thread([this] { ReadAll(); });
    } catch (const std::system_error &) {
        // No thread to be had: LoadUpTo reads as the caller goes.
    }
}

void flf_platform::FileImage::ReadAll()
{
    int64_t loaded = 0;
    while (loaded < file_size_ && !stop_.load(std::memory_order_relaxed)) {
        const int64_t piece = std::min(file_size_ - loaded, kPiece);
        int32_t got = 0;
        read_failed_ = !Read(file_, data_.get() + loaded, static_cast<int32_t>(piece), &got);
        if (read_failed_)
            read_error_ = LastError();
        loaded += got;
        if (read_failed_ || got == 0) // or the file ended early
            break;
        Publish(loaded);
    }
    Publish(loaded | kFinished);
    if (then_ && loaded == file_size_ && !read_failed_ && !stop_.load(std::memory_order_relaxed))
        then_();
}

void flf_platform::FileImage::Publish(int64_t progress)
{
    {
        std::lock_guard<std::mutex> lock(progress_lock_);
        progress_.store(progress, std::memory_order_release);
    }
    progress_changed_.notify_all();
}

int64_t flf_platform::FileImage::WaitForReader(int64_t size)
{
    const auto enough = [&](int64_t seen) { return (seen & ~kFinished) >= size || (seen & kFinished); };
    int64_t seen = progress_.load(std::memory_order_acquire);
    if (!enough(seen)) {
        std::unique_lock<std::mutex> lock(progress_lock_);
        progress_changed_.wait(lock, [&] { return enough(seen = progress_.load(std::memory_order_acquire)); });
    }
    size_ = seen & ~kFinished;
    if (size_ < size && read_failed_)
        Raise(file_exception::ReadFailed, read_error_);
    return size_;
}

int64_t flf_platform::FileImage::LoadUpTo(int64_t size)
{
    if (reader_.joinable())
        return WaitForReader(size);
    while (size_ < size && size_ < file_size_ && file_ != -1) {
        const int64_t piece = std::min({file_size_ - size_, std::max(size - size_, kPiece), int64_t(1) << 30});
        int32_t got = 0;
        if (!Read(file_, data_.get() + size_, static_cast<int32_t>(piece), &got))
            Raise(file_exception::ReadFailed, LastError());
        if (got == 0)
            CloseFile(); // the file ended early
        size_ += got;
    }
    return size_;
}

// ---- reading from bytes in memory -----------------------------------------------

void CByteReader::ReadBytes(void *buffer, int32_t n)
{
    if (n > size_ - position_ && source_)
        size_ = source_->LoadUpTo(position_ + n);
    if (n < 0 || n > size_ - position_) {
        NoteFailedCheck("the data ends early");
        Raise(file_exception::OutOfBounds, 0);
    }
    std::memcpy(buffer, data_ + position_, n);
    position_ += n;
}

void CByteReader::WriteBytes(const void *, int32_t)
{
    Raise(file_exception::WriteFailed, 0);
}

void CByteReader::Seek(int32_t position)
{
    if (position < 0 || position > size_)
        Raise(file_exception::OutOfBounds, 0);
    position_ = position;
}
