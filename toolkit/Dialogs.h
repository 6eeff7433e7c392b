#pragma once

#include <exception>
#include <string_view>

namespace tessaport {

// A modal box with the text and a single OK button, captioned with the application's title.
// Returns once the user has dismissed it.
void ShowMessage(std::string_view text);

// Shows the failure's message in a modal error box; returns once it is dismissed.
void ShowException(const std::exception &failure);

} // namespace tessaport
