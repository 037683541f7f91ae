// Helpers shared by the flfileio fuzz targets: a private scratch folder for the
// files a target writes, whole-file reads and writes, and checks over the item
// tree and the form index of a base.
#ifndef FLF_FUZZ_SUPPORT_HPP
#define FLF_FUZZ_SUPPORT_HPP

#include "flfileio.h"
#include "scratch_dir.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<uint8_t>;

using fltest::ScratchDir;

// A folder of this process for the files a target writes, removed at exit.
// It is made under $FLF_FUZZ_TMP when set, else under /dev/shm (memory, no
// disk traffic), else under the system's temporary folder.
const ScratchDir &scratch();

void write_file(const std::string &name, const uint8_t *data, size_t size);
Bytes read_file(const std::string &name);

// Reports a broken invariant and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void fail(const char *what);

// Walks every item below (and including) item: checks that each child names
// its compound as parent and is found at its own position, and asks every
// value item for its text. Answers whether a sorted compound holds two
// children with one sign (reading such a compound back reverses their order).
bool check_tree(FLF_ITEM item);

// Walks the whole base: the form index (with a form look-up per entry) and the
// item tree. Answers whether it holds equal keys anywhere: two classes of one
// name, two entries of one id in a class, or equal signs in a sorted compound.
bool check_base(FLF_BASE base);

} // namespace fuzz

#endif // FLF_FUZZ_SUPPORT_HPP
