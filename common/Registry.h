#pragma once
// Registry access with the semantics the installer relies on: a root key, one current key, key paths
// relative to the current key or, with a leading backslash, to the root.

#include "common/Handles.h"

#include <string>

namespace zarvo {

class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) noexcept : access_(access) {}
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const noexcept { return root_; }
    // Changing the root closes the current key.
    void SetRootKey(HKEY root) noexcept;

    // Opens a key (creating it, and missing parents, when canCreate), which becomes the current key.
    // "\A\B" is taken from the root; "A\B" from the current key when one is open, else from the root.
    // Both leave the system's status as the last error when they fail.
    bool OpenKey(const std::wstring& key, bool canCreate);
    // Opens an existing key with read access only.
    bool OpenKeyReadOnly(const std::wstring& key);
    void CloseKey() noexcept;
    bool HasCurrentKey() const noexcept { return current_.Valid(); }
    HKEY CurrentKey() const noexcept { return current_.Get(); }

    bool KeyExists(const std::wstring& key) const;
    bool ValueExists(const std::wstring& name) const;

    // A REG_SZ or REG_EXPAND_SZ value as stored (not expanded); an absent value is the empty string.
    // Any other type raises TextWrongValueType with the value's name.
    std::wstring ReadString(const std::wstring& name) const;
    // A REG_DWORD value, true when non-zero. An absent value or any other type raises.
    bool ReadBool(const std::wstring& name) const;
    // REG_SZ. Raises when the value cannot be written.
    void WriteString(const std::wstring& name, const std::wstring& value);
    // REG_DWORD 0 or 1. Raises when the value cannot be written.
    void WriteBool(const std::wstring& name, bool value);
    // REG_DWORD. Raises when the value cannot be written.
    void WriteInteger(const std::wstring& name, DWORD value);

    // Deletes a key with all its subkeys and values. The key is addressed as in OpenKey.
    bool DeleteKey(const std::wstring& key);

private:
    // The parent to address a key path from, and the path with a leading backslash removed.
    HKEY BaseFor(const std::wstring& key, std::wstring& relative) const;
    HKEY RequireCurrent(const std::wstring& name) const;

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM access_;
    TRegKey current_;
};

} // namespace zarvo
