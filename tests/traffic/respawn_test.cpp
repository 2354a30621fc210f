// Reports of known aircraft: what they may change of an aircraft, which are refused, and when
// an aircraft is created again with its new identity.
#include "airports/park_airport.h"
#include "liveries/regcodes.h"
#include "traffic/motion/respawn.h"
#include "traffic_fixture.h"

#include <functional>

using namespace traffic_testing;

namespace {

class Respawn : public TrafficTest {
protected:
  Respawn() { GUID_CHANGES.set(true); }
  ~Respawn() override {
    RegcodeMap.clear();
    currentParkAirport = {};
    GUID_CHANGES.set(true);
  }

  // An active aircraft taxiing at Los Angeles as AAL123, and a report that repeats it.
  LiveAircraft& taxiing() {
    LiveAircraft& ac = active(firstHexid, 1001, 0.0);
    AircraftInfoData& info = ac.aircraft.aircraftInfo;
    info.callsign = "AAL123";
    info.coupledCallsign1 = "AAL123";
    info.airline = "AAL";
    info.type = "B738";
    ac.onGround = true;
    ac.phase = FlightPhase::Taxi;
    ac.previousPhase = FlightPhase::Parked;
    ac.heading = 1.25;
    traffic.hexidTitleMap[firstHexid] = "Boeing 737-800 Test";
    return ac;
  }
  std::size_t linesWith(std::string_view text) const {
    const auto lines = log.lines();
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [text](const std::string& l) { return l.find(text) != l.npos; }));
  }
  static TrafficData repeat(const LiveAircraft& ac) {
    Report r;
    r.callsign = ac.aircraft.aircraftInfo.callsign;
    r.registration = ac.aircraft.aircraftInfo.registration;
    r.origin = ac.aircraft.aircraftInfo.origin;
    r.destination = ac.aircraft.aircraftInfo.destination;
    r.altitude = 0;
    r.groundSpeed = 12;
    return r.data();
  }
};

} // namespace

TEST_F(Respawn, ReportsAreMergedRefusedOrRespawnTheAircraft) {
  struct Case {
    const char* name;
    std::function<void(LiveAircraft&, TrafficData&)> arrange;
    bool mergedWithRespawns;    // GUID_CHANGES set
    bool respawns;              // GUID_CHANGES set: the aircraft goes to come back
    bool mergedWithoutRespawns; // GUID_CHANGES off
  };
  const Case cases[] = {
      {"nothing new", [](LiveAircraft&, TrafficData&) {}, true, false, true},
      {"new callsign", [](LiveAircraft&, TrafficData& r) { r.callsign = "DAL9"; }, false, true, true},
      {"new callsign during the take-off run",
       [](LiveAircraft& l, TrafficData& r) {
         l.takingOff = true;
         r.callsign = "DAL9";
       },
       true, false, true},
      {"new route on approach",
       [](LiveAircraft& l, TrafficData& r) {
         l.onApproach = true;
         r.destination = "KJFK";
       },
       true, false, true},
      {"new callsign while pushing back",
       [](LiveAircraft& l, TrafficData& r) {
         l.phase = FlightPhase::PushingBack;
         r.callsign = "DAL9";
       },
       true, false, true},
      {"new callsign while its stream is predicted",
       [](LiveAircraft& l, TrafficData& r) {
         l.extensionLeft = 3;
         r.callsign = "DAL9";
       },
       true, false, true},
      {"new callsign while it is being created",
       [](LiveAircraft& l, TrafficData& r) {
         l.aircraft.state = LiveState::Adding2Sim;
         r.callsign = "DAL9";
       },
       true, false, true},
      {"destination filled in", [](LiveAircraft&, TrafficData& r) { r.destination = "KJFK"; }, false, true, true},
      {"route changed",
       [](LiveAircraft& l, TrafficData& r) {
         l.aircraft.aircraftInfo.origin = "KLAX";
         l.aircraft.aircraftInfo.destination = "KJFK";
         r.origin = "KSFO";
         r.destination = "KDEN";
       },
       false, true, true},
      {"only the origin differs",
       [](LiveAircraft& l, TrafficData& r) {
         l.aircraft.aircraftInfo.origin = "KLAX";
         l.aircraft.aircraftInfo.destination = "KJFK";
         r.origin = "KSFO";
         r.destination = "KJFK";
       },
       true, false, true},
      {"the way back to the park airport",
       [](LiveAircraft& l, TrafficData& r) {
         currentParkAirport.iata = "LAX";
         l.aircraft.aircraftInfo.origin = "LAX";
         l.aircraft.aircraftInfo.destination = "JFK";
         r.origin = "JFK";
         r.destination = "LAX";
       },
       true, false, true},
      {"callsign is its registration",
       [](LiveAircraft& l, TrafficData& r) {
         l.aircraft.aircraftInfo.registration = "N12345";
         r.registration = "N12345";
         r.callsign = "N12345";
       },
       true, false, true},
      {"callsign of a live aircraft with '_'",
       [](LiveAircraft&, TrafficData& r) {
         active(firstHexid + 1, 1002, 5.0).aircraft.aircraftInfo.callsign = "UAL5";
         r.callsign = "UAL5_";
       },
       false, false, false},
      {"callsign with '_' of an aircraft being removed",
       [](LiveAircraft&, TrafficData& r) {
         LiveAircraft& other = active(firstHexid + 1, 1002, 5.0);
         other.aircraft.aircraftInfo.callsign = "UAL5";
         other.aircraft.state = LiveState::RemovingFromSim;
         r.callsign = "UAL5_";
       },
       false, true, true},
      {"registration with a livery of its own",
       [](LiveAircraft&, TrafficData& r) {
         RegcodeMap["N12345"] = "Boeing 737-800 N12345";
         r.registration = "N12345";
       },
       false, true, true},
      {"registration whose livery it wears",
       [](LiveAircraft&, TrafficData& r) {
         RegcodeMap["N12345"] = "Boeing 737-800 Test";
         r.registration = "N12345";
       },
       true, false, true},
  };
  for (const Case& c : cases) {
    for (const bool respawns : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.name << (respawns ? ", respawns on" : ", respawns off"));
      traffic.liveList.clear();
      RegcodeMap.clear();
      currentParkAirport = {};
      const std::size_t respawnLines = linesWith(" respawns");
      GUID_CHANGES.set(respawns);
      LiveAircraft& l = taxiing();
      TrafficData r = repeat(l);
      c.arrange(l, r);
      LiveAircraft& ac = *live();
      EXPECT_EQ(lf_acceptReport(ac, r), respawns ? c.mergedWithRespawns : c.mergedWithoutRespawns);
      EXPECT_EQ(linesWith(" respawns") - respawnLines, respawns && c.respawns ? 1u : 0u);
    }
  }
}

