#pragma once

// A person at the window, on whichever back end the tests are built for: picks and clicks go
// through the native controls' own input handling, so that a disabled control ignores them and
// the change events come the way they come for a user.

#include "TButton.h"
#include "TCheckBox.h"
#include "TComboBox.h"
#include "TControl.h"
#include "TForm.h"

#include <functional>
#include <optional>
#include <string>

namespace tessaport::testing {

// What a modal message box showed before it was dismissed with OK.
struct ShownMessage {
    std::string title;
    std::string text;
    int buttonCount = 0;
    bool hasOk = false;
    bool isError = false;
};

// Runs the action. A modal message box it opens is read and dismissed from inside the box's own
// message loop; without one the result is empty.
std::optional<ShownMessage> AnswerMessage(const std::function<void()> &action);

// Picks an entry with the keyboard: Home, then Down to the position. Each key is a pick of
// its own, so OnChange comes once for each that moves the selection.
void PickEntry(TComboBox &list, int position);
// Moves one entry down or up with the arrow keys.
void PressDown(TComboBox &list);
void PressUp(TComboBox &list);

void Click(TCheckBox &box);
void Click(TButton &button);

inline std::optional<ShownMessage> ClickAndAnswer(TButton &button) {
    return AnswerMessage([&button] { Click(button); });
}

// The name a screen reader announces for the control, and the access key it declares for it
// ("Alt+N"), from the control's own caption or from the label that names it.
std::string AccessibleName(const TControl &control);
std::string AccessKey(const TControl &control);

// What an assistive tool's Toggle action does to a check box.
void ToggleByAssistiveTool(TCheckBox &box);

// Alt with the key, pressed in the window; and Alt alone held down or let go.
void PressAccessKey(TForm &form, char key);
void HoldAlt(TForm &form, bool held);
// Whether the caption's access key is underlined now, and whether the system's settings want
// them underlined at all times (Windows: "Underline access keys").
bool AccessKeyShown(const TControl &control);
bool AccessKeysAlwaysShown();
// The name of the control that has the keyboard focus, or empty.
std::string FocusedControl();

// Handles the events waiting in the queue.
void ProcessEvents();

} // namespace tessaport::testing
