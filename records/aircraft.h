#pragma once
// The three nested records of every aircraft live traffic puts into the simulator: what
// describes it, what live traffic manages of its simulator object, and, for an aircraft the
// feed reports, its position, stream of reported positions and motion.
#include "core/refdata/size_category.h"
#include "core/time.h"
#include "feeds/traffic_data.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

enum class LiveState : std::int32_t {
  Buffer = 0,          // reports are gathered; no simulator object exists or is asked for
  Adding2Sim = 1,      // the creation is queued or sent; the object id is not known yet
  Active = 2,          // the object exists in the simulator
  LiveryRespawn = 3,   // removed to come back with another livery
  RemovingFromSim = 4, // the removal is queued or sent
};

enum class FlightPhase : std::int32_t {
  PushingBack = 0,
  PushedBack = 1,
  Taxi = 2,
  TakeOff = 3,
  Flying = 4,
  Parking = 5,
  Parked = 6,
  Birth = 7,
};

// A quadratic curve in a local flat frame around its origin; a NaN control point means none.
struct CurveSegment {
  double originLat = 0.0; // degrees
  double originLon = 0.0;
  double startParam = 0.0;
  double endNorth = 0.0; // metres from the origin
  double endEast = 0.0;
  double endParam = 1.0;
  double controlEast = std::numeric_limits<double>::quiet_NaN();
  double controlNorth = std::numeric_limits<double>::quiet_NaN();
  bool inUse() const { return controlEast == controlEast && controlNorth == controlNorth; }
};

// The head every aircraft record shares with a traffic report: eight texts and a flag.
struct AircraftHead {
  const std::string& airline;
  const std::string& type;
  const std::string& origin;
  const std::string& destination;
  const std::string& callsign;
  const std::string& coupledCallsign1;
  const std::string& coupledCallsign2;
  const std::string& registration;
  bool flag;
};

inline AircraftHead gf_headOf(const TrafficData& report) {
  return {report.airline,          report.type,         report.origin,
          report.destination,      report.callsign,     report.coupledCallsign1,
          report.coupledCallsign2, report.registration, report.headFlag};
}

struct AircraftInfoData {
  std::string airline; // ICAO airline code
  std::string type;    // ICAO type designator
  std::string origin;
  std::string destination;
  std::string callsign;         // also the simulator's tail number of the object
  std::string coupledCallsign1; // callsign of the stand option this aircraft belongs to
  std::string coupledCallsign2; // the same aircraft's other flight, empty while unknown
  std::string registration;
  bool coupledSearchDone = false;
  double halfSpanNm = 0.0;
  double cgHeightFt = 0.0;    // 0 until the simulator reports it
  double groundPitch = 0.0;   // radians, 0 until the simulator reports it
  double rotationPitch = 0.0; // radians, negative nose up
  double climbPitch = 0.0;    // radians, negative nose up
  double turnRate = 0.0;      // radians per tick
  double currentTurnRate = 0.0;
  double verticalStepFt = 0.0; // feet per tick
  double standSpeedKt = 0.0;
  std::uint32_t hexid = 0; // at most 10000: a static aircraft
  SizeCategory category = SizeCategory::Large;
  // Refers into the livery tables, which are emptied only after every aircraft is gone.
  std::string_view liveryTitle;
  std::int32_t flareTicks = 0;
  std::int32_t touchdownTicks = 0;
  std::int32_t rotationTicks = 0;
  std::int32_t climbTicks = 0;
  bool cargo = false;
  bool fsltlLivery = false;

  AircraftInfoData() = default;
  explicit AircraftInfoData(const AircraftHead& head);
  explicit AircraftInfoData(const TrafficData& report) : AircraftInfoData(gf_headOf(report)) {}
};

struct AircraftData {
  AircraftInfoData aircraftInfo;
  std::int32_t objectId = 0; // 0: no simulator object
  double standLat = 0.0;     // degrees
  double standLon = 0.0;
  double standHeading = 0.0; // radians
  WeekTime parkedSince{0, 0};
  std::int32_t standNumber = 0; // 1..n in the park airport's stand list, 0 = none
  LiveState state = LiveState::Buffer;
  std::int32_t leverStep = 5; // 5: none sent yet
  std::int32_t flapsStep = 4;
  bool cargoStand = false;
  bool removalPending = false;
  bool eraseNow = false;
  bool creationCancelled = false;

  AircraftData() = default;
  AircraftData(AircraftInfoData info, std::int32_t standNumber, double standLat, double standLon, double standHeading,
               bool cargoStand);
};

