#include "simlink/registration.h"

#include "simlink/link_state.h"
#include "simlink/sim_calls.h"
#include "simlink/sim_ids.h"

#include <array>

namespace {

struct Datum {
  SimDefinitionId definition;
  const char* name;
  const char* units; // null: none
  std::uint32_t type;
};

using enum SimDefinitionId;

// In the order they are declared: definitions 407, 408, 409, 402, 403, 405, 406, 404, 401, 410.
constexpr std::array datums{
    Datum{UserTitle, "TITLE", nullptr, simDatumStringV},
    Datum{UserModel, "ATC MODEL", nullptr, simDatumString32},
    Datum{UserOnGround, "SIM ON GROUND", "Bool", simDatumInt64},
    Datum{AcPosition, "Plane Latitude", "degree", simDatumFloat64},
    Datum{AcPosition, "Plane Longitude", "degree", simDatumFloat64},
    Datum{AcPosition, "Plane Pitch degrees", "radians", simDatumFloat64},
    Datum{AcPosition, "Plane Bank degrees", "radians", simDatumFloat64},
    Datum{AcPosition, "Plane Heading degrees true", "radians", simDatumFloat64},
    Datum{AcPosition, "Plane Altitude", "feet", simDatumFloat64},
    Datum{AcPosition, "Vertical Speed", "feet per second", simDatumFloat64},
    Datum{AcPosition, "Airspeed True", "knots", simDatumFloat64},
    Datum{UserState, "Plane Latitude", "degree", simDatumFloat64},
    Datum{UserState, "Plane Longitude", "degree", simDatumFloat64},
    Datum{UserState, "Plane Pitch degrees", "radians", simDatumFloat64},
    Datum{UserState, "Plane Bank degrees", "radians", simDatumFloat64},
    Datum{UserState, "Plane Heading degrees true", "radians", simDatumFloat64},
    Datum{UserState, "Plane Altitude", "feet", simDatumFloat64},
    Datum{UserState, "Plane Alt Above Ground", "feet", simDatumFloat64},
    Datum{UserState, "Ground Velocity", "knots", simDatumFloat64},
    Datum{UserState, "ZULU TIME", "Seconds", simDatumInt64},
    Datum{UserState, "ZULU DAY OF YEAR", "Number", simDatumInt64},
    Datum{UserState, "ZULU YEAR", "Number", simDatumInt64},
    Datum{UserState, "LIGHT STATES", "Mask", simDatumInt64},
    Datum{StaticCg, "Static CG to Ground", "feet", simDatumFloat64},
    Datum{StaticCg, "Static Pitch", "radians", simDatumFloat64},
    Datum{LightStates, "Light On States", "Mask", simDatumInt64},
    Datum{InRange, "Plane Alt Above Ground", "feet", simDatumFloat64},
    Datum{InRange, "Ground Altitude", "feet", simDatumFloat64},
    Datum{InRange, "SIM ON GROUND", "Bool", simDatumInt64},
    Datum{InRange, "ATC ID", nullptr, simDatumString32},
    Datum{AcControls, "SPOILERS HANDLE POSITION", "percent", simDatumFloat64},
    Datum{AcControls, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", simDatumFloat64},
    Datum{AcControls, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", simDatumFloat64},
    Datum{ObjectIdentity, "Plane Alt Above Ground", "feet", simDatumFloat64},
    Datum{ObjectIdentity, "Ground Altitude", "feet", simDatumFloat64},
    Datum{ObjectIdentity, "SIM ON GROUND", "Bool", simDatumInt64},
    Datum{ObjectIdentity, "ATC ID", nullptr, simDatumString32},
    Datum{ObjectIdentity, "TITLE", nullptr, simDatumStringV},
};

struct NamedEvent {
  SimEventId id;
  const char* name;
};

constexpr std::array systemEvents{
    NamedEvent{SimEventId::Sim, "Sim"},
    NamedEvent{SimEventId::ObjectAdded, "ObjectAdded"},
    NamedEvent{SimEventId::ObjectRemoved, "ObjectRemoved"},
    NamedEvent{SimEventId::PositionChanged, "PositionChanged"},
    NamedEvent{SimEventId::FlightLoaded, "FlightLoaded"},
    NamedEvent{SimEventId::Frame, "Frame"},
};

constexpr std::array clientEvents{
    NamedEvent{SimEventId::GEAR_SET, "GEAR_SET"},
    NamedEvent{SimEventId::ENGINE_AUTO_START, "ENGINE_AUTO_START"},
    NamedEvent{SimEventId::ENGINE_AUTO_SHUTDOWN, "ENGINE_AUTO_SHUTDOWN"},
    NamedEvent{SimEventId::THROTTLE_SET, "THROTTLE_SET"},
    NamedEvent{SimEventId::FLAPS_SET, "FLAPS_SET"},
    NamedEvent{SimEventId::SPOILERS_SET, "SPOILERS_SET"},
    NamedEvent{SimEventId::NAV_LIGHTS_SET, "NAV_LIGHTS_SET"},
    NamedEvent{SimEventId::BEACON_LIGHTS_SET, "BEACON_LIGHTS_SET"},
    NamedEvent{SimEventId::LANDING_LIGHTS_SET, "LANDING_LIGHTS_SET"},
    NamedEvent{SimEventId::TAXI_LIGHTS_SET, "TAXI_LIGHTS_SET"},
    NamedEvent{SimEventId::STROBES_SET, "STROBES_SET"},
    NamedEvent{SimEventId::LOGO_LIGHTS_SET, "LOGO_LIGHTS_SET"},
    NamedEvent{SimEventId::CABIN_LIGHTS_SET, "CABIN_LIGHTS_SET"},
    NamedEvent{SimEventId::ALL_LIGHTS_TOGGLE, "ALL_LIGHTS_TOGGLE"},
    NamedEvent{SimEventId::FREEZE_LATITUDE_LONGITUDE_SET, "FREEZE_LATITUDE_LONGITUDE_SET"},
    NamedEvent{SimEventId::FREEZE_ALTITUDE_SET, "FREEZE_ALTITUDE_SET"},
    NamedEvent{SimEventId::FREEZE_ATTITUDE_SET, "FREEZE_ATTITUDE_SET"},
};

// ENGINE_AUTO_START is mapped but not a member: the group does not need it to transmit it.
constexpr std::array groupMembers{
    SimEventId::NAV_LIGHTS_SET,
    SimEventId::BEACON_LIGHTS_SET,
    SimEventId::LANDING_LIGHTS_SET,
    SimEventId::TAXI_LIGHTS_SET,
    SimEventId::STROBES_SET,
    SimEventId::LOGO_LIGHTS_SET,
    SimEventId::CABIN_LIGHTS_SET,
    SimEventId::ALL_LIGHTS_TOGGLE,
    SimEventId::FLAPS_SET,
    SimEventId::SPOILERS_SET,
    SimEventId::GEAR_SET,
    SimEventId::ENGINE_AUTO_SHUTDOWN,
    SimEventId::THROTTLE_SET,
    SimEventId::FREEZE_LATITUDE_LONGITUDE_SET,
    SimEventId::FREEZE_ALTITUDE_SET,
    SimEventId::FREEZE_ATTITUDE_SET,
};

// The highest priority of a notification group.
constexpr std::uint32_t highestPriority = 1;

void lf_addToNotificationGroup(SimConnectClient* handle, SimEventId event) {
  simCalls.SimConnect_AddClientEventToNotificationGroup(handle, simGroupId, gf_simId(event), true);
}

} // namespace

void gf_registerSimData() noexcept {
  SimConnectClient* handle = simLinkState.simConnectHandle.load();
  for (const auto& e : systemEvents) simCalls.SimConnect_SubscribeToSystemEvent(handle, gf_simId(e.id), e.name);
  for (const auto& d : datums)
    simCalls.SimConnect_AddToDataDefinition(handle, gf_simId(d.definition), d.name, d.units, d.type, 0.0f,
                                            simconnectUnusedDatumId);
  for (const auto& e : clientEvents) simCalls.SimConnect_MapClientEventToSimEvent(handle, gf_simId(e.id), e.name);
  for (const SimEventId e : groupMembers) lf_addToNotificationGroup(handle, e);
  simCalls.SimConnect_SetNotificationGroupPriority(handle, simGroupId, highestPriority);
}
