#include "simlink/sim_client.h"

#include "core/errors.h"
#include "core/log.h"
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/sim_closed.h"
#include "core/shell/simulator_install.h"
#include "core/shell/status_line.h"
#include "simlink/command_queues.h"
#include "simlink/dispatch.h"
#include "simlink/link_handlers.h"
#include "simlink/link_state.h"
#include "simlink/link_timer.h"
#include "simlink/own_objects.h"
#include "simlink/registration.h"
#include "simlink/result_queue.h"
#include "simlink/sim_calls.h"

#include <fmt/format.h>

namespace {

using namespace std::chrono_literals;

constexpr auto openRetry = 100ms;
constexpr auto dispatchStep = 1ms;
// How often the lists of objects waiting to be identified are looked through.
constexpr auto ageingStep = 1s;

enum class SessionEnd {
  stopped,       // the run asked the thread to stop
  simulatorGone, // the connection was lost or the simulator quit after it had answered
  neverAnswered, // the connection was lost before the simulator answered the open request
};

// The user error's code, from the text it starts with ("78: ...").
std::int32_t lf_userErrorCode(const char* text) {
  std::int32_t code = 0;
  for (; *text >= '0' && *text <= '9'; ++text) code = code * 10 + (*text - '0');
  return *text == ':' ? code : 0;
}

void lf_showWaiting() {
  std::string version;
  try {
    version = gf_getP3DVersion();
  } catch (const std::exception&) {
    // The run's version then: the message must not end the link.
    version = std::to_string(simLinkState.simMajorVersion.load());
  }
  gf_showMessage(fmt::format("Waiting for Prepar3Dv{} ...", version), true);
  gf_log("\n");
  gf_requestRepaint(topBandRect);
}

// Gives up what waits too long to be identified: a creation the simulator never carried out
// becomes a failed creation for live traffic, which says nothing about its title.
void lf_ageOwnObjects() {
  for (const SimResultData& failed : gf_ageOwnObjects(LinkClock::now(), runState.flightRunning.load()))
    gf_pushSimResult(failed);
}

SessionEnd lf_dispatchUntilStopped(const std::stop_token& stop, SimConnectClient* handle, MessageSignal& arrived) {
  TimerResolution oneMillisecond;
  auto lastAgeing = std::chrono::steady_clock::now();
  while (!stop.stop_requested()) {
    const SimConnectResult result = simCalls.SimConnect_CallDispatch(handle, &gf_dispatchProc, nullptr);
    const auto returned = std::chrono::steady_clock::now();
    if (simLinkState.quitReceived) return SessionEnd::simulatorGone;
    if (result < 0) {
      gf_log(fmt::format("SimConnect connection lost ({:#010x})", static_cast<std::uint32_t>(result)));
      return simLinkState.openReplied ? SessionEnd::simulatorGone : SessionEnd::neverAnswered;
    }
    if (returned - lastAgeing >= ageingStep) {
      lf_ageOwnObjects();
      lastAgeing = returned;
    }
    arrived.waitUntil(returned + dispatchStep);
  }
  return SessionEnd::stopped;
}

// No caller holding the command mutex can meet a closed handle: it is taken away first.
void lf_closeConnection() {
  SimConnectClient* handle = nullptr;
  {
    std::lock_guard lock(simCommands.commandMutex);
    handle = simLinkState.simConnectHandle.exchange(nullptr);
  }
  if (handle == nullptr) return;
  if (simCalls.SimConnect_Close(handle) >= 0)
    gf_log("SimConnect closed ok");
  else
    gf_logWarning("Closing SimConnect failed?!");
}

void lf_runLink(const std::stop_token& stop, MessageSignal& arrived) {
  bool waitingShown = false;
  bool openFailureLogged = false;
  while (!gf_stopOrClosed() && !stop.stop_requested()) {
    if (!waitingShown) {
      lf_showWaiting();
      waitingShown = true;
    }
    SimConnectClient* handle = nullptr;
    const SimConnectResult opened = simCalls.SimConnect_Open(&handle, "Hivemoor", nullptr, 0, arrived.handle(), 0);
    if (opened < 0 || handle == nullptr) {
      // Said once: a simulator that is not started yet is the usual case, but a wrong
      // SimConnect.cfg would otherwise fail here silently forever.
      if (!openFailureLogged)
        gf_log(fmt::format("SimConnect_Open failed ({:#010x}), trying again every 100 ms",
                           static_cast<std::uint32_t>(opened)));
      openFailureLogged = true;
      gf_linkSleepUntil(std::chrono::steady_clock::now() + openRetry);
      continue;
    }
    simLinkState.openReplied = false;
    simLinkState.quitReceived = false;
    simLinkState.simConnectHandle.store(handle);
    gf_registerSimData();
    const SessionEnd end = lf_dispatchUntilStopped(stop, handle, arrived);
    if (end == SessionEnd::neverAnswered) {
      lf_closeConnection();
      gf_linkSleepUntil(std::chrono::steady_clock::now() + openRetry);
      continue;
    }
    if (end == SessionEnd::simulatorGone) {
      runState.flightRunning.store(false);
      gf_stopForSimClosed();
    }
    return;
  }
}

} // namespace

void SimClient(std::stop_token stop) {
  // Outlives the connection, which signals it until it is closed.
  MessageSignal arrived;
  try {
    lf_runLink(stop, arrived);
  } catch (const hvm::UserErrorException& e) {
    const char* text = e.what();
    gf_showError(*text != '\0' ? text : "Unknown exception");
    // A refused simulator waits for the user to name the right install path, which restarts
    // the run; the other errors would only come back with a restart: the run ends and the
    // error stays in view.
    if (lf_userErrorCode(text) != 78) {
      runState.flightRunning.store(false);
      gf_requestStop(ExitReason::SystemError, 0);
    }
  } catch (const std::exception& e) {
    gf_showError(e.what());
    runState.flightRunning.store(false);
    gf_stopForSimClosed();
  } catch (...) {
    gf_showError(fmt::format("Exception in {}", "SimClient"));
    runState.flightRunning.store(false);
    gf_stopForSimClosed();
  }
  try {
    gf_rememberUserStand();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("SimClient: {}", e.what()));
  }
  mainWindow.update(topBandRect, [](DisplayState& d) { d.simConnected = false; });
  lf_closeConnection();
  badSimData.flush(&gf_log);
}

std::jthread gf_startSimClient() { return std::jthread(&SimClient); }
