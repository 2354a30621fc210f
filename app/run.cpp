#include "app/run.h"

#include "app/main_loop.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/auto_range.h"
#include "core/shell/main_window.h"
#include "core/shell/reader_stop.h"
#include "core/shell/repaint.h"
#include "core/shell/run_state.h"
#include "core/shell/week_clock.h"
#include "feeds/adding_stack.h"
#include "feeds/qnh_reader.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

using namespace std::chrono_literals;

RunFlow runFlow;

namespace {

// Worker thread only.
std::jthread simClientThread;
// Set by the link's thread as it ends: a link that has stopped by itself is not waited for.
std::atomic<bool> simClientEnded{false};
std::thread qnhReaderThread;
std::thread trafficReaderThread;

bool lf_positionKnown(const UserAcData& user) {
  return std::fabs(user.latitude) > 0.0001 || std::fabs(user.longitude) > 0.0001;
}

} // namespace

AutoRangeSituation gf_autoRangeSituation() {
  const auto user = gf_userAc();
  AutoRangeSituation situation;
  situation.onGround = gf_callOr(runServices.link.userOnGround, false);
  situation.altitudeFt = user.altitude;
  situation.user = {user.latitude, user.longitude};
  situation.firstParkAirport = gf_callOr(runServices.traffic.firstParkAirport, std::nullopt);
  return situation;
}

namespace {

void lf_refreshUserAc() {
  if (runServices.link.gf_requestUserAcPosition) gf_setUserAc(runServices.link.gf_requestUserAcPosition());
}

// A reader's failure of any kind ends the run as its own errors do.
std::thread lf_startReader(const std::function<void(std::int32_t)>& procedure, const std::string& name,
                           std::int32_t port) {
  if (!procedure) return {};
  return std::thread([procedure, name, port] {
    try {
      procedure(port);
    } catch (const std::exception& e) {
      gf_stopForReaderError(name, e.what());
    } catch (...) {
      gf_stopForReaderError(name, "unknown error");
    }
  });
}

void lf_showLinkState(bool linkUp) {
  realTrafficLink.linkUp = linkUp;
  gf_requestRepaint(topBandRect);
}

} // namespace

UserAcData gf_userAc() { return gf_callOr(runServices.traffic.userAcState, runFlow.userAc); }

void gf_setUserAc(const UserAcData& user) {
  runFlow.userAc = user;
  gf_call(runServices.traffic.setUserAcState, user);
}

std::int64_t gf_simUtcSeconds() { return gf_callOr(runServices.link.simUtcSeconds, std::int64_t{0}); }

void gf_stopSimClient() {
  if (!simClientThread.joinable()) return;
  simClientThread.request_stop();
  simClientThread.join();
}

bool gf_simClientRunning() { return simClientThread.joinable() && !simClientEnded.load(); }

void gf_stopReaders() {
  qnhReader.stop = true;
  trafficReader.stop = true;
  if (qnhReaderThread.joinable()) qnhReaderThread.join();
  if (trafficReaderThread.joinable()) trafficReaderThread.join();
}

bool gf_waitForFlight() {
  const auto& link = runServices.link;
  while (!runState.flightRunning.load() || gf_callOr(link.simConnectError, false)) {
    gf_sleepFor(100ms);
    if (gf_stopOrClosed()) break;
  }
  if (gf_stopOrClosed()) return false;
  gf_call(link.gf_requestUserOnGroundEverySecond);
  while (!gf_callOr(link.userPositionKnown, false) || !lf_positionKnown(runFlow.userAc)) {
    lf_refreshUserAc();
    gf_sleepFor(500ms);
    if (gf_stopOrClosed()) break;
  }
  if (gf_stopOrClosed()) return false;
  gf_call(link.gf_requestUserAcTitleAndModel);
  while (!lf_positionKnown(runFlow.userAc)) {
    lf_refreshUserAc();
    gf_sleepFor(200ms);
    if (gf_stopOrClosed()) break;
  }
  return !gf_stopOrClosed();
}

void gf_waitForFirstTraffic() {
  // The run also stops while it waits: closing the window must not wait for the traffic.
  for (int i = 0; i < 150; ++i) {
    if (static_cast<std::int64_t>(trafficReader.lineTimestamp.load()) != 0 || gf_stopOrClosed()) return;
    gf_sleepFor(100ms);
  }
  if (static_cast<std::int64_t>(trafficReader.lineTimestamp.load()) == 0) gf_log("No traffic in this region?");
}

void gf_run() {
  const auto& services = runServices;
  lf_showLinkState(false);
  mainWindow.update(topBandRect, [](DisplayState& d) { d.simConnected = false; });
  gf_setAutoRangeSource(gf_autoRangeSituation);

  gf_call(services.traffic.gf_reserveTraffic);
  gf_call(services.liveries.gf_reserveLiveryLists);
  gf_call(services.traffic.gf_installUserStandRecorder);
  gf_call(services.link.gf_initSimClient, P3D_VERSION.get());
  gf_stopSimClient();
  if (services.link.SimClient) {
    simClientEnded = false;
    simClientThread = std::jthread([client = services.link.SimClient](std::stop_token stop) {
      client(std::move(stop));
      simClientEnded = true;
    });
  }
  if (!gf_waitForFlight()) return;

  if (AUTO_RANGE.get()) {
    gf_applyAutoRange();
    gf_enableControl(RANGE.controlId, false);
  }
  if (realTrafficLink.detected.load() && !AEROWINX.get())
    gf_call(services.feeds.gf_startRealTrafficServer, PORT_NUMBER.get());
  else
    lf_showLinkState(true); // no TCP link is used
  if (gf_stopOrClosed()) return;
  mainWindow.update(topBandRect, [](DisplayState& d) { d.runStarting = false; });

  if (AEROWINX.get()) {
    realTrafficLink.professional = false;
  } else {
    gf_call(services.feeds.gf_waitForRealTraffic);
    if (realTrafficLink.professional.load()) gf_call(services.feeds.gf_sendSimTime, gf_simUtcSeconds());
  }
  if (gf_stopOrClosed()) return;

  gf_setAcceptingTraffic(false);
  qnhReaderThread = lf_startReader(services.feeds.QnhReader, qnhReader.name(), qnhPort);
  gf_sleepFor(2s);
  trafficReaderThread = lf_startReader(services.feeds.TrafficReader, trafficReader.name(), trafficPort);
  const auto user = gf_userAc();
  gf_call(services.feeds.gf_sendUserPosition, user);
  trafficReader.setReference({user.latitude, user.longitude});
  gf_waitForFirstTraffic();
  if (gf_stopOrClosed()) return;
  currentWeekTime = gf_weekTime();
  gf_mainLoop();
}
