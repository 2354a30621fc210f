#pragma once
// What the feed tests share: traffic lines with chosen fields, waiting with an upper bound,
// and the feeds' shared state put back between tests.
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/settings/parameters.h"
#include "feeds/adding_stack.h"
#include "feeds/live_traffic_hooks.h"
#include "feeds/qnh_reader.h"
#include "feeds/reader_lamps.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace feed_testing {

inline constexpr double laxLatitude = 33.9425;
inline constexpr double laxLongitude = -118.408;

// A valid airborne traffic line near Los Angeles, with some fields replaced.
inline std::string trafficLine(const std::map<int, std::string>& fields = {}) {
  std::vector<std::string> f(29, "null");
  f[0] = "RTTFC";
  f[1] = "11234567";
  f[2] = "33.9425";
  f[3] = "-118.408";
  f[4] = "3000";
  f[5] = "-500";
  f[6] = "1";
  f[7] = "250";
  f[8] = "180";
  f[9] = "AAL123";
  f[10] = "B738";
  f[11] = "N12345";
  f[12] = "KJFK";
  f[13] = "KLAX";
  f[14] = "1718000000.5";
  f[17] = "adsb_other";
  f[20] = "-1";
  f[23] = "-1";
  f[25] = "-1";
  f[28] = "A3";
  for (const auto& [index, text] : fields) {
    if (index >= static_cast<int>(f.size())) f.resize(static_cast<std::size_t>(index) + 1);
    f[static_cast<std::size_t>(index)] = text;
  }
  std::string line;
  for (std::size_t i = 0; i < f.size(); ++i) line += (i ? "," : "") + f[i];
  return line;
}

// Polls the condition every few milliseconds; false when it is still false after the limit.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(15000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Everything the feeds keep between runs back to the start: queue, readers, link, flags.
inline void resetFeeds() {
  gf_resetRunFlags();
  gf_resetStatusLine();
  gf_setLiveTrafficHooks({});
  gf_clearAddingStack();
  gf_setAcceptingTraffic(true);
  rangeNm = 40.0;
  gf_resetFeedState();
  trafficReader.setReference({laxLatitude, laxLongitude});
  trafficReader.setParkAirport(std::nullopt);
  trafficReader.setParkElevation(std::nullopt);
  trafficReader.takeCollectedCallsigns();
  trafficReader.datagramCount = 0;
  trafficReader.countSeen = 0;
  trafficReader.droppedCount = 0;
  qnhReader.droppedCount = 0;
  trafficQnh = standardQnh;
  feedDisplay.trafficLamp = lampStopped;
  feedDisplay.weatherLamp = lampStopped;
  feedDisplay.qnhShown = 0;
  gf_closeRealTrafficLink();
  realTrafficLink.detected = false;
  realTrafficLink.professional = false;
  realTrafficLink.linkUp = false;
  realTrafficLink.scanNow = true;
  realTrafficLink.replyTimeoutMs = 5000;
  gf_setRealTrafficEditionText({});
}

} // namespace feed_testing