TEST_F(Respawn, TheRespawnLineNamesTheNewIdentity) {
  LiveAircraft& ac = taxiing();
  TrafficData r = repeat(ac);
  r.callsign = "DAL9";
  r.origin = "KLAX";
  r.destination = "KATL";
  EXPECT_FALSE(lf_acceptReport(ac, r));
  EXPECT_TRUE(log.contains("          " + gf_acRouteText(ac.aircraft.aircraftInfo) + " respawns"));
  EXPECT_EQ(ac.aircraft.aircraftInfo.destination, "KATL");
  // A callsign change keeps the livery and the phase: it comes back as it was.
  EXPECT_EQ(ac.aircraft.aircraftInfo.liveryTitle, "Boeing 737-800 Test");
  EXPECT_EQ(ac.phase, FlightPhase::Taxi);
  EXPECT_EQ(ac.aircraft.state, LiveState::LiveryRespawn);
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1001}));

  LOG.set(false);
  traffic.liveList.clear();
  LiveAircraft& quiet = taxiing();
  r.callsign = "DAL10";
  EXPECT_FALSE(lf_acceptReport(quiet, r));
  EXPECT_EQ(quiet.aircraft.state, LiveState::LiveryRespawn);
  EXPECT_EQ(linesWith(" respawns"), 1u);
  LOG.set(true);
}

