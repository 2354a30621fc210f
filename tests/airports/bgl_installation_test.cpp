// The stand-in installation's scenery read back: every real KLAX and EHAM parking position
// written by the scenery writer comes out of the record walk where it went in.
#include "airports/bgl_records.h"

#include "groundnet.h"
#include "installation.h"
#include "support/test_support.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numbers>

using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

const fs::path standsFolder = fs::path(HVM_DATA_DIR) / "stands";

std::vector<std::uint8_t> readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(BglInstallation, RealParkingPositionsComeBackWhereTheyWent) {
  TempDir root("hvm_install");
  const auto expected = bglwriter::writeInstallationScenery({root / "sim", root / "config", standsFolder});
  ASSERT_EQ(expected.size(), 2u);
  for (const auto& airport : expected) {
    const auto stands = bglwriter::readGroundnet(standsFolder / (airport.code + ".parking.xml"));
    ASSERT_EQ(stands.size(), airport.parkingCount);
    const auto found = gf_readBglAirports(readBytes(airport.bglFile), airport.bglFile.string());
    ASSERT_EQ(found.airports.size(), 1u) << airport.code;
    EXPECT_EQ(found.damaged, 0);
    const auto& got = found.airports[0];
    EXPECT_EQ(got.code, airport.code);
    // Every position is a stand; duplicate names among them got letters.
    ASSERT_EQ(got.stands.size(), stands.size()) << airport.code;
    std::map<std::pair<long long, long long>, const BglStand*> byPosition;
    for (const auto& s : got.stands) byPosition[{std::llround(s.lat * 1e6), std::llround(s.lon * 1e6)}] = &s;
    std::size_t matched = 0;
    for (const auto& real : stands) {
      const auto at = byPosition.find({std::llround(real.lat * 1e6), std::llround(real.lon * 1e6)});
      if (at == byPosition.end()) continue;
      ++matched;
      const auto& s = *at->second;
      EXPECT_NEAR(s.radius * 1852, real.radius, 1e-4) << real.name;
      EXPECT_EQ(s.cargo, real.type == "cargo") << real.name;
      EXPECT_EQ(s.ramp, real.type != "gate") << real.name;
      const auto name = bglwriter::parkingName(real.name);
      EXPECT_EQ(s.name.rfind(lf_parkingNamePrefix(name.nameCode) + std::to_string(name.number), 0), 0u) << real.name;
    }
  }
  EXPECT_EQ(expected[0].code, "KLAX");
  const auto klax = gf_readBglAirports(readBytes(expected[0].bglFile), "k");
  EXPECT_EQ(klax.airports[0].name, "Los Angeles Intl");
  EXPECT_EQ(klax.airports[0].altitude, 125);
  const auto eham = gf_readBglAirports(readBytes(expected[1].bglFile), "e");
  EXPECT_EQ(eham.airports[0].altitude, -11);
}
