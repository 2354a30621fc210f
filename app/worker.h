#pragma once
// The worker thread: one per run, started by the window. It checks that the program runs
// from its own folder, loads the settings and readies the controls for the run, runs until
// a stop is requested, and ends the run by asking the window to start the next one or to
// save its position and quit.
#include <atomic>

// True from the start of a worker until it has asked the window for what comes next.
extern std::atomic<bool> workerRunning;
// The current run was started by a restart.
extern std::atomic<bool> restarting;

// Starts a new worker thread (GUI thread, on the start message). The worker before it has
// already asked for this start as its last step and is joined first. Throws
// std::system_error when no thread can be started.
void gf_startWorker();
// After the message loop: waits up to the given time for the last worker to end and joins
// it; false when it is still running.
bool gf_joinWorker(int timeoutMilliseconds);

// The worker's procedure.
void gf_workerMain();
