#pragma once

#include <memory>
#include <string>

namespace tessaport {

// What every control has: a name, and an enabled state. Each back end defines Impl, the native
// control behind it; the control belongs to its window.
class TControl {
public:
    struct Impl;

    explicit TControl(std::unique_ptr<Impl> impl);
    virtual ~TControl();
    TControl(const TControl &) = delete;
    TControl &operator=(const TControl &) = delete;

    std::string Name() const;
    bool Enabled() const;
    // A disabled control shows its state but takes no input or focus.
    void SetEnabled(bool enabled);

    Impl &Native() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tessaport
