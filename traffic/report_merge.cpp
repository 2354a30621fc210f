#include "traffic/report_merge.h"

#include "airports/park_airport.h"
#include "core/refdata/lookups.h"
#include "core/settings/parameters.h"
#include "traffic/motion/respawn.h"
#include "traffic/motion/stream_merge.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <numbers>

namespace {

// Beyond this a change of ground speed between two reports is no real acceleration.
constexpr double maxAccelerationKtPerS = 5.0;
constexpr double airThinningNm = 450.0 / 1852.0;
constexpr double groundThinningNm = 20.0 / 1852.0;

bool lf_within(double value, double low, double high) { return std::isfinite(value) && value >= low && value <= high; }

double lf_trackDifference(double a, double b) {
  const double d = std::fabs(std::fmod(a - b, 360.0));
  return d > 180.0 ? 360.0 - d : d;
}

// A change of speed the stream cannot take at face value.
bool lf_speedJump(double from, double to) {
  return (from > 5 && to >= 10 * from) || (to > 5 && from >= 10 * to) || (from <= 5 && to >= 80) ||
         (to <= 5 && from >= 80);
}

bool lf_implausibleChange(double from, double to, double seconds) {
  return lf_speedJump(from, to) && std::fabs(to - from) > maxAccelerationKtPerS * seconds;
}

// Judged against the last kept point; one dropped report does not drop every later one.
bool lf_dropForSpeed(LiveAircraft& ac, const FeedPoint& last, const TrafficData& report, double seconds) {
  const double speed = report.point.groundSpeed;
  if (!lf_implausibleChange(last.groundSpeed, speed, seconds)) {
    ac.speedDropPending = false;
    return false;
  }
  if (ac.speedDropPending && !lf_implausibleChange(ac.droppedSpeed, speed, report.timestamp - ac.droppedReportTime)) {
    ac.speedDropPending = false;
    return false;
  }
  ac.speedDropPending = true;
  ac.droppedSpeed = speed;
  ac.droppedReportTime = report.timestamp;
  return true;
}

bool lf_thinOut(const FeedPoint& last, const FeedPoint& point, double seconds) {
  const double speed = point.groundSpeed;
  if (point.airborne && speed > 120 && lf_trackDifference(point.track, last.track) <= 1.0)
    return seconds <= airThinningNm / (speed / 3600.0);
  if (!point.airborne && speed <= 30 && lf_trackDifference(point.track, last.track) <= 2.0) {
    const double minimum = speed == 0 ? 15.0 : std::min(15.0, groundThinningNm / (speed / 3600.0));
    return seconds <= minimum;
  }
  return false;
}

// A low report near the park airport's elevation is ground clutter, not a flying aircraft.
bool lf_nearParkElevation(double altitude) {
  const double elevation = currentParkAirport.code.empty() ? -1000.0 : currentParkAirport.alt;
  return altitude > 0 && altitude < 10000 && std::fabs(altitude - elevation) <= 120;
}

void lf_mergeKnown(LiveAircraft& ac, TrafficData& report) {
  const LiveState state = ac.aircraft.state;
  if (state == LiveState::LiveryRespawn || state == LiveState::RemovingFromSim) return;
  const double t = report.timestamp;
  if (!ac.feedPoints.empty()) {
    const FeedPoint& last = ac.feedPoints.back();
    const double seconds = t - ac.lastReportTime;
    if (seconds <= 1.0) return;
    if (lf_dropForSpeed(ac, last, report, seconds)) return;
    if (ac.extensionLeft <= 0 && lf_thinOut(last, report.point, seconds)) return;
  }
  if (state == LiveState::Buffer && lf_nearParkElevation(report.point.altitude)) return;
  if (!lf_acceptReport(ac, report)) return;
  ac.lastReportTime = t;
  decodeExisting(ac, report.point);
}

void lf_addNewLiveAc(TrafficData& report) {
  const SizeCategory category = gf_aircraftCategory(report.type);
  if ((category == SizeCategory::Light && !LIGHT_AIRCRAFT.get()) ||
      (category == SizeCategory::HighPerf && !HIGH_PERF_AIRCRAFT.get()) ||
      (category == SizeCategory::Rotorcraft && !HELICOPTERS.get()))
    return;
  if (lf_nearParkElevation(report.point.altitude)) return;
  report.coupledCallsign1 = report.callsign;
  report.coupledCallsign2.clear();
  report.headFlag = false;
  AircraftInfoData info(report);
  info.hexid = report.hexId;
  info.currentTurnRate = info.turnRate;
  const CategoryRow& row = gf_categoryRow(info.category);
  info.verticalStepFt = row.verticalStepFt;
  info.standSpeedKt = row.standSpeedKt;
  traffic.liveList.emplace_back(report.point, std::move(info), report.timestamp);
}

void lf_checkNewLiveAcType(TrafficData& report) {
  if (report.type.empty() && !report.registration.empty())
    if (const auto record = gf_lookupRegistration(report.registration)) report.type = record->type;
  if (gf_isKnownAircraftType(report.type)) {
    lf_addNewLiveAc(report);
    return;
  }
  if (report.registration.empty()) return;
  const auto record = gf_lookupRegistration(report.registration);
  if (!record || record->type.empty()) return;
  report.type = record->type;
  lf_addNewLiveAc(report);
}

} // namespace

bool gf_usableReport(const TrafficData& report) {
  const FeedPoint& p = report.point;
  return report.hexId > 10000 && std::isfinite(report.timestamp) && lf_within(p.latitude, -90, 90) &&
         lf_within(p.longitude, -180, 180) && lf_within(p.altitude, -2000, 100000) &&
         lf_within(p.groundSpeed, 0, 2000) && lf_within(p.track, 0, 360) && lf_within(p.verticalSpeed, -40000, 40000) &&
         lf_within(p.trueAirspeed, 0, 2000) && (!p.roll || lf_within(*p.roll, -std::numbers::pi, std::numbers::pi)) &&
         (!p.trueHeading || lf_within(*p.trueHeading, 0, 2 * std::numbers::pi));
}

void lf_mergeReport(TrafficData& report) {
  if (!gf_usableReport(report)) return;
  if (LiveAircraft* ac = gf_findLiveByHexid(report.hexId)) {
    lf_mergeKnown(*ac, report);
    return;
  }
  if (!report.callsign.empty())
    for (const auto& ac : traffic.liveList)
      if (ac.aircraft.aircraftInfo.callsign == report.callsign && ac.aircraft.aircraftInfo.type == report.type) return;
  lf_checkNewLiveAcType(report);
}
