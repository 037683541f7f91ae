// Edit controls: a text, an integer and a real number shown in an "Edit"
// window. A changed text is committed when the focus leaves the control; the
// integer edit filters keystrokes by number base, and both number edits check
// a range.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Widgets.hpp"
#include "fl_constants.h"

namespace {

constexpr const char *kModule = "Edit";
constexpr int kBufferSize = 32;
constexpr const char *kDefaultRealFormat = "%.3f";

void beep()
{
    MessageBeep(0xFFFFFFFF);
}

std::string window_text(HWND window)
{
    const int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got =
        static_cast<int>(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(got < 0 ? 0 : got));
    return text;
}

// Reads at most kBufferSize - 1 characters of the window into the buffer.
void read_text(HWND window, char (&buffer)[kBufferSize])
{
    buffer[0] = '\0';
    SendMessageA(window, WM_GETTEXT, kBufferSize, reinterpret_cast<LPARAM>(buffer));
    buffer[kBufferSize - 1] = '\0';
}

// A format is used only when it takes exactly one double and nothing else:
// any other conversion would read arguments that are not there.
bool takes_one_double(const char *format)
{
    int conversions = 0;
    for (const char *p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        p += std::strspn(p, "-+ #0");
        p += std::strspn(p, "0123456789");
        if (*p == '.') {
            ++p;
            p += std::strspn(p, "0123456789");
        }
        if (*p == 'l')
            ++p;
        if (!*p || !std::strchr("eEfFgGaA", *p))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

} // namespace

// ---- Shared edit behaviour ----

class CFLRT_EditControl : public CFLRT_EditableControl {
public:
    bool Validate() override { return CFLRT_AbstractWidget::Validate(); }
    void ShowValidationError(const char *text) override;
    bool CanLoseFocus(HWND gaining_focus) override;

    bool Modified() const { return modified_; }

protected:
    CFLRT_EditControl() : CFLRT_EditableControl("Edit") {}
    // Puts the text into the window unless it shows it already (setting it anew costs a repaint).
    void ShowText(const char *text);
    // Checks the value against the range group; reports and answers false when outside.
    bool InRange(FLF_ITEM group, double value, const char *default_message);

    bool modified_ = false;

private:
    // The text last put into the window.
    std::string shown_;
};

void CFLRT_EditControl::ShowValidationError(const char *text)
{
    CFLRT_CommonControl::ShowValidationError(text);
    SendMessageA(window_, EM_SETSEL, 0, -1);
}

bool CFLRT_EditControl::CanLoseFocus(HWND gaining_focus)
{
    StoreValue();
    if (!CFLRT_EditableControl::CanLoseFocus(gaining_focus))
        return false;
    if (modified_)
        owner_form_->LoadValue(this);
    return true;
}

void CFLRT_EditControl::ShowText(const char *text)
{
    // The edit's modified flag tells whether the user typed since the text was set.
    if (shown_ == text && !SendMessageA(window_, EM_GETMODIFY, 0, 0))
        return;
    SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(window_, EM_SETMODIFY, FALSE, 0);
    shown_ = text;
}

bool CFLRT_EditControl::InRange(FLF_ITEM group, double value, const char *default_message)
{
    if (!group)
        return true;
    // Only the integer part counts; the comparison in doubles keeps values beyond 32 bits out of range.
    const double whole = std::trunc(value);
    bool valid = true;
    if (FLF_ITEM upper = AccessPath(group, {FL_upper}))
        valid = whole <= javaapi_get_int(object_, upper);
    if (valid)
        if (FLF_ITEM lower = AccessPath(group, {FL_lower}))
            valid = whole >= javaapi_get_int(object_, lower);
    if (valid)
        return true;
    const char *message = nullptr;
    if (FLF_ITEM path = AccessPath(group, {FL_message}))
        message = javaapi_get_string(object_, path);
    ReportInvalid(message && *message ? message : default_message, Bool(Prop(group, FL_beep)));
    return false;
}

// ---- Text edit ----

class CFLRT_EditStrControl : public CFLRT_Cloneable<CFLRT_EditStrControl, CFLRT_EditControl> {
public:
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    void StoreValue() override;

private:
    // The text last loaded or stored; none while the value is void.
    std::string cached_;
    bool has_cached_ = false;
};

bool CFLRT_EditStrControl::LoadValue(CFLRT_AbstractWidget *)
{
    const char *text = javaapi_get_string(object_, value_path_);
    has_cached_ = text != nullptr;
    cached_ = text ? text : "";
    ShowText(cached_.c_str());
    return has_cached_;
}

void CFLRT_EditStrControl::StoreValue()
{
    std::string text = window_text(window_);
    modified_ = text != cached_;
    if (!modified_)
        return;
    javaapi_set_string(object_, value_path_, text.c_str());
    cached_ = std::move(text);
    has_cached_ = true;
}

// ---- Integer edit ----

class CFLRT_EditIntControl : public CFLRT_Cloneable<CFLRT_EditIntControl, CFLRT_EditControl> {
public:
    bool ReadProperties() override;
    bool Create(HWND parent, int id) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    void StoreValue() override;
    bool Validate() override;

private:
    static LRESULT CALLBACK KeyFilter(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    bool Accepts(char character) const;
    // The base the text is written and read in: bases that strtol cannot use fall back to 10.
    int TextBase() const { return base_ == 0 || (base_ >= 2 && base_ <= 36) ? base_ : 10; }

    int current_ = 0;
    int base_ = 10;
    // 32 digits of base 2 and the terminator.
    char text_[kBufferSize + 1] = {};
    WNDPROC previous_filter_proc_ = nullptr;
};

bool CFLRT_EditIntControl::ReadProperties()
{
    if (!CFLRT_EditControl::ReadProperties())
        return false;
    FLF_ITEM base = Path(description_, {FL_properties, FL_integer_edit, FL_base});
    base_ = base ? Int(base) : 10;
    return true;
}

bool CFLRT_EditIntControl::Create(HWND parent, int id)
{
    if (!CFLRT_EditControl::Create(parent, id))
        return false;
    previous_filter_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CFLRT_EditIntControl::KeyFilter)));
    return true;
}

