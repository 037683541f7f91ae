#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cflrt.h"
#include "zo/displayable.hpp"

namespace zo {
namespace {

constexpr int kOpenFlags = 0x1814; // file and path must exist, help button, no read-only box
constexpr int kSaveFlags = 0x16;   // help button, no read-only box, ask before overwriting
constexpr UINT kBoxStyle = MB_TASKMODAL | MB_SETFOREGROUND;

// A text argument as the runtime takes it: null for void.
class Text {
public:
    explicit Text(const String *string) : text_(string ? string->text() : std::string_view()), void_(!string) {}
    explicit Text(std::string text) : text_(std::move(text)), void_(false) {}
    const char *c_str() const { return void_ ? nullptr : text_.c_str(); }

private:
    std::string text_;
    bool void_;
};

// A filter in writable storage, closed by two zeros whatever it holds:
// written with bars or as a list of zero-terminated texts, the runtime takes either.
std::vector<char> filter_buffer(const std::string &filter)
{
    std::vector<char> buffer(filter.begin(), filter.end());
    buffer.push_back('\0');
    buffer.push_back('\0');
    return buffer;
}

String *chosen(const char *path)
{
    return path ? make_string(path) : nullptr;
}

String *open_dialog(const std::string &filter, const Text &title, const Text &extension)
{
    std::vector<char> buffer = filter_buffer(filter);
    return chosen(flrt_get_open_fname(buffer.data(), title.c_str(), extension.c_str(), kOpenFlags));
}

String *save_dialog(const std::string &filter, const Text &title, const Text &initial, const Text &extension)
{
    std::vector<char> buffer = filter_buffer(filter);
    return chosen(flrt_get_save_fname(buffer.data(), title.c_str(), initial.c_str(), extension.c_str(), kSaveFlags));
}

// The string at an index as the application numbers the array.
const String *string_at(const Array *array, std::int32_t index)
{
    const Object *element = array ? array->reference(static_cast<std::size_t>(index - array->lower)) : nullptr;
    return element && element->class_info().conforms_to(String::zo_class()) ? static_cast<const String *>(element)
                                                                            : nullptr;
}

int box(const String *caption, const String *text, UINT style)
{
    return MessageBoxA(nullptr, Text(text).c_str(), Text(caption).c_str(), style | kBoxStyle);
}

} // namespace

ZO_CLASS(WINDOWS_SYSTEM, "WINDOWS_SYSTEM", c)
{
    ZO_ROUTINES(c, get_open_file_name, get_save_file_name, open_select_file, save_select_file, message_info,
                message_warning, message_error, message_question, message_beep);
}

std::string WINDOWS_SYSTEM::filter_text(Array *descriptions, Array *patterns)
{
    std::string filter;
    const std::size_t count = descriptions && patterns ? std::min(descriptions->length(), patterns->length()) : 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t index = static_cast<std::int32_t>(i);
        for (const String *part :
             {string_at(descriptions, descriptions->lower + index), string_at(patterns, patterns->lower + index)}) {
            if (part)
                filter += part->text();
            filter += '\0';
        }
    }
    filter += '\0';
    return filter;
}

String *WINDOWS_SYSTEM::get_open_file_name(String *filter, String *title, String *default_extension)
{
    return open_dialog(filter ? std::string(filter->text()) : std::string(), Text(title), Text(default_extension));
}

String *WINDOWS_SYSTEM::get_save_file_name(String *filter, String *title, String *initial_file,
                                           String *default_extension)
{
    return save_dialog(filter ? std::string(filter->text()) : std::string(), Text(title), Text(initial_file),
                       Text(default_extension));
}

String *WINDOWS_SYSTEM::open_select_file(String *title, std::int32_t index, Array *descriptions, Array *patterns)
{
    return open_dialog(filter_text(descriptions, patterns), Text(title), Text(string_at(patterns, index)));
}

String *WINDOWS_SYSTEM::save_select_file(String *title, String *initial_file, std::int32_t index, Array *descriptions,
                                         Array *patterns)
{
    return save_dialog(filter_text(descriptions, patterns), Text(title), Text(initial_file),
                       Text(string_at(patterns, index)));
}

void WINDOWS_SYSTEM::message_info(String *caption, String *text)
{
    box(caption, text, MB_ICONINFORMATION);
}

void WINDOWS_SYSTEM::message_warning(String *caption, String *text)
{
    box(caption, text, MB_ICONWARNING);
}

void WINDOWS_SYSTEM::message_error(String *caption, String *text)
{
    box(caption, text, MB_ICONERROR);
}

bool WINDOWS_SYSTEM::message_question(String *caption, String *text)
{
    const int answer = box(caption, text, MB_ICONQUESTION | MB_YESNO);
    return answer == IDOK || answer == IDYES || answer == IDRETRY;
}

void WINDOWS_SYSTEM::message_beep()
{
    MessageBeep(0);
}

} // namespace zo
