#include "core/errors.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/lookups.h"
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "feeds/realtraffic_link.h"
#include "records/aircraft.h"
#include "simlink/link_handlers.h"
#include "simlink/link_state.h"
#include "simlink/park_stands.h"

#include <array>
#include <cmath>
#include <fmt/format.h>
#include <string_view>

namespace {

// A jump of the user aircraft farther than this between two replies is a new flight.
constexpr double teleportNm = 10.0;
constexpr std::size_t titleLimit = 48;
// The ground speed below which the user aircraft counts as parked on its stand.
constexpr double parkedSpeedKt = 2.0;
// Beyond these the simulator's numbers are garbage, whatever the aircraft: angles in radians
// within two turns, heights in feet, the ground velocity in knots.
constexpr double angleLimit = 2 * twoPi;
constexpr double altitudeLimitFt = 1.0e6;
constexpr double speedLimitKt = 1.0e5;
constexpr std::int64_t secondsPerDay = 86400;

// The first bytes of a text, never ending inside a UTF-8 sequence.
std::string lf_cut(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

bool lf_known(const GeoPosition& p) { return std::fabs(p.latitude) > 1e-4 || std::fabs(p.longitude) > 1e-4; }

std::string lf_standUnderUser(double latitude, double longitude) {
  if (!userOnGroundKnown.load() || !userOnGround.load()) return {};
  return gf_parkStandAt(latitude, longitude);
}

struct SpanFinding {
  double halfSpan = 0.0;
  bool known = false;
};

// The reference data knows types of at most four characters; anything else gets the largest
// half span, so that nothing comes closer to the user than it could to the largest aircraft.
SpanFinding lf_halfSpanOf(const std::string& model) {
  if (model.size() <= 4 && gf_isKnownAircraftType(model)) return {gf_halfWingspanNm(model), true};
  return {dbaseTables.maxHalfSpanNm, false};
}

void lf_setSpan(double halfSpan, bool known) {
  {
    std::lock_guard lock(linkUserState.mutex);
    linkUserState.halfSpan = halfSpan;
  }
  mainWindow.update(topBandRect, [&](DisplayState& d) { d.userWingspanKnown = known; });
}

void lf_deriveModel(std::string model) {
  gf_logIndented(fmt::format("model raw: {}", model));
  std::string report = "SimConnect: User aircraft model: " + model;
  if (model.find("camerapod") != std::string::npos || model.find("Crew Vessel") != std::string::npos) {
    lf_setSpan(gf_halfWingspanNm("E190"), true);
    gf_logIndented(report);
    return;
  }
  SpanFinding span = lf_halfSpanOf(model);
  if (!span.known) {
    const std::string title = gf_userTitle();
    for (const std::string_view a3xx : {"A319", "A320", "A321"}) {
      if (title.size() >= 13 && title.compare(0, 13, fmt::format("Aerosoft {}", a3xx)) == 0) {
        model = a3xx;
        report = "SimConnect: User aircraft model deduced from title: " + model;
        span = lf_halfSpanOf(model);
        break;
      }
    }
  }
  lf_setSpan(span.halfSpan, span.known);
  if (span.known)
    report += fmt::format(", half wing span: {:.1F} meter", span.halfSpan * 1852.0);
  else
    gf_showMessage("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
  report += fmt::format(", category: {}", gf_categoryName(gf_aircraftCategory(model)));
  gf_logIndented(report);
}

} // namespace

std::optional<std::int64_t> gf_simUtcSeconds(std::int64_t year, std::int64_t dayOfYear, std::int64_t secondsOfDay) {
  // With the year cut to 16 bits and the day and the seconds in range, nothing below can overflow.
  if (dayOfYear < 1 || dayOfYear > 366 || secondsOfDay < 0 || secondsOfDay > secondsPerDay) return std::nullopt;
  const std::int64_t y = static_cast<std::int16_t>(static_cast<std::uint16_t>(year & 0xFFFF));
  const std::int64_t c = y >= 1 ? (y - 1) / 100 : (y - 100) / 100;
  const std::int64_t days = ((y * 1461 - 1461) >> 2) + (c >> 2) - c + dayOfYear - 719163;
  return days * secondsPerDay + secondsOfDay;
}

std::string_view gf_userStateOutOfRange(const UserAcData& s) {
  const auto within = [](double value, double limit) { return value >= -limit && value <= limit; };
  if (!within(s.latitude, 90.0)) return "latitude";
  if (!within(s.longitude, 180.0)) return "longitude";
  if (!within(s.pitch, angleLimit)) return "pitch";
  if (!within(s.bank, angleLimit)) return "bank";
  if (!within(s.heading, angleLimit)) return "heading";
  if (!within(s.altitude, altitudeLimitFt)) return "altitude";
  if (!within(s.altitudeAboveGround, altitudeLimitFt)) return "altitude above ground";
  if (!(s.groundSpeed >= 0.0 && s.groundSpeed <= speedLimitKt)) return "ground velocity";
  return {};
}

void gf_handleUserAcState(std::uint32_t objectId, const UserAcData& reply) {
  if (const std::string_view bad = gf_userStateOutOfRange(reply); !bad.empty()) {
    badSimData.write("user state",
                     fmt::format("! SimConnect user aircraft state with its {} out of range, dropped", bad), &gf_log);
    return;
  }
  UserAcData state = reply;
  if (state.altitude < 0.0) state.altitude = 0.0;
  const GeoPosition now{state.latitude, state.longitude};
  const std::string stand = lf_standUnderUser(state.latitude, state.longitude);
  bool teleported = false;
  bool standShown = false;
  {
    std::lock_guard lock(linkUserState.mutex);
    const GeoPosition before = linkUserState.previousPosition;
    teleported = lf_known(before) && lf_known(now) && gf_distanceNm(before, now) > teleportNm;
    linkUserState.data = state;
    linkUserState.previousPosition = now;
    standShown = stand != linkUserState.standName;
    linkUserState.standName = stand;
  }
  if (teleported) {
    gf_log("Teleport");
    gf_requestStop(ExitReason::NewFlight, 30);
  }
  if (standShown) mainWindow.update(topBandRect, [&](DisplayState& d) { d.userStandText = stand; });
  if (realTrafficLink.professional.load()) {
    // A date out of range leaves RealTraffic the last good time.
    if (const auto seconds = gf_simUtcSeconds(state.zuluYear, state.zuluDayOfYear, state.zuluTime))
      simUtcSeconds.store(*seconds);
    else
      badSimData.write(
          "zulu date",
          fmt::format("! SimConnect zulu day {} and time {} s out of range, the simulator's time not taken",
                      state.zuluDayOfYear, state.zuluTime),
          &gf_log);
  }
  simLinkState.userObjectId.store(objectId);
}

void gf_handleUserOnGround(std::int64_t value) {
  if (gf_userPositionKnown(gf_userAcData())) {
    userOnGround.store(static_cast<std::uint32_t>(value) != 0);
    userOnGroundKnown.store(true);
    userPositionKnown.store(true);
  }
  runState.secondTick.store(true);
}

void gf_handleUserAcTitle(const std::string& reply) {
  if (reply.empty()) {
    gf_log("! Title of your aircraft is empty?");
    return;
  }
  const std::string title = lf_cut(reply, titleLimit);
  {
    std::lock_guard lock(linkUserState.mutex);
    if (title == linkUserState.title) return;
    linkUserState.title = title;
  }
  mainWindow.update(topBandRect, [&](DisplayState& d) { d.userAircraftTitle = title; });
  gf_logIndented("SimConnect: User aircraft title: " + title);
}

void gf_handleUserAcModel(const std::string& model) {
  if (model.empty())
    throw hvm::UserErrorException(71, "atc_model= in [General] section of your aircraft.cfg is empty or missing");
  try {
    lf_deriveModel(model);
  } catch (const hvm::UserErrorException&) {
    throw;
  } catch (const std::exception& e) {
    gf_log(fmt::format("lf_handleUserAcModel: {}", e.what()));
    throw hvm::UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
  }
}

void gf_rememberUserStand() {
  const UserAcData state = gf_userAcData();
  if (state.groundSpeed > parkedSpeedKt) return;
  const std::string stand = lf_standUnderUser(state.latitude, state.longitude);
  const std::string airport = gf_publishedParkAirport();
  if (stand.empty() || airport.empty()) return;
  gf_recordUserStand(airport, stand);
}
