#include "feeds/qnh_datagram.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <gsl/gsl>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace {

constexpr std::int32_t lowestQnh = 930;
constexpr std::int32_t highestQnh = 1080;
constexpr double hpaPerInchHundredth = 0.33865307;

// Rounded half away from zero; a value beyond int32 is a narrowing error, never undefined.
std::int32_t lf_roundToInt32(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
    throw gsl::narrowing_error{};
  return static_cast<std::int32_t>(rounded);
}

std::int32_t lf_floatQnh(double value) {
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) throw gsl::narrowing_error{};
  return lf_roundToInt32(static_cast<double>(static_cast<float>(value)));
}

bool lf_isEmptyValue(const nlohmann::json& value) {
  return value.is_null() || ((value.is_object() || value.is_array()) && value.empty());
}

} // namespace

QnhReading gf_readQnh(std::string_view datagram) {
  QnhReading reading;
  try {
    const auto document = nlohmann::json::parse(datagram.begin(), datagram.end());
    if (!document.is_object()) throw std::runtime_error(fmt::format("a JSON {} has no members", document.type_name()));
    const auto found = document.find("QNH");
    static const nlohmann::json none;
    const auto& member = found == document.end() ? none : *found;
    if (lf_isEmptyValue(member)) {
      reading.logText = fmt::format("no QNH {}", datagram);
      return reading;
    }
    std::int32_t q = 0;
    if (member.is_number_unsigned())
      q = gsl::narrow<std::int32_t>(member.get<std::uint64_t>());
    else if (member.is_number_integer())
      q = gsl::narrow<std::int32_t>(member.get<std::int64_t>());
    else if (member.is_number_float())
      q = lf_floatQnh(member.get<double>());
    else if (member.is_string()) {
      const auto& text = member.get_ref<const std::string&>();
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), q);
      if (error != std::errc{}) {
        reading.logText = fmt::format("QNH string parse error: {} in {}", text, datagram);
        reading.warning = true;
        return reading;
      }
    } else {
      reading.logText = fmt::format("no QNH {}", datagram);
      return reading;
    }
    if (q > highestQnh) q = lf_roundToInt32(q * hpaPerInchHundredth);
    if (q < lowestQnh || q > highestQnh) {
      reading.logText = fmt::format("? Strange QNH {} found in {}", q, datagram);
      return reading;
    }
    reading.hpa = q;
  } catch (const std::exception& e) {
    reading.logText = fmt::format("Exception {}, in {}", e.what(), datagram);
  }
  return reading;
}