struct LiveAircraft {
  AircraftData aircraft;
  // Position and attitude in the order of the simulator's position record.
  double lat = 0.0; // degrees
  double lon = 0.0;
  double pitch = 0.0; // radians
  double bank = 0.0;
  double heading = 0.0;
  double altitude = 0.0;      // feet
  double verticalSpeed = 0.0; // feet per second
  double trueAirspeed = 0.0;  // knots
  std::deque<FeedPoint> feedPoints;
  double lastReportTime = 0.0; // seconds
  // The last report was dropped for a speed jump; the next one that agrees with it shows
  // that the speed really changed and becomes the new baseline.
  bool speedDropPending = false;
  double droppedSpeed = 0.0;      // knots
  double droppedReportTime = 0.0; // seconds
  double conflictCheckLat = 0.0;
  double conflictCheckLon = 0.0;
  std::int64_t parkedSinceTime = 0; // 100 ns units
  std::int32_t extensionLeft = 0;
  std::int32_t holdStartTick = 0;
  FlightPhase phase = FlightPhase::Birth;
  FlightPhase previousPhase = FlightPhase::Birth;
  bool standReportSeen = false;
  bool onGround = false;
  bool flightPlanGiven = false;
  bool userProximityHold = false;
  bool holding = false;

  // Motion state: the steps toward the next point and what the phases remember.
  double latStep = 0.0; // degrees per tick
  double lonStep = 0.0;
  double pitchRate = 0.0; // radians per tick
  double bankRate = 0.0;
  double headingRate = 0.0;
  double verticalStep = 0.0; // feet per tick
  double reportedVs = 0.0;   // feet per minute
  double reportedTas = 0.0;  // knots; negated ground speed while pushing back
  CurveSegment curve;
  double curveParam = 0.0;
  double curveParamStep = 0.0;
  double curveTurn = 0.0; // degrees
  FeedPoint pushbackSidePoint;
  double lastParkTryLat = 0.0;
  double lastParkTryLon = 0.0;
  bool lastParkTryWide = false; // the last search there reached 55 m, not 20 m
  std::int32_t maxEarlyTicks = 1000;
  std::int32_t maxLateTicks = 1000;
  // 1 idle; above 1 rotation ticks left; 0 and below ticks since the rotation ended.
  std::int32_t takeOffCountdown = 1;
  std::int32_t pushbackLegs = 0;
  std::int32_t standMovesAway = 0;
  double groundTargetHeading = 0.0; // radians
  double agl = 2500.0;              // feet above the ground
  double touchdownZoneHeight = 0.0;
  double landingHeading = 0.0;
  double pushedBackDistance = 0.0; // nautical miles
  double standFirstDistance = 0.0;
  double standLastDistance = 0.0;
  double groundTurn = 0.0; // degrees still to turn
  std::optional<double> respawnHeading;
  bool pushbackOtherSide = false;
  bool pushbackTurn = false;
  std::optional<double> fieldElevation; // feet
  std::int32_t flareStage = 0;
  bool onApproach = false;
  bool arrivedByLanding = false;
  bool towed = false;
  bool climbOutDone = false;
  bool takingOff = false;
  bool highLightsSet = false;
  bool lowLightsSet = false;
  bool derotating = false;
  bool landingRoll = false;
  bool leavingStand = false;
  bool groundTurnPending = false;

  LiveAircraft() = default;
  LiveAircraft(const FeedPoint& firstReport, AircraftInfoData info, double reportTime);
};

// Per-category constants; angles in radians.
struct CategoryRow {
  double turnRate; // radians per tick
  std::int32_t flareTicks;
  std::int32_t touchdownTicks;
  std::int32_t rotationTicks;
  std::int32_t climbTicks;
  double rotationPitch;
  double climbPitch;
  double verticalStepFt;
  double standSpeedKt;
};
// Throws std::out_of_range for a category outside 0..5.
const CategoryRow& gf_categoryRow(SizeCategory category);

std::string_view gf_categoryName(SizeCategory category);
std::string_view gf_phaseName(FlightPhase phase);
std::string_view gf_stateName(LiveState state);

// The texts that begin log lines about one aircraft.
std::string gf_airlineTypeText(std::string_view airline, std::string_view type);
std::string gf_formatRoute(std::string_view origin, std::string_view destination);
std::string gf_paddedCallsign(std::string_view callsign);
std::string gf_acRouteText(const AircraftInfoData& info);
std::string gf_acLogText(const AircraftInfoData& info);
std::string gf_acShortText(const AircraftInfoData& info);
std::string gf_airlineTypeRegText(const AircraftInfoData& info);
template <typename Record> std::string gf_airlineTypeText(const Record& record) {
  return gf_airlineTypeText(record.airline, record.type);
}
inline std::string gf_acLogText(const AircraftData& ac) { return gf_acLogText(ac.aircraftInfo); }
inline std::string gf_acLogText(const LiveAircraft& ac) { return gf_acLogText(ac.aircraft.aircraftInfo); }
inline std::string gf_acShortText(const AircraftData& ac) { return gf_acShortText(ac.aircraftInfo); }
inline std::string gf_acShortText(const LiveAircraft& ac) { return gf_acShortText(ac.aircraft.aircraftInfo); }

bool gf_hasValidCallsign(const AircraftInfoData& info);
// The airline of an airline callsign: three letters and a digit.
std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign);
bool gf_setOperatorFromCallsign(AircraftInfoData& info);
