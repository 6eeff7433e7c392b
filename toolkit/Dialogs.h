#pragma once

#include <exception>

class QString;

namespace tessaport {

// A modal box with the text and a single OK button, titled with the application's name.
// Returns once the user has dismissed it.
void ShowMessage(const QString &text);

// Shows the failure's message in a modal error box; returns once it is dismissed.
void ShowException(const std::exception &failure);

} // namespace tessaport
