#include "platform.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

intptr_t OpenForWriting(const char *name) { return Open(name, O_WRONLY | O_CREAT | O_TRUNC); }

void Close(intptr_t file) { ::close(static_cast<int>(file)); }

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

int32_t LastError() { return errno; }

bool MoveReplacing(const char *source, const char *target) { return std::rename(source, target) == 0; }

void RemoveFile(const char *name) { ::unlink(name); }

// Natively a block is plain heap memory; locking answers its address.
void *AllocBlock(int32_t size) { return std::calloc(1, size > 0 ? static_cast<size_t>(size) : 1); }

unsigned char *LockBlock(void *block) { return static_cast<unsigned char *>(block); }

void UnlockBlock(void *) {}

void FreeBlock(void *block) { std::free(block); }

void Beep() {}

std::string SystemMessage(flf_system_error code) { return std::string(std::strerror(static_cast<int>(code))) + "."; }

} // namespace flf_platform
