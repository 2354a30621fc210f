#pragma once
// RealTraffic's weather datagram: JSON whose member "QNH" gives the local air pressure in
// hectopascals or in inches of mercury x 100, as a number or as a text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::int32_t standardQnh = 1013;

// What one weather datagram says: a plausible QNH in hPa, or the line for the log.
struct QnhReading {
  std::optional<std::int32_t> hpa;
  std::string logText;
  bool warning = false; // log it as a warning
};

QnhReading gf_readQnh(std::string_view datagram);
