// Flight plan files: their text, their names and their folder.
#include "traffic/flight_plans.h"
#include "traffic_fixture.h"

#include <filesystem>

using namespace traffic_testing;
namespace fs = std::filesystem;

namespace {

using FlightPlans = TrafficTest;

LiveAircraft lf_aircraft(SizeCategory category, std::string origin, std::string destination) {
  LiveAircraft ac;
  ac.aircraft.aircraftInfo.category = category;
  ac.aircraft.aircraftInfo.origin = std::move(origin);
  ac.aircraft.aircraftInfo.destination = std::move(destination);
  return ac;
}

} // namespace

TEST_F(FlightPlans, AHeavyFliesIfrAndAHelicopterVfr) {
  const fs::path file = flightPlanFolder / gf_flightPlanFileName(123);
  EXPECT_EQ(file.filename(), "123.pln");
  testing_support::writeFile(file, "an old plan of another aircraft, much longer than the new one ...........");
  ASSERT_TRUE(gf_writeFlightPlan(file, lf_aircraft(SizeCategory::Heavy, "EHAM", "KLAX")));
  std::string text = testing_support::readFile(file);
#ifdef _WIN32
  std::erase(text, '\r');
#endif
  EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                  "<FlightPlan.FlightPlan>\n"
                  "<FPType>IFR</FPType>\n"
                  "<DepartureID>EHAM</DepartureID>\n"
                  "<DestinationID>KLAX</DestinationID>\n"
                  "</FlightPlan.FlightPlan>\n"
                  "</SimBase.Document>\n");
  ASSERT_TRUE(gf_writeFlightPlan(file, lf_aircraft(SizeCategory::Rotorcraft, "KLAX", "KSMO")));
  EXPECT_NE(testing_support::readFile(file).find("<FPType>VFR</FPType>"), std::string::npos);
}

TEST_F(FlightPlans, CodesThatAreNoPlainCodesAndUnwritableFilesGiveNoPlan) {
  const fs::path file = flightPlanFolder / "7.pln";
  for (const char* code : {"KL<X", "K&LAX", "KLAX\"", "", "TOOLONGCODE"}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(gf_writeFlightPlan(file, lf_aircraft(SizeCategory::Large, "EHAM", code)));
    EXPECT_FALSE(fs::exists(file));
  }
  EXPECT_FALSE(gf_writeFlightPlan(flightPlanFolder / "no such folder" / "8.pln",
                                  lf_aircraft(SizeCategory::Large, "EHAM", "KLAX")));
}

TEST_F(FlightPlans, TheFolderIsMadeWithTheSettingsFolderAndRemovedWithItsFiles) {
  const fs::path folder = settings.path() / "fresh" / "Hivemoor";
  fs::create_directory(settings.path() / "fresh");
  gf_setSettingsFolder(folder);
  ASSERT_TRUE(gf_createFlightPlanFolder());
  EXPECT_EQ(flightPlanFolder, folder / "orig_dest");
  EXPECT_TRUE(fs::is_directory(folder / "orig_dest"));
  testing_support::writeFile(flightPlanFolder / "1.pln", "x");
  gf_removeFlightPlanFolder();
  EXPECT_FALSE(fs::exists(folder / "orig_dest"));
  EXPECT_TRUE(fs::exists(folder));
}
