#include "motion_harness.h"

#include "core/geodesy.h"
#include "feeds/adding_stack.h"
#include "feeds/traffic_line.h"
#include "recording.h"
#include "simlink/result_queue.h"
#include "traffic/traffic_state.h"
#include "traffic/traffic_tick.h"

#include <fmt/format.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace motion_harness {

namespace {

constexpr double laxLat = 33.9425;
constexpr double laxLon = -118.408;

bool lf_onGroundPhase(FlightPhase phase) {
  return phase == FlightPhase::Taxi || phase == FlightPhase::PushingBack || phase == FlightPhase::PushedBack ||
         phase == FlightPhase::Parking;
}

double lf_turn(double from, double to) {
  double d = std::fmod(to - from, twoPi);
  if (d > std::numbers::pi) d -= twoPi;
  if (d < -std::numbers::pi) d += twoPi;
  return std::fabs(d);
}

} // namespace

std::vector<FixtureReport> gf_readFixture(const std::string& path, double parkElevationFt) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read fixture " + path);
  TrafficLineContext context;
  context.reference = {laxLat, laxLon};
  context.rangeNm = 100.0;
  context.parkAirport = GeoPosition{laxLat, laxLon};
  context.parkElevation = parkElevationFt;
  std::vector<FixtureReport> result;
  std::vector<std::string_view> fields;
  std::string line;
  double first = -1.0;
  while (std::getline(file, line)) {
    if (line.rfind("AITFC,", 0) != 0) continue;
    const auto comma = line.rfind(',');
    const double time = std::stod(line.substr(comma + 1));
    const auto converted = rtstandin::convertShortLine(line, time);
    if (!converted) continue;
    const auto parsed = gf_parseTrafficLine(*converted, context, fields);
    if (parsed.outcome != LineOutcome::Accepted) continue;
    if (first < 0) first = time;
    result.push_back({time - first, parsed.report});
  }
  return result;
}

MotionHarness::MotionHarness(FakeSimConnect& fake, GroundModel groundModel) : ground(groundModel), fake_(fake) {}

void MotionHarness::schedule(TrafficData report, std::int32_t arrivalTick) {
  reports_.emplace(arrivalTick, std::move(report));
}

void MotionHarness::scheduleFixture(const std::vector<FixtureReport>& fixture, std::int32_t firstArrivalTick,
                                    double fromSeconds, double toSeconds) {
  for (const auto& entry : fixture) {
    if (entry.offsetSeconds < fromSeconds || entry.offsetSeconds > toSeconds) continue;
    const auto tick =
        firstArrivalTick + static_cast<std::int32_t>(std::lround((entry.offsetSeconds - fromSeconds) * 100.0));
    schedule(entry.report, tick);
  }
}

void MotionHarness::tick() {
  const std::int32_t now = gf_tickCounter();
  lf_deliverReports(now);
  lf_handleAddingStack();
  lf_frame(now);
  lf_checkAircraft(now);
}

void MotionHarness::runTicks(std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) tick();
}

void MotionHarness::runUntil(std::int32_t target) {
  while (gf_tickCounter() < target) tick();
}

bool MotionHarness::runWhile(const std::function<bool()>& condition, std::int32_t limit) {
  for (std::int32_t i = 0; i < limit; ++i) {
    if (!condition()) return true;
    tick();
  }
  return !condition();
}

std::int32_t MotionHarness::objectOf(std::uint32_t hexid) const {
  for (const auto& [id, object] : objects_)
    if (object.hexid == hexid) return id;
  return 0;
}

std::vector<SentEvent> MotionHarness::eventsFor(std::int32_t objectId) const {
  std::vector<SentEvent> result;
  for (const auto& e : events)
    if (e.objectId == objectId) result.push_back(e);
  return result;
}

std::optional<SentEvent> MotionHarness::firstEvent(std::int32_t objectId, SimEventId id,
                                                   std::optional<std::int32_t> data, std::int32_t fromTick) const {
  for (const auto& e : events)
    if (e.objectId == objectId && e.eventId == id && (!data || e.data == *data) && e.tick >= fromTick) return e;
  return std::nullopt;
}

void MotionHarness::lf_deliverReports(std::int32_t now) {
  while (!reports_.empty() && reports_.begin()->first <= now) {
    TrafficData report = std::move(reports_.begin()->second);
    reports_.erase(reports_.begin());
    gf_appendTrafficReport(std::move(report), now);
  }
}

void MotionHarness::lf_violation(std::int32_t now, const std::string& text) {
  if (violations.size() < 50) violations.push_back(fmt::format("tick {}: {}", now, text));
}

void MotionHarness::lf_aimed(std::int32_t now, std::int32_t id, const char* what) {
  if (id == 0 || id == userObjectId || !objects_.contains(id))
    lf_violation(now, fmt::format("{} for object {}", what, id));
}

