#pragma once
// The numbers Hivemoor chooses for its SimConnect conversation: the events it subscribes
// to or transmits, its one notification group, its data definitions and the request ids
// that come back in replies and exceptions.
#include <cstdint>

enum class SimEventId : std::int32_t {
  // System events the link subscribes to.
  Sim = 201,
  ObjectAdded = 202,
  ObjectRemoved = 203,
  Frame = 204,
  PositionChanged = 205,
  FlightLoaded = 206,
  // Client events mapped to the simulator's key events.
  BEACON_LIGHTS_SET = 207,
  NAV_LIGHTS_SET = 208,
  TAXI_LIGHTS_SET = 209,
  STROBES_SET = 210,
  LANDING_LIGHTS_SET = 211,
  CABIN_LIGHTS_SET = 212,
  LOGO_LIGHTS_SET = 213,
  ALL_LIGHTS_TOGGLE = 214,
  FREEZE_LATITUDE_LONGITUDE_SET = 215,
  FREEZE_ALTITUDE_SET = 216,
  FREEZE_ATTITUDE_SET = 217,
  FLAPS_SET = 218,
  SPOILERS_SET = 219,
  GEAR_SET = 220,
  ENGINE_AUTO_START = 221,
  ENGINE_AUTO_SHUTDOWN = 222,
  THROTTLE_SET = 223,
};

// Every client event the program transmits names this group, with flags 0.
inline constexpr std::uint32_t simGroupId = 301;

enum class SimDefinitionId : std::uint32_t {
  AcControls = 401,   // spoilers handle, throttle levers 1 and 2 (percent), written by live traffic
  AcPosition = 402,   // AcPositionData
  UserState = 403,    // UserAcData
  InRange = 404,      // ground data of the aircraft in range
  StaticCg = 405,     // static CG height and pitch of one object
  LightStates = 406,  // defined, never requested
  UserTitle = 407,    // TITLE
  UserModel = 408,    // ATC MODEL
  UserOnGround = 409, // SIM ON GROUND of the user aircraft
  // The ground data of 404, then TITLE, of one newly added object: whether it is ours.
  ObjectIdentity = 410,
};

enum class SimRequestId : std::uint32_t {
  AircraftInRange = 101,
  StaticCg = 102,
  ReleaseControl = 103,
  CreateAircraft = 104,
  RemoveObject = 105,
  UserTitle = 106,
  UserModel = 107,
  UserOnGround = 108,
  UserPosition = 109,
  FlightPlan = 110,
  ObjectIdentity = 111,
};

// Datum types of AddToDataDefinition.
inline constexpr std::uint32_t simDatumInt64 = 2;
inline constexpr std::uint32_t simDatumFloat64 = 4;
inline constexpr std::uint32_t simDatumString32 = 6;
inline constexpr std::uint32_t simDatumStringV = 11;

// Periods of RequestDataOnSimObject.
inline constexpr std::uint32_t simPeriodOnce = 1;
inline constexpr std::uint32_t simPeriodSecond = 4;

inline constexpr std::uint32_t simObjectTypeAircraft = 2;
// The object id that names the user aircraft in requests.
inline constexpr std::uint32_t simUserObject = 0;

template <typename Id> constexpr std::uint32_t gf_simId(Id id) { return static_cast<std::uint32_t>(id); }
