// The owner of an open registry key, for the components and the application
// alike: the key is closed when the owner goes.
#pragma once
#include <windows.h>
#include <string>

namespace com {

class RegistryKey {
public:
    RegistryKey() = default;
    // Opens parent\name for reading; holds no key when that fails.
    RegistryKey(HKEY parent, const char *name)
    {
        if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    ~RegistryKey() { close(); }

    // For a function that opens or creates a key into the owner.
    HKEY *put()
    {
        close();
        return &key_;
    }
    HKEY get() const { return key_; }

    // The default value when it is a text that is not empty.
    bool default_text(std::string &value) const
    {
        char text[1024] = {};
        DWORD type = 0;
        DWORD size = sizeof text - 1;
        if (!key_ ||
            RegQueryValueExA(key_, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) != ERROR_SUCCESS)
            return false;
        if ((type != REG_SZ && type != REG_EXPAND_SZ) || !text[0])
            return false;
        value = text;
        return true;
    }

private:
    void close()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }

    HKEY key_ = nullptr;
};

} // namespace com