bool CFLRT_EditIntControl::Accepts(char character) const
{
    const auto between = [character](char low, char high) { return character >= low && character <= high; };
    switch (base_) {
    case 2: return between('0', '1');
    case 8: return between('0', '7');
    case 16: return between('0', '9') || between('A', 'F') || between('a', 'f');
    case 10:
        if (between('0', '9'))
            return true;
        if (character == '+' || character == '-') {
            DWORD start = 0;
            SendMessageA(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
            return GetWindowTextLengthA(window_) == 0 || start == 0;
        }
        return false;
    default: return true;
    }
}

LRESULT CALLBACK CFLRT_EditIntControl::KeyFilter(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *edit = dynamic_cast<CFLRT_EditIntControl *>(FromWindow(window));
    if (!edit)
        return DefWindowProcA(window, message, wparam, lparam);
    if (message == WM_CHAR && wparam >= 32 && !edit->Accepts(static_cast<char>(wparam))) {
        beep();
        return 0;
    }
    return CallWindowProcA(edit->previous_filter_proc_, window, message, wparam, lparam);
}

bool CFLRT_EditIntControl::LoadValue(CFLRT_AbstractWidget *)
{
    current_ = javaapi_get_int(object_, value_path_);
    const int base = TextBase();
    if (base == 0) {
        flrt_assert_msg("Zero base", kModule, __LINE__);
        return true;
    }
    const char *text = text_;
    if (base == 10) {
        std::snprintf(text_, sizeof text_, "%d", current_);
    } else {
        // Unsigned digits, most significant first, written from the end of the buffer.
        static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        char *end = text_ + sizeof text_ - 1;
        char *first = end;
        *end = '\0';
        auto rest = static_cast<unsigned long>(static_cast<unsigned int>(current_));
        do {
            *--first = kDigits[rest % static_cast<unsigned>(base)];
            rest /= static_cast<unsigned>(base);
        } while (rest);
        text = first;
    }
    ShowText(text);
    return true;
}

void CFLRT_EditIntControl::StoreValue()
{
    char buffer[kBufferSize];
    read_text(window_, buffer);
    errno = 0;
    // long has 32 bits here: a text beyond the signed range overflows.
    const long converted = std::strtol(buffer, nullptr, TextBase());
    if (errno == ERANGE) {
        errno = 0;
        beep();
        return;
    }
    modified_ = converted != current_;
    if (!modified_)
        return;
    current_ = static_cast<int>(converted);
    javaapi_set_int(object_, value_path_, current_);
}

bool CFLRT_EditIntControl::Validate()
{
    return CFLRT_EditControl::Validate() && InRange(Path(description_, {FL_properties, FL_integer_edit, FL_range}),
                                                    current_, "Integer value is out of range");
}

// ---- Real edit ----

class CFLRT_EditDoubleControl : public CFLRT_Cloneable<CFLRT_EditDoubleControl, CFLRT_EditControl> {
public:
    bool ReadProperties() override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    void StoreValue() override;
    bool Validate() override;

private:
    FLF_ITEM format_path_ = nullptr;
    std::string format_;
    char text_[kBufferSize] = {};
    double current_ = 0;
};

bool CFLRT_EditDoubleControl::ReadProperties()
{
    if (!CFLRT_EditControl::ReadProperties())
        return false;
    format_path_ = AccessPath(description_, {FL_properties, FL_real_edit, FL_format});
    const char *format = format_path_ ? javaapi_get_string(object_, format_path_) : nullptr;
    format_ = format && takes_one_double(format) ? format : kDefaultRealFormat;
    return true;
}

bool CFLRT_EditDoubleControl::LoadValue(CFLRT_AbstractWidget *)
{
    current_ = javaapi_get_double(object_, value_path_);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    // The format was checked to take exactly one double; a longer text is cut to the buffer.
    std::snprintf(text_, sizeof text_, format_.c_str(), current_);
#pragma GCC diagnostic pop
    ShowText(text_);
    return true;
}

void CFLRT_EditDoubleControl::StoreValue()
{
    read_text(window_, text_);
    // Leading characters before the number are skipped ("$ 12.5" reads as 12.5).
    const char *start = text_ + std::strcspn(text_, "0123456789+-.");
    char *end = nullptr;
    errno = 0;
    const double converted = std::strtod(start, &end);
    if (errno == ERANGE || end == start) {
        errno = 0;
        beep();
        LoadValue(nullptr);
        return;
    }
    modified_ = converted != current_;
    if (modified_) {
        current_ = converted;
        javaapi_set_double(object_, value_path_, current_);
    }
    LoadValue(nullptr);
}

bool CFLRT_EditDoubleControl::Validate()
{
    return CFLRT_EditControl::Validate() &&
           InRange(Path(description_, {FL_properties, FL_real_edit, FL_range}), current_, "Real value is out of range");
}

namespace {
flrt::RegisterWidget<CFLRT_EditIntControl> g_integer_edit(FL_kind_integer_edit);
flrt::RegisterWidget<CFLRT_EditStrControl> g_text_edit(FL_kind_text_edit);
flrt::RegisterWidget<CFLRT_EditStrControl> g_text_edit_2(FL_kind_text_edit_2);
flrt::RegisterWidget<CFLRT_EditDoubleControl> g_real_edit(FL_kind_real_edit);
flrt::RegisterWidget<CFLRT_EditDoubleControl> g_real_edit_2(FL_kind_real_edit_2);
} // namespace
