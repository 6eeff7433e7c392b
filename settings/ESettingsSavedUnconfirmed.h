#pragma once

#include <stdexcept>
#include <string>

namespace tessaport {

// Not a failed save: the new settings are in place and later reads see them, but they could not
// be confirmed to have reached the disk, so a power cut could still undo them. Callers that report
// a failed save as "nothing changed" must not report this one so.
class ESettingsSavedUnconfirmed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessaport
