#include "traffic/motion/respawn.h"

#include "airports/park_airport.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/settings/parameters.h"
#include "liveries/regcodes.h"
#include "traffic/motion/conflicts.h"
#include "traffic/motion/stand_arrival.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <optional>
#include <string_view>

namespace {

bool lf_takeIfNew(std::string& mine, const std::string& reported) {
  if (reported.empty() || reported == mine) return false;
  mine = reported;
  return true;
}

std::optional<std::string_view> lf_regcodeTitle(const std::string& registration) {
  const auto found = RegcodeMap.find(registration);
  if (found == RegcodeMap.end()) return std::nullopt;
  return found->second;
}

bool lf_sameAirlineAndType(const RegistrationData& record, const AircraftInfoData& info) {
  return record.airl == info.airline && record.type == info.type;
}

// The registration's owner flies it: the operator where there is one, else the airline.
void lf_takeOwner(LiveAircraft& ac, const RegistrationData& record) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  info.airline = record.opr.empty() ? record.airl : record.opr;
  info.type = record.type;
  lf_resetLivery(ac);
}

bool lf_endsWithGhostMark(std::string_view callsign) { return !callsign.empty() && callsign.back() == '_'; }

// A new callsign; false when the report is refused.
bool lf_takeCallsign(LiveAircraft& ac, const std::string& callsign) {
  if (lf_endsWithGhostMark(callsign)) {
    if (lf_hasPlainTwin(callsign)) return false;
  } else {
    lf_removeGhost(callsign, &ac);
  }
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  info.callsign = callsign;
  info.coupledCallsign1 = callsign;
  info.coupledCallsign2.clear();
  return true;
}

bool lf_respawn(LiveAircraft& ac) {
  if (!GUID_CHANGES.get()) return true;
  if (LOG.get()) gf_log(fmt::format("          {} respawns", gf_acRouteText(ac.aircraft.aircraftInfo)));
  liveryRespawn(ac);
  return false;
}

} // namespace

bool lf_acceptReport(LiveAircraft& ac, TrafficData& report) {
  if (ac.takingOff || ac.onApproach) return true;
  const LiveState state = ac.aircraft.state;
  if (state == LiveState::Buffer) {
    lf_updateBufferedIdentity(ac, report);
    return true;
  }
  if (state != LiveState::Active || ac.phase == FlightPhase::PushingBack || ac.extensionLeft > 0) return true;
  // The registration is looked at only when the route stands: a new route decides already.
  const bool unchanged = lf_routeUnchanged(ac, report) && lf_registrationUnchanged(ac, report);
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  if (!report.callsign.empty() && report.callsign != info.callsign && report.callsign != info.registration) {
    if (!lf_takeCallsign(ac, report.callsign)) return false;
    return lf_respawn(ac);
  }
  if (unchanged) return true;
  return lf_respawn(ac);
}

void lf_updateRoute(LiveAircraft& ac, const TrafficData& report) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  lf_takeIfNew(info.destination, report.destination);
  lf_takeIfNew(info.origin, report.origin);
}

void lf_updateBufferedIdentity(LiveAircraft& ac, const TrafficData& report) {
  lf_updateRoute(ac, report);
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  lf_takeIfNew(info.callsign, report.callsign);
  lf_takeIfNew(info.registration, report.registration);
}

bool lf_routeUnchanged(LiveAircraft& ac, const TrafficData& report) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  bool filled = false;
  if (!report.destination.empty() && info.destination.empty()) {
    info.destination = report.destination;
    filled = true;
  }
  if (!report.origin.empty() && info.origin.empty()) {
    info.origin = report.origin;
    filled = true;
  }
  const bool otherDestination =
      !info.destination.empty() && !report.destination.empty() && info.destination != report.destination;
  const bool otherOrigin = !info.origin.empty() && !report.origin.empty() && info.origin != report.origin;
  if (!otherDestination || !otherOrigin) return !filled;
  // The way back to the park airport is the same aircraft's next flight, not a new one.
  if (info.origin == currentParkAirport.iata && report.destination == info.origin) return !filled;
  info.origin = report.origin;
  info.destination = report.destination;
  if (ac.onGround && ac.phase != FlightPhase::Parking && ac.phase != FlightPhase::Parked) {
    gf_changePhase(ac, FlightPhase::Taxi);
    ac.groundTargetHeading = ac.heading;
  }
  return false;
}

bool lf_registrationUnchanged(LiveAircraft& ac, const TrafficData& report) {
  if (report.registration.empty()) return true;
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  bool unchanged = true;
  if (info.registration.empty()) {
    unchanged = !lf_regcodeLiveryChanged(ac, report);
  } else if (info.registration == info.callsign && info.registration != report.registration) {
    unchanged = !lf_regcodeLiveryChanged(ac, report);
  } else if (info.registration != report.registration) {
    unchanged = !lf_registrationOwnerChanged(ac, report);
  }
  info.registration = report.registration;
  return unchanged;
}

bool lf_regcodeLiveryChanged(LiveAircraft& ac, const TrafficData& report) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  const auto record = gf_lookupRegistration(report.registration);
  if (const auto title = lf_regcodeTitle(report.registration)) {
    if (*title == info.liveryTitle) return false;
    if (record) {
      info.airline = record->airl;
      info.type = record->type;
    }
    lf_resetLivery(ac);
    return true;
  }
  if (report.registration == info.registration) return false;
  if (!record || lf_sameAirlineAndType(*record, info)) return false;
  if (!record->opr.empty() && record->opr == info.airline) return false;
  lf_takeOwner(ac, *record);
  return true;
}

bool lf_registrationOwnerChanged(LiveAircraft& ac, const TrafficData& report) {
  AircraftInfoData& info = ac.aircraft.aircraftInfo;
  const auto record = gf_lookupRegistration(report.registration);
  if (!record || lf_sameAirlineAndType(*record, info)) return false;
  if (!record->opr.empty() && record->opr == info.airline) return false;
  // The airline the report's callsign names must own or operate the registration.
  const auto airline = gf_airlineFromCallsign(report.callsign);
  if (!airline) return false;
  if (*airline != record->airl && (record->opr.empty() || record->opr != *airline)) return false;
  lf_takeOwner(ac, *record);
  return true;
}

void lf_resetLivery(LiveAircraft& ac) {
  traffic.hexidTitleMap.erase(ac.aircraft.aircraftInfo.hexid);
  // An aircraft that keeps its simulator object keeps what the object shows and how it
  // moves: back at its birth it would slide through turns and fly at ground level.
  if (!GUID_CHANGES.get()) return;
  ac.aircraft.aircraftInfo.liveryTitle = {};
  gf_changePhase(ac, FlightPhase::Birth);
}
