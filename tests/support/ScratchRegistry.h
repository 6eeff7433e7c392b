#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tessaport::testing {

// A registry for one test, emptied of the Tessaport settings when created and when destroyed.
// Keys are paths relative to HKEY_LOCAL_MACHINE; an empty value name is the key's default value.
// Off Windows it is a temporary hive file that TESSAPORT_REGISTRY points to; on Windows it is the
// system registry.
class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry &) = delete;
    ScratchRegistry &operator=(const ScratchRegistry &) = delete;

    void CreateKey(const std::string &key);
    void SetDword(const std::string &key, const std::string &name, std::uint32_t value);
    void SetString(const std::string &key, const std::string &name, const std::string &value);
    // A REG_BINARY value of the given bytes.
    void SetBinary(const std::string &key, const std::string &name, const std::string &bytes);
    // A REG_DWORD value holding exactly these bytes, however many (hex(4): in a .reg file).
    void SetDwordBytes(const std::string &key, const std::string &name, const std::string &bytes);

    bool KeyExists(const std::string &key) const;
    // The value when it exists and is a DWORD.
    std::optional<std::uint32_t> Dword(const std::string &key, const std::string &name) const;
    std::optional<std::string> String(const std::string &key, const std::string &name) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tessaport::testing
