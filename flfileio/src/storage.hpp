// Helpers for reading untrusted files and for writing files safely.
#ifndef FLFILEIO_STORAGE_HPP
#define FLFILEIO_STORAGE_HPP

#include "flfileio.h"

#include <functional>

// The check that raised the last stream error of a reader on this thread,
// for telling a user why a file does not open.
void NoteFailedCheck(const char *check);
const char *FailedCheck();

// Refuses (file_exception kind 3) a negative count, or one that the bytes
// left in the stream cannot hold when each item takes at least
// smallest_item_bytes. Answers the count.
int32_t CheckedCount(CAbstrFile &stream, int32_t count, int smallest_item_bytes);

// Writes a file through a temporary file beside it, which replaces the target
// only once it is complete. On any failure the target is left as it was, the
// temporary file is removed, and the error is raised.
void WriteFileSafely(const char *target, const std::function<void(CAbstrFile &)> &write);

#endif // FLFILEIO_STORAGE_HPP
