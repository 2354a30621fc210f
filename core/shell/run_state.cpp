#include "core/shell/run_state.h"

#include <mutex>
#include <stdexcept>
#include <unordered_map>

RunState runState;

namespace {

// Keeps reason and delay of one request together; flags are set under it so a reader
// that sees a stop flag and then asks for the reason gets the request's reason.
std::mutex stopMutex;
ExitReason exitReason = ExitReason::NotYetSet;
std::int32_t restartDelay = 0;
std::atomic<bool> closeButtonClicked{false};

} // namespace

void gf_requestStop(ExitReason reason, std::int32_t delaySeconds) {
  std::lock_guard lock(stopMutex);
  bool expected = false;
  if (!runState.stopRequested.compare_exchange_strong(expected, true)) return;
  exitReason = reason;
  restartDelay = delaySeconds;
}

void gf_stopByUser() {
  std::lock_guard lock(stopMutex);
  runState.windowClosedByUser.exchange(true);
  runState.stopRequested.exchange(true);
  if (exitReason == ExitReason::NotYetSet) exitReason = ExitReason::UserClosedSim;
}

void gf_stopByCloseButton() {
  closeButtonClicked.exchange(true);
  gf_stopByUser();
}

bool gf_closeButtonClicked() { return closeButtonClicked.load(); }

void gf_setSystemErrorReason() {
  std::lock_guard lock(stopMutex);
  exitReason = ExitReason::SystemError;
}

void gf_rearmStopRequests() {
  std::lock_guard lock(stopMutex);
  runState.stopRequested.exchange(false);
}

void gf_resetRunFlags() {
  std::lock_guard lock(stopMutex);
  runState.windowClosedByUser.exchange(false);
  closeButtonClicked.exchange(false);
  runState.stopRequested.exchange(false);
  runState.secondTick.exchange(false);
  runState.flightRunning.exchange(false);
  exitReason = ExitReason::NotYetSet;
  runState.seconds = 0;
}

ExitReason gf_exitReason() {
  std::lock_guard lock(stopMutex);
  return exitReason;
}

std::int32_t gf_restartDelay() {
  std::lock_guard lock(stopMutex);
  return restartDelay;
}

bool gf_stopOrClosed() { return runState.stopRequested.load() || runState.windowClosedByUser.load(); }

bool gf_takeSecondTick() {
  bool expected = true;
  return runState.secondTick.compare_exchange_strong(expected, false);
}

bool gf_restartsAfter(ExitReason reason) {
  const auto code = static_cast<std::uint32_t>(reason);
  return code - 3u <= 3u && reason != ExitReason::UserClosedSim;
}

std::string_view gf_exitReasonName(std::uint64_t code) {
  static const std::unordered_map<std::uint64_t, std::string_view> names{
      {0, "NOT YET SET"},     {1, "SIM WAS CLOSED"},   {2, "NEW FLIGHT"},   {3, "NEW SETTINGS"},
      {4, "USER CLOSED SIM"}, {5, "SIMCONNECT ERROR"}, {6, "READER ERROR"}, {7, "SYSTEM ERROR"}};
  const auto found = names.find(code);
  if (found == names.end()) throw std::out_of_range("invalid unordered_map<K, T> key");
  return found->second;
}
