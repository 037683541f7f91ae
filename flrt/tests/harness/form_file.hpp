// The form resource files the build compiles from the tests' form sources
// (flrt/tests/forms), opened from beside the test program.
#ifndef FLRT_TEST_FORM_FILE_HPP
#define FLRT_TEST_FORM_FILE_HPP

#include <string>

#include "flfileio.h"

namespace fltest {

// The folder of the running program, with its trailing backslash.
std::string program_directory();

// A resource file beside the program, open while the object lives.
class FormFile {
public:
    // Throws std::runtime_error when the file is missing or unreadable.
    explicit FormFile(const std::string &name);
    ~FormFile();
    FormFile(const FormFile &) = delete;
    FormFile &operator=(const FormFile &) = delete;

    // The first element of the access path stored under this sign of the
    // class's form; throws std::runtime_error when the form or sign is missing.
    FLF_ITEM path(const char *class_name, int form_id, int sign) const;

private:
    std::string name_;
    FLF_BASE base_;
};

} // namespace fltest

#endif