TEST_F(Respawn, ANewCallsignIsTakenWithItsCouplingAndTheGhostGivesWay) {
  LiveAircraft& ghost = active(firstHexid + 1, 1002, 5.0);
  ghost.aircraft.aircraftInfo.callsign = "DAL9_";
  LiveAircraft& ac = taxiing();
  ac.aircraft.aircraftInfo.coupledCallsign2 = "AAL124";
  TrafficData r = repeat(ac);
  r.callsign = "DAL9";
  GUID_CHANGES.set(false);
  EXPECT_TRUE(lf_acceptReport(ac, r));
  const AircraftInfoData& info = live()->aircraft.aircraftInfo;
  EXPECT_EQ(info.callsign, "DAL9");
  EXPECT_EQ(info.coupledCallsign1, "DAL9");
  EXPECT_EQ(info.coupledCallsign2, "");
  EXPECT_EQ(live(firstHexid + 1)->aircraft.state, LiveState::RemovingFromSim);
  EXPECT_EQ(traffic.ghostList, (GhostList{"DAL9_"}));
  EXPECT_EQ(traffic.removeBacklog, (RemoveBacklog{1002}));

  // The ghost itself reported under its plain callsign is no ghost of its own: it only
  // takes the callsign.
  traffic.ghostList.clear();
  traffic.removeBacklog.clear();
  LiveAircraft& renamed = active(firstHexid + 2, 1003, 8.0);
  renamed.aircraft.aircraftInfo.callsign = "UAL7_";
  r.callsign = "UAL7";
  EXPECT_TRUE(lf_acceptReport(renamed, r));
  EXPECT_EQ(renamed.aircraft.state, LiveState::Active);
  EXPECT_EQ(renamed.aircraft.aircraftInfo.callsign, "UAL7");
  EXPECT_TRUE(traffic.ghostList.empty());
  EXPECT_TRUE(traffic.removeBacklog.empty());

  // A refused report changes nothing.
  r.callsign = "DAL9_";
  EXPECT_FALSE(lf_acceptReport(renamed, r));
  EXPECT_EQ(renamed.aircraft.aircraftInfo.callsign, "UAL7");
}

TEST_F(Respawn, ABufferedAircraftTakesWhatTheReportHas) {
  Report first;
  first.origin = "KLAX";
  first.registration = "N12345";
  LiveAircraft& ac = buffered(first);
  Report next = first;
  next.callsign = "AAL124";
  next.registration = "";
  next.origin = "";
  next.destination = "KJFK";
  TrafficData r = next.data();
  EXPECT_TRUE(lf_acceptReport(ac, r));
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  EXPECT_EQ(info.callsign, "AAL124");
  EXPECT_EQ(info.registration, "N12345");
  EXPECT_EQ(info.origin, "KLAX");
  EXPECT_EQ(info.destination, "KJFK");
  EXPECT_EQ(ac.aircraft.state, LiveState::Buffer);
}

TEST_F(Respawn, ANewRouteSendsAnAircraftOnTheGroundBackToTaxiing) {
  struct Case {
    FlightPhase phase;
    bool onGround;
    FlightPhase phaseAfter, previousAfter;
  };
  for (const Case& c : {Case{FlightPhase::PushedBack, true, FlightPhase::Taxi, FlightPhase::PushedBack},
                        Case{FlightPhase::Taxi, true, FlightPhase::Taxi, FlightPhase::Parked},
                        Case{FlightPhase::Parked, true, FlightPhase::Parked, FlightPhase::Parked},
                        Case{FlightPhase::Parking, true, FlightPhase::Parking, FlightPhase::Parked},
                        Case{FlightPhase::Flying, false, FlightPhase::Flying, FlightPhase::Parked}}) {
    SCOPED_TRACE(gf_phaseName(c.phase));
    traffic.liveList.clear();
    LiveAircraft& ac = taxiing();
    ac.phase = c.phase;
    ac.onGround = c.onGround;
    ac.groundTargetHeading = 0.5;
    ac.aircraft.aircraftInfo.origin = "KLAX";
    ac.aircraft.aircraftInfo.destination = "KJFK";
    TrafficData r = repeat(ac);
    r.origin = "KSFO";
    r.destination = "KDEN";
    EXPECT_FALSE(lf_routeUnchanged(ac, r));
    EXPECT_EQ(ac.aircraft.aircraftInfo.origin, "KSFO");
    EXPECT_EQ(ac.aircraft.aircraftInfo.destination, "KDEN");
    EXPECT_EQ(ac.phase, c.phaseAfter);
    EXPECT_EQ(ac.previousPhase, c.previousAfter);
    EXPECT_EQ(ac.groundTargetHeading, c.phaseAfter == FlightPhase::Taxi ? ac.heading : 0.5);
  }
}