void MotionHarness::lf_frame(std::int32_t now) {
  std::vector<CreateAcData> creations;
  std::vector<std::int32_t> removals;
  std::vector<ClientEventData> sent;
  std::vector<AcPositionData> positions;
  {
    std::lock_guard lock(simCommands.commandMutex);
    creations.swap(simCommands.createQueue);
    removals.swap(simCommands.removeQueue);
    sent.swap(simCommands.eventQueue);
    positions.swap(*simCommands.sendBuffer);
  }
  for (const auto& e : sent) {
    lf_aimed(now, e.objectId, "event");
    events.push_back({now, e.objectId, e.eventId, e.data});
  }
  for (const auto& p : positions) {
    lf_aimed(now, p.objectId, "position");
    if (!(std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::isfinite(p.altitude) &&
          std::isfinite(p.pitch) && std::isfinite(p.bank) && std::isfinite(p.heading) &&
          std::isfinite(p.verticalSpeed) && std::isfinite(p.trueAirspeed)))
      lf_violation(now, fmt::format("position of object {} not finite", p.objectId));
    auto found = objects_.find(p.objectId);
    if (found == objects_.end()) continue;
    found->second.altitude = p.altitude;
    found->second.last = p;
    found->second.haveLast = true;
    track[p.objectId].push_back({now, p, p.altitude - ground.elevationFt <= ground.cgHeightFt + 1.0});
  }
  for (const auto& call : fake_.callsOf("SetDataOnSimObject"))
    if (call.values.size() > 1 && call.values[0] == static_cast<std::uint32_t>(SimDefinitionId::AcControls)) {
      const auto id = static_cast<std::int32_t>(call.values[1]);
      lf_aimed(now, id, "controls");
      controls.push_back({now, id, call.doubles});
    }
  for (const auto& creation : creations) {
    const std::int32_t id = nextObject_++;
    SimObject object;
    object.hexid = static_cast<std::uint32_t>(creation.hexId);
    object.altitude =
        creation.position.onGround != 0 ? ground.elevationFt + ground.cgHeightFt : creation.position.altitude;
    objects_[id] = object;
    ++created;
    gf_pushSimResult({id, creation.hexId, 0, simResultLiveCreated, 0, object.altitude - ground.elevationFt});
    gf_pushSimResult({id, 0, 0, simResultStaticCg, ground.cgHeightFt, ground.groundPitchRad});
  }
  for (const auto id : removals) {
    lf_aimed(now, id, "removal");
    removed.push_back(id);
    if (objects_.erase(id) == 1) gf_pushSimResult({id, 0, 0, simResultRemoved, 0, 0});
  }
  const bool rangeRequested = fake_.count("RequestDataOnSimObjectType") > 0;
  fake_.clearCalls();
  if (!rangeRequested) return;
  for (const auto& [id, object] : objects_) {
    const double agl = object.altitude - ground.elevationFt;
    const bool onGround = agl <= ground.cgHeightFt + 1.0;
    gf_pushSimResult({id, onGround ? 1 : 0, 0, simResultGroundData, ground.elevationFt, agl});
  }
}

void MotionHarness::lf_checkAircraft(std::int32_t now) {
  for (const auto& ac : traffic.liveList) {
    const AircraftData& head = ac.aircraft;
    const std::uint32_t hexid = head.aircraftInfo.hexid;
    auto object = objects_.find(head.objectId);
    if (head.state != LiveState::Active || object == objects_.end() || ac.feedPoints.empty()) {
      previous_.erase(hexid);
      continue;
    }
    const FeedPoint& target = ac.feedPoints.front();
    const double targetSpeed = target.groundSpeed;
    if (ac.landingRoll) object->second.touchedDown = true;
    if (ac.phase == FlightPhase::TakeOff) object->second.touchedDown = false;
    if (object->second.touchedDown && ac.altitude < ground.elevationFt + ground.cgHeightFt - 1.0)
      lf_violation(now, fmt::format("{} {:.1f} ft below the ground after touchdown", head.aircraftInfo.callsign,
                                    ground.elevationFt + ground.cgHeightFt - ac.altitude));
    const auto last = previous_.find(hexid);
    double legStartSpeed = targetSpeed;
    if (last != previous_.end()) {
      const Previous& p = last->second;
      const bool sameTarget = p.targetLat == target.latitude && p.targetLon == target.longitude;
      legStartSpeed = sameTarget ? p.legStartSpeed : p.targetSpeed;
      const double moved = gf_distanceNm({p.lat, p.lon}, {ac.lat, ac.lon});
      // The leg runs from the point it began at to its target; the speed of either may be
      // the one it is flown at. Reports of a creeping aircraft often say 0 kt: it may creep
      // at the speed it drives into a stand.
      const double speed =
          std::max({legStartSpeed, targetSpeed, std::fabs(ac.reportedTas), head.aircraftInfo.standSpeedKt});
      if (moved > 1.5 * speed / 360000.0 + 1e-7)
        lf_violation(now, fmt::format("{} moved {:.2f} m in a tick at {:.0f} kt ({})", head.aircraftInfo.callsign,
                                      moved * 1852.0, speed, gf_phaseName(ac.phase)));
      const double turned = lf_turn(p.heading, ac.heading);
      const bool ground = lf_onGroundPhase(ac.phase) || ac.curve.inUse();
      const double allowed = ground ? head.aircraftInfo.currentTurnRate : std::fabs(ac.headingRate);
      if (turned > allowed + 1e-9)
        lf_violation(now, fmt::format("{} turned {:.3f} deg in a tick, {:.3f} allowed ({})", head.aircraftInfo.callsign,
                                      turned * radToDeg, allowed * radToDeg, gf_phaseName(ac.phase)));
    }
    previous_[hexid] = {ac.lat, ac.lon, ac.heading, targetSpeed, target.latitude, target.longitude, legStartSpeed};
  }
}

} // namespace motion_harness
