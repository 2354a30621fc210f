#pragma once
// What other code asks of the main window itself. Any thread may ask; the window carries
// the request out on its own thread later (it posts each to itself), so nobody waits for it.
enum class WindowAction {
  startRun,    // start a new worker thread
  saveAndQuit, // save the window position and end the program
  topmostOn,   // stay above all other windows
  topmostOff,
};

using WindowActionHandler = void (*)(WindowAction action);

// Thread-safe; without a handler (no window) the requests are dropped.
void gf_setWindowActionHandler(WindowActionHandler handler);
void gf_requestWindowAction(WindowAction action);
