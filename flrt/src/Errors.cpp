// Assertion and fatal error boxes.
#include "runtime.hpp"
#include "cflrt_res.h"
#include "text.hpp"

namespace flrt {
namespace {

constexpr UINT kAssertionFlags = MB_YESNO | MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND;
constexpr UINT kFatalFlags = MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND;
constexpr const char *kTerminateQuestion = "\n\n\nTerminate application (recommended) ?";

const char *assertion_caption()
{
    static CachedString caption(FLRT_STR_ASSERT_CAPTION, "FL Run-Time Assertion failed");
    return caption.get();
}

void ask_terminate(const std::string &text)
{
    if (show_box(nullptr, text.c_str(), assertion_caption(), kAssertionFlags) == IDYES)
        ExitProcess(static_cast<UINT>(-1));
}

[[noreturn]] void fatal_box(const std::string &text)
{
    show_box(nullptr, text.c_str(), "Formloom reported Error", kFatalFlags);
    ExitProcess(static_cast<UINT>(-1));
}

} // namespace

void report_unhandled(const std::string &text)
{
    const char *caption = "Unhandled exception";
    if (!table_is_emulated()) {
        show_box(nullptr, text.c_str(), caption, MB_OK | MB_ICONHAND | MB_TASKMODAL);
        return;
    }
    const std::string question = text + "\n\nDo you want to see xcp file?";
    if (show_box(nullptr, question.c_str(), caption, MB_YESNO | MB_ICONHAND | MB_TASKMODAL) == IDYES)
        flrt_show_xcp_viewer();
}

const char *CachedString::get()
{
    if (!loaded_) {
        loaded_ = true;
        if (LoadStringA(module_instance(), id_, text_, sizeof text_) <= 0)
            copy_cut(text_, sizeof text_, fallback_);
    }
    return text_;
}

QuitMessageKeeper::QuitMessageKeeper()
{
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        had_quit_ = true;
        exit_code_ = static_cast<int>(message.wParam);
    }
}

QuitMessageKeeper::~QuitMessageKeeper()
{
    if (had_quit_)
        PostQuitMessage(exit_code_);
}

int show_box(HWND owner, const char *text, const char *caption, UINT flags)
{
    QuitMessageKeeper keeper;
    return MessageBoxA(owner, text, caption, flags);
}

} // namespace flrt

using flrt::format;

extern "C" {

FLRT_API void FLRT_CALL flrt_assert(const char *module, int line)
{
    flrt::ask_terminate(
        format("%s: File %s, Line %d%s", flrt::assertion_caption(), module, line, flrt::kTerminateQuestion));
}

FLRT_API void FLRT_CALL flrt_assert_msg(const char *message, const char *module, int line)
{
    flrt::ask_terminate(format("%s \n\n(File %s, Line %d)%s", message, module, line, flrt::kTerminateQuestion));
}

FLRT_API void FLRT_CALL flrt_assert_name(const char *message, const char *name, const char *module, int line)
{
    flrt::ask_terminate(
        format("%s \"%s\"\n\n(File %s, Line %d)%s", message, name ? name : "", module, line, flrt::kTerminateQuestion));
}

FLRT_API void FLRT_CALL flrt_fatal(const char *text)
{
    flrt::fatal_box(text);
}

FLRT_API void FLRT_CALL flrt_fatal_detail(const char *text, const char *detail)
{
    flrt::fatal_box(format("%s (%s)", text, detail ? detail : ""));
}

} // extern "C"
