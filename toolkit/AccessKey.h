#pragma once

#include "FormDescription.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessaport {

// The caption as both back ends mark an access key: "&" before the key's first letter in the
// caption, and "&&" for an "&" of the caption itself. Raises EToolkitError when the caption has
// no such letter. Without a key, only the caption's own "&" are doubled.
std::string WithAccessKey(std::string_view caption, char key);

// The caption a marked text shows: the inverse of WithAccessKey.
std::string WithoutAccessKey(std::string_view text);

// Raises EToolkitError when two controls of one window share an access key, whatever its case:
// the key would then reach neither of them.
void CheckAccessKeys(const std::vector<const ControlDescription *> &controls);

} // namespace tessaport