TEST_F(Respawn, RegistrationsThatCallForAnotherAirlineOrLivery) {
  // Reference: N12345 AAL B738; PH-BFA KLM B744 operated by MPH; N999ZZ an A320 without airline.
  struct Case {
    const char* name;
    std::string registration, callsign, airline;
    std::string reportRegistration, reportCallsign;
    const char* regcodeTitle; // for the report's registration, null when none
    bool unchanged;
    std::string airlineAfter, typeAfter;
  };
  const Case cases[] = {
      {"no registration reported", "N12345", "AAL123", "AAL", "", "AAL123", nullptr, true, "AAL", "B738"},
      {"the same registration", "N12345", "AAL123", "AAL", "N12345", "AAL123", nullptr, true, "AAL", "B738"},
      {"first registration with a livery of its own", "", "AAL123", "UAL", "N12345", "AAL123", "Other 737", false,
       "AAL", "B738"},
      {"first registration whose livery it wears", "", "AAL123", "UAL", "N12345", "AAL123", "Boeing 737-800 Test", true,
       "UAL", "B738"},
      {"first registration of another operator", "", "AAL123", "UAL", "PH-BFA", "AAL123", nullptr, false, "MPH",
       "B744"},
      {"first registration its operator flies", "", "AAL123", "MPH", "PH-BFA", "AAL123", nullptr, true, "MPH", "B738"},
      {"first registration, unknown", "", "AAL123", "UAL", "N1", "AAL123", nullptr, true, "UAL", "B738"},
      {"registration as callsign, another one", "N999ZZ", "N999ZZ", "UAL", "N12345", "N999ZZ", nullptr, false, "AAL",
       "B738"},
      {"another owner named by the callsign", "N999ZZ", "UAL5", "UAL", "PH-BFA", "KLM123", nullptr, false, "MPH",
       "B744"},
      {"another owner, operator named by the callsign", "N999ZZ", "UAL5", "UAL", "PH-BFA", "MPH123", nullptr, false,
       "MPH", "B744"},
      {"another owner the callsign does not name", "N999ZZ", "UAL5", "UAL", "PH-BFA", "DAL123", nullptr, true, "UAL",
       "B738"},
      {"another owner, callsign without airline", "N999ZZ", "UAL5", "UAL", "PH-BFA", "N999", nullptr, true, "UAL",
       "B738"},
      {"another registration, same airline and type", "N999ZZ", "UAL5", "AAL", "N12345", "AAL123", nullptr, true, "AAL",
       "B738"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    RegcodeMap.clear();
    LiveAircraft& ac = taxiing();
    AircraftInfoData& info = ac.aircraft.aircraftInfo;
    info.registration = c.registration;
    info.callsign = c.callsign;
    info.airline = c.airline;
    if (c.regcodeTitle) RegcodeMap[c.reportRegistration] = c.regcodeTitle;
    TrafficData r = repeat(ac);
    r.registration = c.reportRegistration;
    r.callsign = c.reportCallsign;
    EXPECT_EQ(lf_registrationUnchanged(ac, r), c.unchanged);
    EXPECT_EQ(info.airline, c.airlineAfter);
    EXPECT_EQ(info.type, c.typeAfter);
    EXPECT_EQ(info.registration, c.reportRegistration.empty() ? c.registration : c.reportRegistration);
    // The livery is forgotten exactly when the registration calls for another one.
    EXPECT_EQ(info.liveryTitle.empty(), !c.unchanged);
    EXPECT_EQ(traffic.hexidTitleMap.contains(firstHexid), c.unchanged);
  }
}

TEST_F(Respawn, ANewLiveryIsChosenOnlyWhenTheAircraftIsCreatedAgain) {
  // Created again: back to its birth without a title, so that the spawn chooses both anew.
  LiveAircraft& ac = taxiing();
  TrafficData r = repeat(ac);
  r.registration = "PH-BFA";
  EXPECT_FALSE(lf_acceptReport(ac, r));
  EXPECT_EQ(ac.aircraft.aircraftInfo.airline, "MPH");
  EXPECT_EQ(ac.aircraft.aircraftInfo.liveryTitle, "");
  EXPECT_EQ(ac.phase, FlightPhase::Birth);
  EXPECT_EQ(ac.previousPhase, FlightPhase::Taxi);
  EXPECT_FALSE(traffic.hexidTitleMap.contains(firstHexid));

  // Kept in the simulator: the new identity is recorded, but the object shows what it shows
  // and moves on as it moved, on the ground in its phase.
  traffic.liveList.clear();
  GUID_CHANGES.set(false);
  LiveAircraft& kept = taxiing();
  EXPECT_TRUE(lf_acceptReport(kept, r));
  EXPECT_EQ(kept.aircraft.aircraftInfo.airline, "MPH");
  EXPECT_EQ(kept.aircraft.aircraftInfo.type, "B744");
  EXPECT_EQ(kept.aircraft.aircraftInfo.registration, "PH-BFA");
  EXPECT_EQ(kept.aircraft.aircraftInfo.liveryTitle, "Boeing 737-800 Test");
  EXPECT_EQ(kept.phase, FlightPhase::Taxi);
  EXPECT_EQ(kept.previousPhase, FlightPhase::Parked);
  // Should it leave and come back, it is matched again.
  EXPECT_FALSE(traffic.hexidTitleMap.contains(firstHexid));
}
