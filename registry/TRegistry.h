#pragma once

#include "RegistryTypes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessaport {

// One open key at a time in one of the predefined roots, in the manner of the classic registry
// class: construct with an access mask, choose the root, open a key by its path relative to the
// root, read and write 32-bit integers. Destruction closes the key.
//
// On Windows this is the system registry, and each write is made at once; our programs take
// turns at a key from OpenKey to CloseKey. Elsewhere it is a file hive (see FileHive.h): the
// writes to a key, and the key's creation by OpenKey, are held and made together, in one
// replacement of the file, when the key is closed (CloseKey, or opening another key or root); a
// failure there raises and changes nothing, except ERegistryUnconfirmedWrite: the writes were
// made but not confirmed on disk. What is still held when the object is destroyed is dropped,
// so a caller that writes or creates must close the key.
// Failures of reads and writes raise ERegistryError.
class TRegistry {
public:
    explicit TRegistry(RegAccess access = kKeyAllAccess);
    ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    RegRootKey RootKey() const;
    // Changing the root closes any open key.
    void RootKey(RegRootKey root);

    // Opens `key` (relative to the root, components separated by single backslashes). Returns
    // false, creating nothing, when the key does not exist and `canCreate` is false, when it
    // cannot be opened with the requested access, or when the path is not a valid key path.
    // With `canCreate` a missing key is created together with its missing parents.
    // Raises ERegistryError only when the registry itself is damaged or unreadable, or on Windows
    // when another of our programs keeps its turn at the key (see WinKeyTurn.h) too long.
    bool OpenKey(const std::string &key, bool canCreate);
    // Why the last OpenKey returned false, naming the file or key; empty after a success.
    const std::string &OpenFailure() const;
    // Makes the held writes and creation (file hive); raises ERegistryError when they cannot
    // be made, and the key is closed either way.
    void CloseKey();
    bool HasCurrentKey() const;
    const std::string &CurrentPath() const;

    // Whether `key` exists under the root, whatever this object's access; opens nothing. Raises
    // ERegistryError when that cannot be told: the registry is damaged, or this user may not
    // look.
    bool KeyExists(const std::string &key);
    // Whether the open key holds a value of that name, of any type. Raises ERegistryError when
    // no key is open or the value cannot be looked up.
    bool ValueExists(const std::string &name);

    // Deletes `key` (relative to the root) and its values, closing any open key first: false
    // when it does not exist. Needs write access, as a write does. Raises ERegistryError when it
    // cannot be deleted: no rights, a damaged registry, or subkeys, which are never deleted.
    bool DeleteKey(const std::string &key);

    // Raise when no key is open, the value is missing or it is not a 32-bit DWORD.
    std::int32_t ReadInteger(const std::string &name);
    void WriteInteger(const std::string &name, std::int32_t value);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tessaport
