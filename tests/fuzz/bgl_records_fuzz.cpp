// The BGL airport record walk under libFuzzer: whatever the bytes, no crash, no hang, no
// sanitizer report, and what comes out is what the scan may write into a stand file.
#include "airports/bgl_records.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>

namespace {

void lf_require(bool condition) {
  if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto count = gf_bglSectionCount(bytes.first(std::min<std::size_t>(size, 56)), size);
  if (count != 0 && size > 56) gf_bglEntriesHaveAirportSection(bytes.subspan(56));

  const auto result = gf_readBglAirports(bytes, "fuzz.bgl");
  for (const auto& airport : result.airports) {
    lf_require(airport.code.size() == 4);
    lf_require(airport.altitude >= bglLowestAltitudeFt && airport.altitude <= bglHighestAltitudeFt);
    std::set<std::string> names;
    for (const auto& stand : airport.stands) {
      lf_require(names.insert(stand.name).second);
      lf_require(!stand.suffixed);
      lf_require(stand.lat >= -90 && stand.lat <= 90 && stand.lon >= -180 && stand.lon <= 180);
      lf_require(std::isfinite(stand.heading) && std::isfinite(stand.radius) && stand.radius > 0);
      lf_require(stand.radius * 1852 < 200 && (stand.heli || stand.radius * 1852 > 1));
    }
  }
  return 0;
}
