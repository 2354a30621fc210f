#pragma once
// The GUI thread: the main window and its message loop (built for Windows only).
#include <string>

// Registers the window class, creates the main window, makes the settings folder, starts
// the first run and runs the message loop until the program ends. Returns the quit code,
// or 0 when the window could not be made (the log says why). A problem met before the
// window existed is passed as startError and shown as the status line's error.
int gf_runGui(void* instance, const std::string& startError);
