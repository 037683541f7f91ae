#include "platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
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

// Natively a region starts on a huge page boundary and is backed by huge
// pages where the kernel offers them.
unsigned char *MapRegion(size_t room)
{
    // One huge page more than needed, so the region can start on a huge page
    // boundary; the unaligned head and the spare tail go back at once.
    void *mapped = ::mmap(nullptr, room + kRegionUnit, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = (start + kRegionUnit - 1) / kRegionUnit * kRegionUnit;
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    if (uintptr_t tail = start + room + kRegionUnit - (aligned + room))
        ::munmap(reinterpret_cast<void *>(aligned + room), tail);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void *>(aligned), room, MADV_HUGEPAGE); // a hint: failing is harmless
#endif
    return reinterpret_cast<unsigned char *>(aligned);
}

void UnmapRegion(unsigned char *data, size_t room)
{
    ::munmap(data, room);
}

void ShrinkRegion(unsigned char *data, size_t room, size_t kept)
{
    ::munmap(data + kept, room - kept);
}

void ForgetRegionContent(unsigned char *data, size_t room)
{
#ifdef MADV_FREE
    ::madvise(data, room, MADV_FREE);
#else
    (void)data, (void)room;
#endif
}

void Beep() {}

std::string SystemMessage(flf_system_error code)
{
    return std::string(std::strerror(static_cast<int>(code))) + ".";
}

} // namespace flf_platform
