#pragma once
// Random choices, each thread with its own engine. The RANDOM setting switches the
// index and shuffle choices on; gf_jitter always varies.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

// The calling thread's engine, seeded once from the platform's random device.
std::mt19937& gf_randomEngine();
bool gf_randomOn();
std::uint64_t gf_randomIndex(std::int64_t n);
void gf_shuffleIfRandom(std::vector<std::string>& list);
double gf_jitter(double value, double percent);
