#pragma once

#include <utility>
#include <windows.h>

namespace tessaport {

// Owns one open registry key and closes it exactly once.
class WinKeyHandle {
public:
    WinKeyHandle() = default;
    explicit WinKeyHandle(HKEY key) : key_(key) {}
    ~WinKeyHandle() { Reset(); }
    WinKeyHandle(const WinKeyHandle &) = delete;
    WinKeyHandle &operator=(const WinKeyHandle &) = delete;
    WinKeyHandle(WinKeyHandle &&other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    WinKeyHandle &operator=(WinKeyHandle &&other) noexcept {
        if (this != &other) {
            Reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }

    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    void Reset() {
        if (key_ != nullptr) {
            ::RegCloseKey(std::exchange(key_, nullptr));
        }
    }

    // For the out-parameter of RegOpenKeyExW and RegCreateKeyExW.
    HKEY *Receive() {
        Reset();
        return &key_;
    }

private:
    HKEY key_ = nullptr;
};

} // namespace tessaport
