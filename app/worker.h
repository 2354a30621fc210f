#pragma once
// The worker thread: one per run, started by the window. It checks the installation and
// the settings, runs the scans, runs (run.h) and closes the run down (closing_down.h), and
// then asks the window to start the next run or to save its position and quit.
#include <atomic>

// True from the start of a worker until it has asked the window for what comes next.
extern std::atomic<bool> workerRunning;
// The current run was started by a restart.
extern std::atomic<bool> restarting;
// The reference data is read once per process, by the first run that gets that far.
extern std::atomic<bool> referenceDataRead;

// Starts a new worker thread (GUI thread, on the start message). The worker before it has
// already asked for this start as its last step and is joined first. Throws
// std::system_error when no thread can be started.
void gf_startWorker();
// After the message loop: waits up to the given time for the last worker to end and joins
// it; false when it is still running.
bool gf_joinWorker(int timeoutMilliseconds);

// The worker's procedure.
void gf_workerMain();
