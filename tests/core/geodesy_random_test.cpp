#include "core/geodesy.h"
#include "core/random.h"
#include "core/settings/parameters.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <set>
#include <thread>

TEST(Geodesy, Distances) {
  EXPECT_NEAR(gf_distanceNm({0, 0}, {0, 1}), 60.0, 1e-9);
  EXPECT_NEAR(gf_distanceNm({0, 0}, {1, 0}), 60.0, 1e-9);
  EXPECT_EQ(gf_distanceNm({33.94, -118.4}, {33.94, -118.4}), 0.0);
  // KLAX to KJFK, about 2146 nm on this sphere.
  EXPECT_NEAR(gf_distanceNm({33.9425, -118.4081}, {40.6398, -73.7789}), 2146.0, 3.0);
}

TEST(Geodesy, AntipodalPointsAreHalfTheCircumferenceApart) {
  // Half the circumference: 180 degrees of 60 nm. Rounding puts some of these just past
  // the antipode's haversine limit.
  const GeoPosition points[] = {{0, 0}, {-19.9, -179.9}, {5.7, -179.9}, {41.1, -179.9}, {69.3, -179.9}};
  for (const auto& p : points) {
    const GeoPosition opposite{-p.latitude, p.longitude > 0 ? p.longitude - 180 : p.longitude + 180};
    EXPECT_NEAR(gf_distanceNm(p, opposite), 10800.0, 1e-3) << p.latitude << ", " << p.longitude;
  }
}

TEST(Geodesy, BearingsAreInZeroToTwoPi) {
  EXPECT_NEAR(gf_initialBearing({0, 0}, {1, 0}), 0.0, 1e-12);
  EXPECT_NEAR(gf_initialBearing({0, 0}, {0, 1}), std::numbers::pi / 2, 1e-12);
  EXPECT_NEAR(gf_initialBearing({0, 0}, {0, -1}), 3 * std::numbers::pi / 2, 1e-12);
  EXPECT_NEAR(gf_initialBearing({0, 0}, {-1, 0}), std::numbers::pi, 1e-12);
}

TEST(Geodesy, DestinationPointWrapsTheLongitude) {
  const double arcFeet = 0.2 * degToRad / inverseEarthRadiusFt; // about 72913 ft
  const auto end = gf_destinationPoint({0, 179.9}, std::numbers::pi / 2, arcFeet);
  EXPECT_NEAR(end.latitude, 0.0, 1e-9);
  EXPECT_NEAR(end.longitude, -179.9, 1e-9);
  const auto north = gf_destinationPoint({10, 20}, 0, 60 * 6076.115485564304);
  EXPECT_NEAR(north.latitude, 11.0, 1e-3);
  EXPECT_NEAR(north.longitude, 20.0, 1e-9);
}

TEST(Random, IndexAndJitter) {
  EXPECT_EQ(gf_randomIndex(0), 0u);
  EXPECT_EQ(gf_randomIndex(1), 0u);
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 200; ++i) {
    const auto index = gf_randomIndex(5);
    ASSERT_LT(index, 5u);
    seen.insert(index);
  }
  EXPECT_GT(seen.size(), 1u);
  for (int i = 0; i < 20; ++i) {
    const double v = gf_jitter(10, 5);
    EXPECT_TRUE(v == 9.5 || v == 10.5) << v;
  }
  EXPECT_EQ(gf_jitter(10, 0), 10);
  EXPECT_EQ(gf_jitter(10, -5), 10);
}

TEST(Random, EveryThreadHasItsOwnEngine) {
  const std::mt19937* mine = &gf_randomEngine();
  const std::mt19937* other = nullptr;
  std::thread([&] { other = &gf_randomEngine(); }).join();
  EXPECT_NE(mine, other);
  EXPECT_EQ(mine, &gf_randomEngine());
}

TEST(Random, ShuffleKeepsTheEntries) {
  std::vector<std::string> one{"A320"};
  gf_shuffleIfRandom(one);
  EXPECT_EQ(one, std::vector<std::string>{"A320"});
  std::vector<std::string> list{"A", "B", "C", "D", "E", "F"};
  auto sorted = list;
  gf_shuffleIfRandom(list);
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, sorted);
}

TEST(Random, WithRandomOffChoicesAreTheFirstAndDrawNothing) {
  RANDOM.set(false);
  std::mt19937 copy = gf_randomEngine();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(gf_randomIndex(5), 0u);
  std::vector<std::string> list{"C", "B", "A"};
  gf_shuffleIfRandom(list);
  EXPECT_EQ(list, (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(copy, gf_randomEngine()); // the engine did not advance
  RANDOM.set(true);
}
