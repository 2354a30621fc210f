#include "app/run_wiring.h"

#include "app/edit_boxes.h"
#include "app/run.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/update_check.h"
#include "feeds/qnh_reader.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"

namespace {

UserPosition lf_userPosition(const UserAircraft& user) {
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
  services.feeds.gf_startRealTrafficServer = gf_startRealTrafficServer;
  services.feeds.gf_waitForRealTraffic = gf_waitForRealTraffic;
  services.feeds.gf_sendSimTime = gf_sendSimTime;
  services.feeds.gf_sendUserPosition = [](const UserAircraft& user) { gf_sendUserPosition(lf_userPosition(user)); };
  services.feeds.QnhReader = gf_runQnhReader;
  services.feeds.TrafficReader = gf_runTrafficReader;
  services.feeds.gf_closeRealTrafficLink = gf_closeRealTrafficLink;
  gf_wirePlatformCalls(services);
  runServices = std::move(services);
  runClock = gf_realRunClock();
  gf_setAutoRangeSource(gf_autoRangeSituation);
  // The destination box finds its airports where the run does.
  gf_setAirportLookup(lf_findAirport);
}
