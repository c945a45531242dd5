// The History window: the launch history, newest first, in a list view with
// a column per field. One window serves every opening; it reloads when a
// launch is recorded while it is open.
#pragma once

namespace marrowby {

// Opens the window, or brings it to the front and reloads it.
void ShowHistoryWindow();
// Reloads the window if it is open.
void RefreshHistoryWindow();
// Closes the window if it is open (the program is ending).
void CloseHistoryWindow();

}  // namespace marrowby
