#include "airports_fixture.h"

#include "airports/quality.h"

#include <gtest/gtest.h>

using namespace airports_testing;

namespace {
StandData stand() { return StandData("S", {}, 52.3, 4.76, 0.0, 20.0, false, false, false); }
} // namespace

TEST(Quality, FactorsOfTheExamples) {
  EXPECT_EQ(gf_computeQualityFactors({}), (QualityFactors{-1, -1}));
  EXPECT_EQ(gf_computeQualityFactors({stand(), stand()}), (QualityFactors{-1, -1}));
  EXPECT_EQ(gf_formatQualityFactors(gf_computeQualityFactors({})), "  ");

  // One real option on one day over two half-hours: 20 + 10000 + 100 + 4 = 10124.
  StandList one{stand()};
  one[0].options = {makeOption("A", 1, 3, bit(4) | bit(5))};
  EXPECT_EQ(gf_computeQualityFactors(one), (QualityFactors{63, 0}));
  EXPECT_EQ(gf_formatQualityFactors(gf_computeQualityFactors(one)), "63");
  one.push_back(stand());
  EXPECT_EQ(gf_computeQualityFactors(one), (QualityFactors{32, 0}));
  EXPECT_EQ(gf_formatQualityFactors(gf_computeQualityFactors(one)), "32/ 0");

  // Options out of use count for nothing, but are options.
  StandList off{stand()};
  off[0].options = {makeOption("A", 0, 3, bit(4))};
  EXPECT_EQ(gf_computeQualityFactors(off), (QualityFactors{0, 0}));

  // The largest score: 200 options on all seven days over 300 half-hours and more.
  StandList full{stand()};
  for (int k = 0; k < 450; ++k) full[0].options.push_back(makeOption("A", k + 1, k % 7 + 1, ~0ull, k % 2 == 0));
  const auto quality = gf_computeQualityFactors(full);
  EXPECT_EQ(quality, (QualityFactors{99, 99}));

  // Soft options on two days, counted apart from the real ones.
  StandList soft{stand()};
  soft[0].options = {makeOption("A", 1, 1, bit(1), false), makeOption("B", 2, 2, bit(1) | bit(2), false),
                     makeOption("C", 3, 9, bit(1), false)};
  // 60 + 10000 + 200 (day 9 is no weekday) + 8 = 10268 -> 64.175
  EXPECT_EQ(gf_computeQualityFactors(soft), (QualityFactors{0, 64}));
}
