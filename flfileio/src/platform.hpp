// The few operating-system services the database needs: files, movable
// memory blocks and the refusal beep. Win32 on Windows, POSIX elsewhere.
#ifndef FLFILEIO_PLATFORM_HPP
#define FLFILEIO_PLATFORM_HPP

#include "flfileio.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace flf_platform {

// What saving a base without file name raises: "file not found" (2) on both
// platforms, as opening a file without name would.
constexpr flf_system_error kNoFileNameError = 2;

// Open for sequential reading (existing file) or writing (created or
// truncated); raise the system error code when the file cannot be opened.
intptr_t OpenForReading(const char *name);
intptr_t OpenForWriting(const char *name);
// Creates the file; raises the system error code when it exists.
intptr_t CreateForWriting(const char *name);
bool AlreadyExists(flf_system_error error);
void Close(intptr_t file);
// Waits until what was written is on the disk; false on failure.
bool SyncToDisk(intptr_t file);
// Raw transfers; false when the call fails (LastError tells why).
bool Read(intptr_t file, void *buffer, int32_t n, int32_t *done);
bool Write(intptr_t file, const void *buffer, int32_t n, int32_t *done);
bool SeekTo(intptr_t file, int64_t position);
int64_t Size(intptr_t file);
int32_t LastError();

// Raises the system error code for access denied when the file exists and
// is read-only (POSIX: has no write permission for anybody, or not for us).
void RefuseReadOnly(const char *name);
// Gives file the permissions of model, when model exists.
void CopyPermissions(const char *model, const char *file);
// Replaces target by source (both in one folder); false on failure.
bool MoveReplacing(const char *source, const char *target);
void RemoveFile(const char *name);

// Movable memory: Alloc answers a block (null on failure), Lock its address.
void *AllocBlock(int32_t size);
unsigned char *LockBlock(void *block);
void UnlockBlock(void *block);
void FreeBlock(void *block);

void Beep();

// Room for the bytes of a whole file. Large regions come straight from the
// system, on Linux backed by huge pages where the kernel offers them: a file
// of tens of megabytes then costs a few dozen page faults instead of tens of
// thousands, which otherwise take longer than reading the file. The region of
// the last large image freed is kept for the next one. Raises
// std::bad_alloc when there is no room.
unsigned char *AllocImage(size_t size);
void FreeImage(unsigned char *data, size_t size);

// Regions of memory straight from the system, in whole units of
// kRegionUnit bytes: mapped, given back, cut down to their first kept bytes
// (which stay where they are), and marked as holding nothing of value, so
// the system may take their pages back until they are written again.
constexpr size_t kRegionUnit = size_t(2) << 20;
unsigned char *MapRegion(size_t room);
void UnmapRegion(unsigned char *data, size_t room);
void ShrinkRegion(unsigned char *data, size_t room, size_t kept);
void ForgetRegionContent(unsigned char *data, size_t room);

// The content of a file, copied into memory. What is read from it never
// depends on the file afterwards: another program may rewrite, truncate or
// replace the file once it is closed.
class FileImage {
public:
    // Opens the file and makes room for all of it; raises like opening a file.
    // Nothing is read yet.
    explicit FileImage(const char *name);
    ~FileImage();
    FileImage(const FileImage &) = delete;
    FileImage &operator=(const FileImage &) = delete;

    // Goes on reading the whole file on a thread of its own, so that copying
    // the bytes from the system costs no time of a caller who looks at each
    // piece as it comes. Worth it for large files only; where no thread can
    // be started, LoadUpTo reads on its own as before. Once the whole file is
    // in memory, the thread goes on with then (when given); CloseFile waits
    // for it to return.
    void ReadAhead(std::function<void()> then = {});
    // Reads on (or waits for the thread reading ahead) until at least size
    // bytes are in memory or the file ends (a file that shrinks meanwhile
    // gives what it still has); answers the bytes in memory. It reads in
    // pieces small enough to stay in the processor's cache, so that a reader
    // looking at each piece as it comes finds it there instead of in main
    // memory. Raises file_exception kind 1 when the system cannot read.
    int64_t LoadUpTo(int64_t size);
    // Closes the file; the bytes in memory stay.
    void CloseFile();

    const unsigned char *Data() const { return data_.get(); }
    int64_t Size() const { return size_; }          // the bytes in memory
    int64_t FileSize() const { return file_size_; } // as the file was opened

private:
    struct Release {
        size_t room;
        void operator()(unsigned char *data) const { FreeImage(data, room); }
    };

    // The reading thread: reads pieces until the file ends, fails, or the
    // image stops wanting them.
    void ReadAll();
    void Publish(int64_t progress);
    int64_t WaitForReader(int64_t size);

    std::unique_ptr<unsigned char[], Release> data_{nullptr, Release{0}};
    int64_t size_ = 0;
    int64_t file_size_ = 0;
    intptr_t file_ = -1;
    // While a thread reads ahead: the bytes it has read, with kFinished set
    // once it read its last; then read_failed_ tells whether the system
    // could not read, and read_error_ why. It changes under progress_lock_.
    static constexpr int64_t kFinished = int64_t(1) << 62;
    std::atomic<int64_t> progress_{0};
    std::mutex progress_lock_;
    std::condition_variable progress_changed_;
    std::atomic<bool> stop_{false};
    bool read_failed_ = false;
    int32_t read_error_ = 0;
    std::function<void()> then_;
    std::thread reader_;
};

// The platform's text for a system error code.
std::string SystemMessage(flf_system_error code);

} // namespace flf_platform

#endif // FLFILEIO_PLATFORM_HPP
