#pragma once

#include <windows.h>

// An open registry key, closed once.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens `subKey` of `root` for reading; false when it does not open.
    bool OpenForReading(HKEY root, const char* subKey) {
        return RegOpenKeyExA(root, subKey, 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
