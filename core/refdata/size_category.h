#pragma once
// The size classes of aircraft types; live traffic and the liveries keep tables per class.
#include <cstddef>
#include <cstdint>

enum class SizeCategory : std::int32_t {
  Light = 0,
  Buzjets = 1,
  Large = 2,
  Heavy = 3,
  HighPerf = 4,
  Rotorcraft = 5,
};

inline constexpr std::size_t sizeCategoryCount = 6;

constexpr std::size_t gf_categoryIndex(SizeCategory category) { return static_cast<std::size_t>(category); }
