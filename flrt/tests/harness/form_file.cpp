#include "form_file.hpp"

#include <windows.h>

#include <stdexcept>

#include "fl_constants.h"

namespace fltest {

std::string program_directory()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string text(path);
    return text.substr(0, text.rfind('\\') + 1);
}

FormFile::FormFile(const std::string &name) : name_(name), base_(flf_open_base((program_directory() + name).c_str()))
{
    if (!base_)
        throw std::runtime_error("cannot open the compiled form file " + name);
}

FormFile::~FormFile()
{
    flf_close_base(base_);
}

FLF_ITEM FormFile::path(const char *class_name, int form_id, int sign) const
{
    const FLF_ITEM form = flf_get_form(base_, class_name, form_id);
    const FLF_ITEM holder = form ? flf_get_prop(form, sign) : nullptr;
    const FLF_ITEM first = holder ? flf_get_prop(holder, FL_path) : nullptr;
    if (!first)
        throw std::runtime_error(name_ + ": no path under sign " + std::to_string(sign) + " of form " + class_name +
                                 " " + std::to_string(form_id));
    return first;
}

} // namespace fltest
