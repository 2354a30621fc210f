#include "core/random.h"

#include <algorithm>

std::mt19937& gf_randomEngine() {
  thread_local std::mt19937 engine{std::random_device{}()};
  return engine;
}

std::uint64_t gf_randomIndex(std::int64_t n) {
  if (!gf_randomOn() || n < 2) return 0;
  return gf_randomEngine()() % static_cast<std::uint64_t>(n);
}

void gf_shuffleIfRandom(std::vector<std::string>& list) {
  if (!gf_randomOn() || list.size() < 2) return;
  std::shuffle(list.begin(), list.end(), gf_randomEngine());
}

double gf_jitter(double value, double percent) {
  const double sign = (gf_randomEngine()() & 1u) ? -1.0 : 1.0;
  if (percent > 0) return value + sign * value * percent / 100.0;
  return value;
}
