// The local server of the piece model: the same model class as
// tangram_model.dll, served to other processes.
//
//   tangram_model_server /RegServer     register as the class's LocalServer32
//   tangram_model_server /UnregServer   remove that registration
//   tangram_model_server -Embedding     serve (COM starts it so)
//
// Switches may start with '/' or '-' and are not case sensitive. The server
// registers its class factory at start and ends when the last model and
// server lock are released, or when nobody asks for a model for a while.
#include "com_object.hpp"
#include "model.hpp"

#include <shellapi.h>
#include <cwchar>

namespace tangram {
namespace {

// How long a server without objects waits for its first or next client.
constexpr UINT idle_limit_ms = 30000;

enum class Command { serve, register_server, unregister_server, unknown };

Command command_from(const wchar_t *argument)
{
    if (argument[0] != L'/' && argument[0] != L'-')
        return Command::unknown;
    const wchar_t *name = argument + 1;
    if (_wcsicmp(name, L"RegServer") == 0)
        return Command::register_server;
    if (_wcsicmp(name, L"UnregServer") == 0)
        return Command::unregister_server;
    if (_wcsicmp(name, L"Embedding") == 0 || _wcsicmp(name, L"Automation") == 0)
        return Command::serve;
    return Command::unknown;
}

Command command_line_command()
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return Command::unknown;
    const Command command = count < 2 ? Command::serve : command_from(arguments[1]);
    LocalFree(arguments);
    return count > 2 ? Command::unknown : command;
}

// The class factory as registered with COM, for as long as this object lives.
class RegisteredClass {
public:
    RegisteredClass(const CLSID &clsid, IUnknown *factory)
        : hr_(CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_))
    {}
    RegisteredClass(const RegisteredClass &) = delete;
    RegisteredClass &operator=(const RegisteredClass &) = delete;
    ~RegisteredClass()
    {
        if (SUCCEEDED(hr_))
            CoRevokeClassObject(cookie_);
    }
    HRESULT result() const { return hr_; }

private:
    DWORD cookie_ = 0;
    HRESULT hr_;
};

DWORD server_thread = 0;

void end_serving()
{
    PostThreadMessageW(server_thread, WM_QUIT, 0, 0);
}

// Runs the apartment's messages, which carry the clients' calls, until the
// last object goes or the server stayed unused for the idle limit.
void run_until_unused()
{
    const UINT_PTR idle_timer = SetTimer(nullptr, 0, idle_limit_ms, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && !message.hwnd && message.wParam == idle_timer && module_locks() == 0)
            break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, idle_timer);
}

int serve()
{
    static FactoryOf<create_served_model, Permanent<IClassFactory>> factory;
    server_thread = GetCurrentThreadId();
    on_module_unused(&end_serving);
    RegisteredClass registered(CLSID_TangramModel, &factory);
    if (FAILED(registered.result()))
        return 1;
    run_until_unused();
    return 0;
}

int run(Command command)
{
    ApartmentScope apartment;
    if (FAILED(apartment.result()))
        return 1;
    switch (command) {
    case Command::register_server:
        return FAILED(register_classes(this_module(), {&model_registration, 1}, ServerKind::local));
    case Command::unregister_server: return FAILED(unregister_classes({&model_registration, 1}, ServerKind::local));
    default: return serve();
    }
}

} // namespace
} // namespace tangram

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using namespace tangram;
    const Command command = command_line_command();
    if (command == Command::unknown)
        return 2;
    return run(command);
}
