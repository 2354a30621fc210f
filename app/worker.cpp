#include "app/worker.h"

#include "core/shell/control_refresh.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "app/run_controls.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "app/window_actions.h"
#include "core/errors.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/settings/settings_version.h"
#include "core/text.h"
#include "core/version.h"
#include "feeds/realtraffic_link.h"

#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <new>
#include <optional>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::atomic<bool> workerRunning{false};
std::atomic<bool> restarting{false};

namespace {

// GUI thread only.
std::thread workerThread;

void lf_checkProgramFolder() {
  std::error_code error;
  const auto status = fs::status(docsFolder, error);
  if (error && status.type() != fs::file_type::not_found && status.type() != fs::file_type::unknown)
    throw fs::filesystem_error("status", docsFolder, error);
  if (status.type() != fs::file_type::directory)
    throw hvm::UserErrorException(41, fmt::format("{} must be run from the {} folder!", programName, programName));
}

void lf_startupChecks() {
  gf_loadParameters();
  gf_requestRepaint(topBandRect);
  userMaxLive.store(MAX_LIVE_SEL.get());
  gf_enableControlsForRun();
  ALL_INSTALL_PATH.set(SIM_INSTALL_PATH.get());
  gf_enableControl(ALL_INSTALL_PATH.controlId, true);
  gf_refreshStringControl(ALL_INSTALL_PATH);
  gf_requestRepaint(settingsBandRect);
  savedManualRange.store(RANGE.get());
}

void lf_run() {
  lf_checkProgramFolder();
  lf_startupChecks();
  gf_enableControl(REREAD_BUTTON.controlId, true);
  gf_requestWindowAction(ALWAYS_ON_TOP.get() ? WindowAction::topmostOn : WindowAction::topmostOff);
  // The simulator link, the feeds and live traffic run here; until they do, the run
  // only waits for its end.
  while (!gf_stopOrClosed()) std::this_thread::sleep_for(100ms);
}

void lf_showStartError(const std::string& text) { gf_showError(text.empty() ? "Unknown exception" : text); }

void lf_restartCountdown() {
  const auto n = gf_restartDelay();
  if (n < 1) return;
  gf_log(fmt::format("Restarting after {} seconds\n\n\n\n\n", n));
  for (auto k = n; k >= 1; --k) {
    gf_showMessage(fmt::format("Restarting after {} second{}", k, gf_plural(k)), false);
    std::this_thread::sleep_for(1s);
  }
}

void lf_resetRunState() {
  gf_resetStatusLine();
  mainWindow.resetForRestart();
  gf_resetRunFlags();
  gf_resetRequests();
  // Until RealTraffic connects in the new run, a scan switched on restarts at once.
  realTrafficLink.scanNow.exchange(true);
  gf_setRange(RANGE.get());
}

// What the window is asked for at the end of the run; none after a failure of its own, so
// that nothing restarts and the close button ends the program.
std::optional<WindowAction> lf_closingDown() {
  try {
    const auto reason = gf_exitReason();
    gf_log(fmt::format("Exiting: {}", gf_exitReasonName(static_cast<std::uint64_t>(reason))));
    if (reason == ExitReason::SystemError) {
      // The error stays on the status line until the user has read it and closes.
      while (!runState.windowClosedByUser.load()) std::this_thread::sleep_for(500ms);
      gf_showMessage(fmt::format("User closed {}", programName), true);
    }
    if (gf_restartsAfter(reason)) {
      restarting.store(true);
      gf_clearError();
      gf_clearMessage();
      gf_showMessage("Prepare for a restart ...", true);
      if (reason != ExitReason::NewSettings) {
        // A restart after an error never repeats a scan.
        SCAN_LIVERIES.set(false);
        gf_saveBoolParameter(SCAN_LIVERIES);
        SCAN_AIRPORTS.set(false);
        gf_saveBoolParameter(SCAN_AIRPORTS);
      }
      lf_restartCountdown();
      lf_resetRunState();
      return WindowAction::startRun;
    }
    restarting.store(false);
    if (reason == ExitReason::NewFlight) {
      gf_showMessage(fmt::format("New flight detected, {} will close, please restart manually ...", programName), true);
      std::this_thread::sleep_for(10s);
    }
    return WindowAction::saveAndQuit;
  } catch (const std::exception& e) {
    gf_showMessage(fmt::format("{} exception {}", "lf_closingDown", e.what()), true);
  } catch (...) {
    gf_showMessage(fmt::format("{} exception {}", "lf_closingDown", "of unknown type"), true);
  }
  return std::nullopt;
}

} // namespace

void gf_startWorker() {
  if (workerThread.joinable()) workerThread.join();
  workerRunning.store(true);
  try {
    workerThread = std::thread(gf_workerMain);
  } catch (...) {
    workerRunning.store(false);
    throw;
  }
}

bool gf_joinWorker(int timeoutMilliseconds) {
  for (int waited = 0; workerRunning.load() && waited < timeoutMilliseconds; waited += 10)
    std::this_thread::sleep_for(10ms);
  if (workerRunning.load()) return false;
  if (workerThread.joinable()) workerThread.join();
  return true;
}

void gf_workerMain() {
  workerRunning.store(true);
  try {
    lf_run();
  } catch (const hvm::UserErrorException& e) {
    lf_showStartError(e.what());
    gf_setSystemErrorReason();
  } catch (const fmt::format_error& e) {
    gf_showError(fmt::format("std::format error: {}", e.what()));
    gf_showError(e.what());
    gf_requestStop(ExitReason::SystemError, 0);
  } catch (const std::bad_alloc& e) {
    gf_showError(e.what());
    gf_requestStop(ExitReason::SystemError, 0);
  } catch (const std::exception& e) {
    gf_showError(e.what());
    gf_requestStop(ExitReason::SystemError, 0);
  } catch (...) {
    gf_showError("Unknown exception");
    gf_setSystemErrorReason();
  }
  const auto next = lf_closingDown();
  // Cleared before the window hears of it: the window may start the next worker at once.
  workerRunning.store(false);
  if (next) gf_requestWindowAction(*next);
}
