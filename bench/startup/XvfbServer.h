#pragma once

#include <string>
#include <sys/types.h>

// A private X server for the length of a scope, on a display number it picks itself.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // ":N"
    const std::string &Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};
