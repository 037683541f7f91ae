#include "platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <utility>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flf_platform {

namespace {

intptr_t Open(const char *name, int flags)
{
    int fd = ::open(name, flags | O_CLOEXEC, 0666);
    if (fd < 0)
        throw static_cast<flf_system_error>(errno);
    return fd;
}

} // namespace

intptr_t OpenForReading(const char *name)
{
    intptr_t fd = Open(name, O_RDONLY);
    struct stat info;
    if (fstat(static_cast<int>(fd), &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(static_cast<int>(fd));
        throw static_cast<flf_system_error>(EISDIR);
    }
#ifdef POSIX_FADV_SEQUENTIAL
    posix_fadvise(static_cast<int>(fd), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return fd;
}

intptr_t OpenForWriting(const char *name)
{
    return Open(name, O_WRONLY | O_CREAT | O_TRUNC);
}

intptr_t CreateForWriting(const char *name)
{
    return Open(name, O_WRONLY | O_CREAT | O_EXCL);
}

bool AlreadyExists(flf_system_error error)
{
    return error == EEXIST;
}

void Close(intptr_t file)
{
    ::close(static_cast<int>(file));
}

bool SyncToDisk(intptr_t file)
{
    return ::fsync(static_cast<int>(file)) == 0;
}

bool Read(intptr_t file, void *buffer, int32_t n, int32_t *done)
{
    int32_t total = 0;
    while (total < n) {
        ssize_t got = ::read(static_cast<int>(file), static_cast<char *>(buffer) + total, n - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *done = total;
            return false;
        }
        if (got == 0)
            break;
        total += static_cast<int32_t>(got);
    }
    *done = total;
    return true;
}

bool Write(intptr_t file, const void *buffer, int32_t n, int32_t *done)
{
    int32_t total = 0;
    while (total < n) {
        ssize_t put = ::write(static_cast<int>(file), static_cast<const char *>(buffer) + total, n - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            *done = total;
            return false;
        }
        total += static_cast<int32_t>(put);
    }
    *done = total;
    return true;
}

bool SeekTo(intptr_t file, int64_t position)
{
    return ::lseek(static_cast<int>(file), static_cast<off_t>(position), SEEK_SET) >= 0;
}

int64_t Size(intptr_t file)
{
    struct stat info;
    return fstat(static_cast<int>(file), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

int32_t LastError()
{
    return errno;
}

void RefuseReadOnly(const char *name)
{
    struct stat info;
    if (::stat(name, &info) != 0 || S_ISDIR(info.st_mode))
        return;
    // Like the read-only attribute of Windows, no write permission stops even
    // a user (root) whom the system would let write.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(name, W_OK) != 0)
        throw static_cast<flf_system_error>(EACCES);
}

void CopyPermissions(const char *model, const char *file)
{
    struct stat info;
    if (::stat(model, &info) == 0)
        ::chmod(file, info.st_mode & 07777);
}

namespace {

// Makes a rename in the folder of name last across a power failure.
void SyncFolderOf(const char *name)
{
    std::string folder(name);
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : folder.substr(0, slash));
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool MoveReplacing(const char *source, const char *target)
{
    if (std::rename(source, target) != 0)
        return false;
    SyncFolderOf(target);
    return true;
}

void RemoveFile(const char *name)
{
    ::unlink(name);
}

// Natively a block is plain heap memory; locking answers its address.
void *AllocBlock(int32_t size)
{
    return std::calloc(1, size > 0 ? static_cast<size_t>(size) : 1);
}

unsigned char *LockBlock(void *block)
{
    return static_cast<unsigned char *>(block);
}

void UnlockBlock(void *) {}

void FreeBlock(void *block)
{
    std::free(block);
}

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t MappedRoom(size_t size)
{
    return (size + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

namespace {

// A large region given back is kept for the next image instead of being
// unmapped: memory fresh from the system has to be cleared by it first (and
// on a virtual machine perhaps claimed from the host), which costs more than
// reading the file. The kernel may still take its pages back meanwhile
// (MADV_FREE); they then come back cleared, as fresh ones would.
class SpareRegion {
public:
    // A kept region of at least room bytes, cut to room; null when none.
    unsigned char *Take(size_t room)
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!data_ || room_ < room)
            return nullptr;
        if (room_ > room)
            ::munmap(data_ + room, room_ - room);
        return std::exchange(data_, nullptr);
    }
    // Keeps the region, or unmaps it when one is kept already.
    void Give(unsigned char *data, size_t room)
    {
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (!data_) {
#ifdef MADV_FREE
                ::madvise(data, room, MADV_FREE);
#endif
                data_ = data;
                room_ = room;
                return;
            }
        }
        ::munmap(data, room);
    }

private:
    std::mutex lock_;
    unsigned char *data_ = nullptr;
    size_t room_ = 0;
};

SpareRegion g_spare_region;

unsigned char *MapAlignedRegion(size_t room)
{
    // One huge page more than needed, so the region can start on a huge page
    // boundary; the unaligned head and the spare tail go back at once.
    void *mapped = ::mmap(nullptr, room + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    if (uintptr_t tail = start + room + kHugePage - (aligned + room))
        ::munmap(reinterpret_cast<void *>(aligned + room), tail);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void *>(aligned), room, MADV_HUGEPAGE); // a hint: failing is harmless
#endif
    return reinterpret_cast<unsigned char *>(aligned);
}

} // namespace

unsigned char *AllocImage(size_t size)
{
    if (size < kHugePage)
        return new unsigned char[size];
    const size_t room = MappedRoom(size);
    if (unsigned char *kept = g_spare_region.Take(room))
        return kept;
    return MapAlignedRegion(room);
}

void FreeImage(unsigned char *data, size_t size)
{
    if (size < kHugePage)
        delete[] data;
    else if (data)
        g_spare_region.Give(data, MappedRoom(size));
}

void Beep() {}

std::string SystemMessage(flf_system_error code)
{
    return std::string(std::strerror(static_cast<int>(code))) + ".";
}

} // namespace flf_platform
