#pragma once
// The declarations the link makes after every successful open, in their order, as the
// native test sees them in the fake's calls and the Wine test in the stand-in's record:
// the operation, its integer arguments and its texts.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace registration_table {

struct Expected {
  const char* op;
  std::vector<std::uint32_t> values;
  std::vector<std::string> texts;
};

inline std::vector<Expected> expectedRegistration() {
  std::vector<Expected> e;
  for (const auto& [id, name] : std::vector<std::pair<std::uint32_t, const char*>>{{201, "Sim"},
                                                                                   {202, "ObjectAdded"},
                                                                                   {203, "ObjectRemoved"},
                                                                                   {205, "PositionChanged"},
                                                                                   {206, "FlightLoaded"},
                                                                                   {204, "Frame"}})
    e.push_back({"SubscribeToSystemEvent", {id}, {name}});
  auto datum = [&](std::uint32_t definition, const char* name, const char* units, std::uint32_t type) {
    e.push_back({"AddToDataDefinition", {definition, type, 0xFFFFFFFF}, {name, units}});
  };
  datum(407, "TITLE", "", 11);
  datum(408, "ATC MODEL", "", 6);
  datum(409, "SIM ON GROUND", "Bool", 2);
  const std::vector<std::pair<const char*, const char*>> position{{"Plane Latitude", "degree"},
                                                                  {"Plane Longitude", "degree"},
                                                                  {"Plane Pitch degrees", "radians"},
                                                                  {"Plane Bank degrees", "radians"},
                                                                  {"Plane Heading degrees true", "radians"},
                                                                  {"Plane Altitude", "feet"},
                                                                  {"Vertical Speed", "feet per second"},
                                                                  {"Airspeed True", "knots"}};
  for (const auto& [name, units] : position) datum(402, name, units, 4);
  for (std::size_t i = 0; i < 6; ++i) datum(403, position[i].first, position[i].second, 4);
  datum(403, "Plane Alt Above Ground", "feet", 4);
  datum(403, "Ground Velocity", "knots", 4);
  datum(403, "ZULU TIME", "Seconds", 2);
  datum(403, "ZULU DAY OF YEAR", "Number", 2);
  datum(403, "ZULU YEAR", "Number", 2);
  datum(403, "LIGHT STATES", "Mask", 2);
  datum(405, "Static CG to Ground", "feet", 4);
  datum(405, "Static Pitch", "radians", 4);
  datum(406, "Light On States", "Mask", 2);
  datum(404, "Plane Alt Above Ground", "feet", 4);
  datum(404, "Ground Altitude", "feet", 4);
  datum(404, "SIM ON GROUND", "Bool", 2);
  datum(404, "ATC ID", "", 6);
  datum(401, "SPOILERS HANDLE POSITION", "percent", 4);
  datum(401, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", 4);
  datum(401, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", 4);
  datum(410, "Plane Alt Above Ground", "feet", 4);
  datum(410, "Ground Altitude", "feet", 4);
  datum(410, "SIM ON GROUND", "Bool", 2);
  datum(410, "ATC ID", "", 6);
  datum(410, "TITLE", "", 11);
  for (const auto& [id, name] :
       std::vector<std::pair<std::uint32_t, const char*>>{{220, "GEAR_SET"},
                                                          {221, "ENGINE_AUTO_START"},
                                                          {222, "ENGINE_AUTO_SHUTDOWN"},
                                                          {223, "THROTTLE_SET"},
                                                          {218, "FLAPS_SET"},
                                                          {219, "SPOILERS_SET"},
                                                          {208, "NAV_LIGHTS_SET"},
                                                          {207, "BEACON_LIGHTS_SET"},
                                                          {211, "LANDING_LIGHTS_SET"},
                                                          {209, "TAXI_LIGHTS_SET"},
                                                          {210, "STROBES_SET"},
                                                          {213, "LOGO_LIGHTS_SET"},
                                                          {212, "CABIN_LIGHTS_SET"},
                                                          {214, "ALL_LIGHTS_TOGGLE"},
                                                          {215, "FREEZE_LATITUDE_LONGITUDE_SET"},
                                                          {216, "FREEZE_ALTITUDE_SET"},
                                                          {217, "FREEZE_ATTITUDE_SET"}})
    e.push_back({"MapClientEventToSimEvent", {id}, {name}});
  for (const std::uint32_t id : {208, 207, 211, 209, 210, 213, 212, 214, 218, 219, 220, 222, 223, 215, 216, 217})
    e.push_back({"AddClientEventToNotificationGroup", {301, id, 1}, {}});
  e.push_back({"SetNotificationGroupPriority", {301, 1}, {}});
  return e;
}

} // namespace registration_table
