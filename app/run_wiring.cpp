#include "app/run_wiring.h"

#include "airports/addon_scan.h"
#include "airports/airport_list.h"
#include "app/edit_boxes.h"
#include "app/run.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/update_check.h"
#include "feeds/qnh_reader.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "simlink/link_state.h"
#include "simlink/sim_client.h"
#include "simlink/user_state.h"

#include <mutex>

namespace {

UserPosition lf_userPosition(const UserAcData& user) {
  return {user.latitude, user.longitude, user.pitch, user.bank, user.heading, user.altitude, user.groundSpeed};
}

std::optional<GeoPosition> lf_findAirport(const std::string& code) {
  return gf_callOr(runServices.airports.findAirport, std::nullopt, code);
}

} // namespace

void gf_wireRunServices() {
  RunServices services;
  services.core.gf_checkDataVersions = gf_checkDataVersions;
  services.core.gf_readDbase = gf_readDbase;

  auto& link = services.link;
  link.gf_initSimClient = gf_initSimClient;
  link.SimClient = SimClient;
  link.simConnectError = [] { return simLinkState.simConnectError.load(); };
  link.gf_handleSimConnectError = [] { gf_handleSimConnectError(); };
  link.gf_requestUserOnGroundEverySecond = gf_requestUserOnGroundEverySecond;
  link.gf_requestUserAcPosition = gf_requestUserAcPosition;
  link.userPositionKnown = [] { return userPositionKnown.load(); };
  link.gf_requestUserAcTitleAndModel = gf_requestUserAcTitleAndModel;
  link.userOnGround = [] { return userOnGround.load(); };
  link.gf_userHalfSpanNm = gf_userHalfSpanNm;
  link.simUtcSeconds = [] { return simUtcSeconds.load(); };
  link.clearPositionBuffers = [] {
    std::lock_guard lock(simCommands.commandMutex);
    for (auto& buffer : simCommands.positionBuffers) buffer.clear();
  };
  link.gf_queueClientEvent = gf_queueClientEvent;
  link.removalsPending = [] {
    std::lock_guard lock(simCommands.commandMutex);
    return !simCommands.removeQueue.empty();
  };
  link.gf_resetSimLink = gf_resetSimLink;

  services.feeds.gf_startRealTrafficServer = gf_startRealTrafficServer;
  services.feeds.gf_waitForRealTraffic = gf_waitForRealTraffic;
  services.feeds.gf_sendSimTime = gf_sendSimTime;
  services.feeds.gf_sendUserPosition = [](const UserAcData& user) { gf_sendUserPosition(lf_userPosition(user)); };
  services.feeds.QnhReader = gf_runQnhReader;
  services.feeds.TrafficReader = gf_runTrafficReader;
  services.feeds.gf_closeRealTrafficLink = gf_closeRealTrafficLink;

  services.airports.gf_readAirports = gf_readAirports;
  services.airports.gf_scanAddOnAirports = [] { gf_scanAddOnAirports(); };
  services.airports.findAirport = gf_airportPosition;
  gf_wirePlatformCalls(services);
  runServices = std::move(services);
  runClock = gf_realRunClock();
  gf_setAutoRangeSource(gf_autoRangeSituation);
  // The destination box finds its airports where the run does.
  gf_setAirportLookup(lf_findAirport);
}
