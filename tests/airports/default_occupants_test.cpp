#include "airports_fixture.h"

#include "airports/default_occupants.h"
#include "core/random.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace airports_testing;

namespace {

StandData stand(double radiusMetres, bool cargo = false, bool ramp = false, bool heli = false) {
  return StandData("S", {}, 52.3, 4.76, 0.0, radiusMetres, cargo, ramp, heli);
}

std::vector<std::string> pairs(const StandList& stands) {
  std::vector<std::string> result;
  for (const auto& s : stands)
    result.push_back(s.options.empty() ? "-" : s.options.back().airline + " " + s.options.back().type);
  return result;
}

} // namespace

TEST(DefaultOccupants, FirstFittingPairByKindAndRegion) {
  ReferenceData reference;
  AirportSettingsGuard settings;
  RANDOM.set(false);
  // 24 m fits an A320 (17.9 m half span) and a B752 (19.05 m); 5 m fits a C172 (5.5 m);
  // 3 m fits nothing at all.
  StandList stands{stand(3.0, false, false, true), stand(24.0, true), stand(3.0, true),
                   stand(5.0, false, true),        stand(24.0),       stand(3.0)};
  gf_addDefaultOccupants(stands, "EHAM", {3, 20});
  EXPECT_EQ(pairs(stands), (std::vector<std::string>{"PVT EC35", "FDX B752", "-", "PVT C172", "SAS A320", "-"}));
  const StandOptionData expected{"PVT", "EC35", "REGFAKE1", "FAKE1", "", bit(20), 1, 3, 1, false};
  EXPECT_EQ(stands[0].options[0], expected);
  // The counter skips the stands that got nothing.
  EXPECT_EQ(stands[1].options[0].callsign, "FAKE2");
  EXPECT_EQ(stands[3].options[0].callsign, "FAKE3");
  EXPECT_EQ(stands[4].options[0].registration, "REGFAKE4");

  // A region without a table: ZZZ B738 on every plain stand, even one too small for it.
  StandList elsewhere{stand(3.0), stand(24.0)};
  gf_addDefaultOccupants(elsewhere, "LFPG", {3, 20});
  EXPECT_EQ(pairs(elsewhere), (std::vector<std::string>{"ZZZ B738", "ZZZ B738"}));
  StandList usa{stand(24.0)};
  gf_addDefaultOccupants(usa, "KLAX", {3, 20});
  EXPECT_EQ(pairs(usa), std::vector<std::string>{"FFT A320"});
}

TEST(DefaultOccupants, NumberAfterTheHighestAndRandomChoice) {
  ReferenceData reference;
  AirportSettingsGuard settings;
  RANDOM.set(false);
  StandList stands{stand(24.0)};
  stands[0].options = {makeOption("A", 3, 1, bit(1)), makeOption("B", 1, 1, bit(1)), makeOption("C", 2, 1, bit(1))};
  gf_addDefaultOccupants(stands, "EHAM", {1, 2});
  EXPECT_EQ(stands[0].options.back().number, 4);

  // With RANDOM on the choice comes from the thread's engine; a seeded engine repeats it.
  RANDOM.set(true);
  const auto choose = [](unsigned seed) {
    gf_randomEngine().seed(seed);
    StandList many(40, stand(24.0));
    gf_addDefaultOccupants(many, "EHAM", {1, 2});
    return pairs(many);
  };
  const auto first = choose(7);
  EXPECT_EQ(choose(7), first);
  std::set<std::string> chosen(first.begin(), first.end());
  EXPECT_EQ(chosen, (std::set<std::string>{"SAS A320", "EZY A320", "RYR B738", "DLH A320", "KLM B738", "BAW A21N"}));
}

TEST(DefaultOccupants, NoValidHalfHourChangesNothing) {
  ReferenceData reference;
  StandList stands{stand(24.0)};
  EXPECT_THROW(gf_addDefaultOccupants(stands, "EHAM", {-1, -1}), std::out_of_range);
  EXPECT_TRUE(stands[0].options.empty());
}
