#pragma once

#include "FileDescriptor.h"

#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tessaport {

// A new file in the hive's folder that becomes the hive by rename, or is removed again. Made and
// renamed by name in the folder held open (`folder`, which must outlive it), never by a path
// looked up again.
class TempFile {
public:
    // Names start with this prefix; what is left of them after a crash is found by it.
    static std::string PrefixFor(const std::string &finalName);
    // The length of the names made for `finalName`.
    static std::size_t NameLength(const std::string &finalName);

    // `finalPath` is `finalName` in `folder`, for messages.
    TempFile(int folder, const std::string &finalName, const std::string &finalPath);
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    int Descriptor() const { return fd_.Get(); }

    void Write(std::string_view bytes) { Write(std::span(&bytes, 1)); }
    // The pieces one after another, in as few calls as the system allows.
    void Write(std::span<const std::string_view> pieces);
    void SetMode(mode_t mode);
    void SetGroup(gid_t group);
    // Syncs, closes and renames over the final name; any failure leaves the final name alone.
    void Commit();

private:
    int folder_;
    std::string finalName_;
    std::string finalPath_;
    std::string name_;
    std::string path_; // name_ beside finalPath_, for messages
    FileDescriptor fd_;
    bool committed_ = false;
};

} // namespace tessaport
