// Flaps, levers and the parked state of one aircraft, as client events.
#include "traffic/aircraft_controls.h"
#include "traffic_fixture.h"

using namespace traffic_testing;

namespace {

using AircraftControls = TrafficTest;

AircraftData lf_aircraft(SizeCategory category = SizeCategory::Large) {
  AircraftData ac;
  ac.objectId = 1001;
  ac.aircraftInfo.category = category;
  return ac;
}

} // namespace

TEST_F(AircraftControls, OnlyChangedStepsAreSent) {
  AircraftData ac = lf_aircraft();
  gf_setFlaps(ac, 0); // the first step is 4: 0 is a change
  gf_setFlaps(ac, 0);
  gf_setFlaps(ac, 3);
  gf_setFlaps(ac, 7);
  gf_setLever(ac, 5); // the first step is 5: nothing
  gf_setLever(ac, 2);
  gf_setLever(ac, 5); // stored, nothing sent, and 2 is a change again
  gf_setLever(ac, 2);
  gf_setLever(ac, 4);
  const std::vector<ClientEventData> expected{{1001, SimEventId::FLAPS_SET, 0},
                                              {1001, SimEventId::FLAPS_SET, 16383},
                                              {1001, SimEventId::THROTTLE_SET, 8191},
                                              {1001, SimEventId::THROTTLE_SET, 8191},
                                              {1001, SimEventId::THROTTLE_SET, 16383}};
  EXPECT_EQ(eventsSent(), expected);
  EXPECT_EQ(ac.flapsStep, 3);
  EXPECT_TRUE(log.contains("gf_setFlaps: invalid flaps index"));

  AircraftData heli = lf_aircraft(SizeCategory::Rotorcraft);
  clearSent();
  gf_setFlaps(heli, 1);
  EXPECT_TRUE(eventsSent().empty());
  EXPECT_EQ(heli.flapsStep, 4);
}

TEST_F(AircraftControls, ParkedStateShutsDownAndSetsTheLights) {
  AircraftData ac = lf_aircraft();
  ac.leverStep = 0;
  ac.flapsStep = 0;
  NAV_LIGHTS_WHILE_PARKED.set(false);
  gf_setParkedState(ac);
  const std::vector<ClientEventData> expected{
      {1001, SimEventId::ENGINE_AUTO_SHUTDOWN, 0}, {1001, SimEventId::NAV_LIGHTS_SET, 0},
      {1001, SimEventId::BEACON_LIGHTS_SET, 0},    {1001, SimEventId::LANDING_LIGHTS_SET, 0},
      {1001, SimEventId::TAXI_LIGHTS_SET, 0},      {1001, SimEventId::STROBES_SET, 0},
      {1001, SimEventId::LOGO_LIGHTS_SET, 1},      {1001, SimEventId::CABIN_LIGHTS_SET, 1}};
  EXPECT_EQ(eventsSent(), expected);

  // At a cargo stand the cabin stays dark, RANDOM or not; with the lever up it comes down.
  RANDOM.set(true);
  for (int i = 0; i < 20; ++i) {
    clearSent();
    AircraftData cargo = lf_aircraft();
    cargo.cargoStand = true;
    cargo.leverStep = 3;
    gf_setParkedState(cargo);
    const auto events = eventsSent();
    EXPECT_EQ(events.front(), (ClientEventData{1001, SimEventId::THROTTLE_SET, 0}));
    EXPECT_EQ(events.back(), (ClientEventData{1001, SimEventId::CABIN_LIGHTS_SET, 0}));
    EXPECT_EQ(cargo.leverStep, 0);
  }
}
