#pragma once
// The run-wide flags every thread reads, and the one stop protocol of all threads.
#include <atomic>
#include <cstdint>
#include <string_view>

enum class ExitReason : std::uint32_t {
  NotYetSet = 0,
  SimWasClosed = 1,
  NewFlight = 2,
  NewSettings = 3,
  UserClosedSim = 4,
  SimConnectError = 5,
  ReaderError = 6,
  SystemError = 7,
};

struct RunState {
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> windowClosedByUser{false};
  std::atomic<bool> flightRunning{false};
  // Set by the simulator link when its once-a-second data arrived; taken by the main loop.
  std::atomic<bool> secondTick{false};
  // Read and written only under the AddingStack's mutex.
  bool acceptingTraffic = false;
  std::atomic<std::int32_t> seconds{0};
};

extern RunState runState;

// The first request of a run fixes reason and delay; later ones change nothing.
void gf_requestStop(ExitReason reason, std::int32_t delaySeconds);
// The user closed the window (also used by the worker after the add-on airport scan):
// both stop flags, and reason "USER CLOSED SIM" unless a reason is already set.
void gf_stopByUser();
// The window's close button: the user's stop, remembered apart from the worker's own use of
// the same steps, so that a restart already counting down ends the program instead.
void gf_stopByCloseButton();
bool gf_closeButtonClicked();
// The worker's handlers of unexpected errors: reason "SYSTEM ERROR" whatever was set.
void gf_setSystemErrorReason();
// Closing down after an error that waits for the user: the run has ended, so a new request
// (a new install path) may set its reason again; the reason stays until one does.
void gf_rearmStopRequests();
// The reset before a restart.
void gf_resetRunFlags();

ExitReason gf_exitReason();
std::int32_t gf_restartDelay();
bool gf_stopOrClosed();
// One arrival of per-second data gives exactly one per-second step.
bool gf_takeSecondTick();
// Closing down restarts for "NEW SETTINGS", "SIMCONNECT ERROR" and "READER ERROR".
bool gf_restartsAfter(ExitReason reason);
// The name of a reason code; an unknown code throws std::out_of_range.
std::string_view gf_exitReasonName(std::uint64_t code);
