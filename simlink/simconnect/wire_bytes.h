#pragma once
// Little-endian fields in byte buffers, whatever the host's byte order and alignment.
#include <bit>
#include <cstdint>
#include <cstring>

inline void gf_putU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t gf_getU32(const std::uint8_t* at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
  return value;
}

inline void gf_putU64(std::uint8_t* at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint64_t gf_getU64(const std::uint8_t* at) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
  return value;
}

inline void gf_putF32(std::uint8_t* at, float value) { gf_putU32(at, std::bit_cast<std::uint32_t>(value)); }
inline void gf_putF64(std::uint8_t* at, double value) { gf_putU64(at, std::bit_cast<std::uint64_t>(value)); }
inline float gf_getF32(const std::uint8_t* at) { return std::bit_cast<float>(gf_getU32(at)); }
inline double gf_getF64(const std::uint8_t* at) { return std::bit_cast<double>(gf_getU64(at)); }
