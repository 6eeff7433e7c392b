#pragma once

#include "FileDescriptor.h"
#include "HiveState.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace tessaport {

// The hive's path resolved once, a component at a time from the root (or the working folder),
// each folder held open as it is reached, so that what was checked is what is used: the file is
// then only ever opened, created or replaced by its name in `folder`. A symbolic link met on the
// way, at a folder's place or at the file's, is followed only when root, the owner of the folder
// holding it or this user made it: anyone else who may write that folder could have planted it.
// A dangling link at the file's place, or a loop, is an error.
struct HivePath {
    static HivePath Resolve(const std::string &configured);

    // The folder reached (O_PATH): the file's own, or when folders are missing the deepest one
    // that exists.
    FileDescriptor folder;
    // Folders below `folder` that do not exist yet, outermost first.
    std::vector<std::string> missingFolders;
    // Missing because something other than a folder has the first missing folder's name.
    bool blocked = false;
    std::string name; // the file's name in its folder
    std::string path; // the file as reached, links resolved, for messages
    HiveState state = HiveState::Missing;
    struct stat info {}; // the file's, when present (not followed)
};

} // namespace tessaport
