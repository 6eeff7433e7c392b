#pragma once

#include "FileDescriptor.h"

#include <string>

namespace tessaport {

// The folder part of `path` as written, "." when it has none; for messages.
std::string ParentFolder(const std::string &path);
// The held folder opened for reading, as fsync and listing need; no name is looked up again.
FileDescriptor OpenForReading(int folder);
// Makes the folder's entries durable: a file's own sync does not cover its new name. Raises
// ERegistryError, naming the folder as `shown`.
void SyncFolder(int folder, const std::string &shown);

} // namespace tessaport
