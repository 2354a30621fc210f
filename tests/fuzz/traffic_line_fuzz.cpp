// libFuzzer target: any datagram, as a traffic line or as a weather datagram, must give a
// result or a log text, never a crash, a hang or a read beyond its end.
#include "feeds/qnh_datagram.h"
#include "feeds/traffic_line.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the datagram's size, so the sanitizer sees any read past its end.
  const std::vector<char> bytes(data, data + size);
  const std::string_view line(bytes.data(), bytes.size());

  TrafficLineContext context;
  context.reference = {33.9425, -118.408};
  context.rangeNm = 20000;
  context.parkAirport = GeoPosition{33.9425, -118.408};
  context.parkElevation = 125;
  std::vector<std::string_view> fields;
  const auto result = gf_parseTrafficLine(line, context, fields);
  if (result.outcome == LineOutcome::Accepted) {
    const auto& p = result.report.point;
    // What live traffic relies on.
    if (!(std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::isfinite(p.altitude) &&
          std::isfinite(p.groundSpeed) && std::isfinite(p.track) && std::isfinite(p.trueAirspeed)))
      std::abort();
    if (result.report.hexId <= 10000 || result.report.registration.size() > 12) std::abort();
    if (p.airborne != (p.altitude > 0)) std::abort();
    if (!result.report.origin.empty() && !gf_isPlainAirportCode(result.report.origin)) std::abort();
  }
  if (result.outcome == LineOutcome::Failed && result.error.empty()) std::abort();

  const auto qnh = gf_readQnh(line);
  if (qnh.hpa && (*qnh.hpa < 930 || *qnh.hpa > 1080)) std::abort();
  if (!qnh.hpa && qnh.logText.empty()) std::abort();
  return 0;
}
