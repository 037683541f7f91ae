#include "platform.hpp"

#include <windows.h>

#include <climits>
#include <new>

namespace flf_platform {

namespace {

intptr_t Open(const char *name, DWORD access, DWORD sharing, DWORD disposition)
{
    SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    HANDLE file = CreateFileA(name, access, sharing, &security, disposition, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw static_cast<flf_system_error>(GetLastError());
    return reinterpret_cast<intptr_t>(file);
}

HANDLE AsHandle(intptr_t file)
{
    return reinterpret_cast<HANDLE>(file);
}

} // namespace

// Readers share the file with other readers: two programs may read one form
// file or name base at once. A writer keeps it to itself.
intptr_t OpenForReading(const char *name)
{
    return Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

intptr_t OpenForWriting(const char *name)
{
    return Open(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
}

intptr_t CreateForWriting(const char *name)
{
    return Open(name, GENERIC_WRITE, 0, CREATE_NEW);
}

bool AlreadyExists(flf_system_error error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

void Close(intptr_t file)
{
    CloseHandle(AsHandle(file));
}

bool SyncToDisk(intptr_t file)
{
    return FlushFileBuffers(AsHandle(file)) != FALSE;
}

bool Read(intptr_t file, void *buffer, int32_t n, int32_t *done)
{
    DWORD got = 0;
    BOOL ok = ReadFile(AsHandle(file), buffer, static_cast<DWORD>(n), &got, nullptr);
    *done = static_cast<int32_t>(got);
    return ok != FALSE;
}

bool Write(intptr_t file, const void *buffer, int32_t n, int32_t *done)
{
    DWORD put = 0;
    BOOL ok = WriteFile(AsHandle(file), buffer, static_cast<DWORD>(n), &put, nullptr);
    *done = static_cast<int32_t>(put);
    return ok != FALSE;
}

bool SeekTo(intptr_t file, int64_t position)
{
    LONG high = static_cast<LONG>(position >> 32);
    DWORD low = SetFilePointer(AsHandle(file), static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

int64_t Size(intptr_t file)
{
    DWORD high = 0;
    DWORD low = GetFileSize(AsHandle(file), &high);
    return (static_cast<int64_t>(high) << 32) | low;
}

int32_t LastError()
{
    return static_cast<int32_t>(GetLastError());
}

// Windows refuses to replace a read-only file; some emulations do not.
void RefuseReadOnly(const char *name)
{
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw static_cast<flf_system_error>(ERROR_ACCESS_DENIED);
}

void CopyPermissions(const char *, const char *) {}

bool MoveReplacing(const char *source, const char *target)
{
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void RemoveFile(const char *name)
{
    DeleteFileA(name);
}

void *AllocBlock(int32_t size)
{
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, static_cast<SIZE_T>(size));
}

unsigned char *LockBlock(void *block)
{
    return static_cast<unsigned char *>(GlobalLock(block));
}

void UnlockBlock(void *block)
{
    GlobalUnlock(block);
}

void FreeBlock(void *block)
{
    GlobalFree(block);
}

// Windows hands out large pages only to holders of a privilege that programs
// rarely have: a region is plain committed memory.
unsigned char *MapRegion(size_t room)
{
    void *region = VirtualAlloc(nullptr, room, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!region)
        throw std::bad_alloc();
    return static_cast<unsigned char *>(region);
}

void UnmapRegion(unsigned char *data, size_t)
{
    VirtualFree(data, 0, MEM_RELEASE); // the whole reservation, whatever was shrunk
}

void ShrinkRegion(unsigned char *data, size_t room, size_t kept)
{
    VirtualFree(data + kept, room - kept, MEM_DECOMMIT);
}

// Left as it is: MEM_RESET would serve, but Wine discards the pages at once,
// and the next image would pay for fresh memory again. The system may still
// page the region out under pressure.
void ForgetRegionContent(unsigned char *, size_t) {}

void Beep()
{
    MessageBeep(0xFFFFFFFF);
}

std::string SystemMessage(flf_system_error code)
{
    char text[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        text[--length] = '\0';
    if (length == 0)
        return "System error " + std::to_string(code) + ".";
    return text;
}

} // namespace flf_platform
