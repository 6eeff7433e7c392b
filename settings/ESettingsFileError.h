#pragma once

#include <stdexcept>

namespace tessaport {

// A settings file to import holds something that cannot be imported: a value outside its list,
// of another type, or missing. The message names the file, the line, the key and the value.
class ESettingsFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tessaport
