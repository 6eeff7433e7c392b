#pragma once

#include "FileDescriptor.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace tessaport {

// A new file in the hive's folder that becomes the hive by rename, or is removed again.
class TempFile {
public:
    // Names start with this prefix; what is left of them after a crash is found by it.
    static std::string PrefixFor(const std::string &finalPath);

    explicit TempFile(const std::string &finalPath);
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    const std::string &Path() const { return path_; }
    int Descriptor() const { return fd_.Get(); }

    void Write(std::string_view bytes);
    void SetMode(mode_t mode);
    // Syncs, closes and renames over `finalPath`; any failure leaves the final path alone.
    void Commit();

private:
    std::string finalPath_;
    std::string path_;
    FileDescriptor fd_;
    bool committed_ = false;
};

} // namespace tessaport
