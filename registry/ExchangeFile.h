#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaport {

// Files that carry settings from one machine to another (.reg files to import and export), read
// and written by the rules the registry keeps for its own file. Names are UTF-8; on Windows they
// reach the system as UTF-16, so a name outside the ANSI code page is that file or a failure.
// Failures raise ERegistryError naming the file.
class ExchangeFile {
public:
    // The name that asks for standard input.
    static constexpr std::string_view kStandardInput = "-";

    // The file's bytes, or standard input's for kStandardInput. Only a regular file is read: a
    // FIFO, a device or a folder could block or never end. Reads no more than `limit` + 1 bytes
    // and raises EFileTooLarge when there are more than `limit`.
    static std::string Read(const std::string &path, std::size_t limit);

    // Puts `bytes` in place at `path`: written to a new file beside it, flushed and renamed over
    // it, so that an old file stays whole when writing fails. On POSIX the path is resolved as the
    // registry's file is (a symbolic link only when root, its folder's owner or this user made
    // it); what is there must be a regular file with no other hard links, that this user may
    // write, and neither the registry's file nor its lock file. The new file keeps the old one's
    // rights, or gets the usual mode for a new file.
    static void Write(const std::string &path, std::string_view bytes);
};

} // namespace tessaport
