#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tessaport {

// What a registry operation met that is no failure, yet a person may need to know: on Windows, a
// turn at a key taken over from one of our programs that ended during its own, which may have
// left a save part-done. Notices go to the innermost object of this class alive in the thread;
// with none, as in the window, they are dropped.
class RegistryNotices {
public:
    RegistryNotices() : outer_(std::exchange(Innermost(), this)) {}
    ~RegistryNotices() { Innermost() = outer_; }
    RegistryNotices(const RegistryNotices &) = delete;
    RegistryNotices &operator=(const RegistryNotices &) = delete;

    const std::vector<std::string> &Notices() const { return notices_; }

    static void Report(const std::string &notice) {
        if (RegistryNotices *listener = Innermost()) {
            listener->notices_.push_back(notice);
        }
    }

private:
    static RegistryNotices *&Innermost() {
        thread_local RegistryNotices *innermost = nullptr;
        return innermost;
    }

    RegistryNotices *outer_;
    std::vector<std::string> notices_;
};

} // namespace tessaport
