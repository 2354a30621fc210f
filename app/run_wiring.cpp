#include "app/run_wiring.h"

#include "airports/addon_scan.h"
#include "airports/airport_list.h"
#include "airports/park_airport.h"
#include "airports/stands.h"
#include "app/edit_boxes.h"
#include "app/run.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/update_check.h"
#include "core/settings/parameters.h"
#include "feeds/qnh_reader.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "liveries/matching_summary.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "simlink/link_state.h"
#include "simlink/sim_client.h"
#include "simlink/user_state.h"
#include "traffic/flight_plans.h"
#include "traffic/live_limit.h"
#include "traffic/motion/conflicts.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_option_search.h"
#include "traffic/parking/static_plan.h"
#include "traffic/parking/static_renewal.h"
#include "traffic/removal.h"
#include "traffic/sim_results.h"
#include "traffic/traffic_state.h"
#include "traffic/traffic_tick.h"

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
  link.gf_requestAircraftInRange = [] { gf_requestAircraftInRange(rangeMetres.load()); };
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

  auto& liveries = services.liveries;
  liveries.gf_scanLiveries = gf_scanLiveries;
  liveries.gf_reserveLiveryLists = gf_reserveLiveryLists;
  liveries.gf_clearLiveryTables = gf_clearLiveryTables;
  liveries.gf_logLiveryMatchingSummary = gf_logLiveryMatchingSummary;
  liveries.gf_logNoLiveryMatches = gf_logNoLiveryMatches;

  auto& live = services.traffic;
  live.gf_reserveTraffic = gf_reserveTraffic;
  live.lf_handleAddingStack = lf_handleAddingStack;
  live.gf_processSimResults = gf_processSimResults;
  live.gf_resetTraffic = gf_resetTraffic;
  live.sendQueuedRemovals = gf_sendQueuedRemovals;
  live.gf_clearReservedStand = gf_clearReservedStand;
  live.gf_countLiveParked = gf_countLiveParked;
  live.gf_flushStatics = gf_flushStatics;
  live.gf_removeLiveAircraft = gf_removeLiveAircraft;
  live.removeAircraftFromSim = removeAircraftFromSim;
  live.emptyHexidTitleMap = [] { traffic.hexidTitleMap.clear(); };
  live.emptyGhostList = [] { traffic.ghostList.clear(); };
  // A folder that cannot be made throws and ends the run; there is nothing else to answer.
  live.gf_createFlightPlanFolder = [] { gf_createFlightPlanFolder(); };
  live.gf_removeFlightPlanFolder = gf_removeFlightPlanFolder;
  live.gf_applyMaxLive = gf_applyMaxLive;
  // Static parking at the park airport.
  live.gf_updateParkAirport = gf_updateParkAirport;
  live.gf_clearGroundTraffic = gf_clearGroundTraffic;
  live.parkAirportSet = [] { return !currentParkAirport.code.empty(); };
  // Shown in the window with its IATA code: "KLAX (LAX)".
  live.parkAirportCode = [] {
    return currentParkAirport.code.empty() ? std::string{} : gf_formatAirportCode(currentParkAirport);
  };
  live.parkAirportHasStands = [] { return !standList.empty(); };
  live.gf_adjustParking = gf_adjustParking;
  live.reservedStandSet = [] { return !reservedStand.empty(); };
  live.gf_rereadParkAirports = gf_rereadParkAirports;
  live.gf_countStatics = gf_countStatics;
  live.lf_searchForCoupledCsAroundThisTime = lf_searchForCoupledCsAroundThisTime;
  live.gf_removeStaticTwin = gf_removeStaticTwin;
  live.gf_removeCollidingStatic = gf_removeCollidingStatic;
  // A line naming an unknown airport is said where it is read; the run goes on without it.
  live.lf_readMyParkAirports = [] { lf_readMyParkAirports(); };
  live.gf_makeFirstParkAirport = gf_makeFirstParkAirport;
  live.firstParkAirport = []() -> std::optional<GeoPosition> {
    if (parkAirportList.empty()) return std::nullopt;
    return GeoPosition{parkAirportList.front().lat, parkAirportList.front().lon};
  };
  live.gf_installUserStandRecorder = gf_installUserStandRecorder;
  live.userAcState = [] { return traffic.userAcState; };
  live.setUserAcState = [](const UserAcData& user) { traffic.userAcState = user; };
  live.liveList = &traffic.liveList;
  live.staticList = &traffic.staticList;
  live.twinCheckQueue = &traffic.twinCheckQueue;

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
