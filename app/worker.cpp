#include "app/worker.h"

#include "app/closing_down.h"
#include "app/edit_boxes.h"
#include "app/run.h"
#include "app/run_services.h"
#include "app/startup.h"
#include "app/window_actions.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/run_state.h"
#include "core/shell/simulator_install.h"
#include "core/shell/status_line.h"
#include "core/workers.h"

#include <chrono>
#include <fmt/format.h>
#include <new>
#include <thread>

using namespace std::chrono_literals;

std::atomic<bool> workerRunning{false};
std::atomic<bool> restarting{false};
std::atomic<bool> referenceDataRead{false};

namespace {

// GUI thread only.
std::thread workerThread;

void lf_countAddOnAirports() {
  const auto simaddon = static_cast<std::uint64_t>(gf_countFiles(myOrbxFolder));
  const auto thirdParty = static_cast<std::uint64_t>(gf_countFiles(myThirdpartyFolder));
  mainWindow.update(topBandRect, [simaddon, thirdParty](DisplayState& d) {
    d.simaddonAirportCount = simaddon;
    d.thirdPartyAirportCount = thirdParty;
  });
}

void lf_scanLiveries() {
  const auto& liveries = runServices.liveries;
  // The tables hold the titles live traffic's aircraft refer to: they are emptied only
  // here, after the reset before the restart has removed every aircraft.
  if (liveryTablesClearRequested.exchange(false)) gf_call(liveries.gf_clearLiveryTables);
  if (!liveries.gf_scanLiveries) return;
  gf_checkScannedLiveries();
  liveries.gf_scanLiveries();
}

void lf_reapplyDestination() {
  const auto code = DESTINATION.get();
  if (code.empty() || !runServices.airports.findAirport) return;
  if (const auto position = runServices.airports.findAirport(code)) gf_applyDestination(code, *position);
}

// Everything of a run before it closes down.
void lf_workerSteps() {
  const auto& services = runServices;
  gf_checkProgramFolder();
  gf_startupChecks();
  gf_setStockSceneryFolder();
  gf_resetWorkerCounter();
  lf_scanLiveries();
  if (gf_stopOrClosed()) return;
  if (SCAN_AIRPORTS.get()) {
    mainWindow.update(topBandRect, [](DisplayState& d) { d.simaddonAirportCount = d.thirdPartyAirportCount = 0; });
    gf_call(services.airports.gf_scanAddOnAirports);
  }
  lf_countAddOnAirports();
  if (gf_stopOrClosed()) {
    gf_stopByUser();
    return;
  }
  gf_call(services.traffic.gf_createFlightPlanFolder);
  gf_call(services.traffic.lf_readMyParkAirports);
  gf_enableControl(REREAD_BUTTON.controlId, true);
  lf_reapplyDestination();
  gf_requestWindowAction(ALWAYS_ON_TOP.get() ? WindowAction::topmostOn : WindowAction::topmostOff);
  gf_run();
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
    lf_workerSteps();
  } catch (const hvm::UserErrorException& e) {
    const std::string text = e.what();
    gf_showError(text.empty() ? "Unknown exception" : text);
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
  const auto next = gf_closingDown();
  // Cleared before the window hears of it: the window may start the next worker at once.
  workerRunning.store(false);
  gf_requestWindowAction(next);
}
