#include "core/shell/requests.h"

#include <mutex>

std::atomic<bool> flushStaticRequested{false};
std::atomic<bool> blockRequested{false};
std::atomic<bool> rereadRequested{false};
std::atomic<bool> replanRequested{false};
std::atomic<bool> navLightsRequested{false};
std::atomic<bool> maxLiveRequested{false};
std::atomic<bool> autoRangeRequested{false};
std::atomic<bool> liveryTablesClearRequested{false};
std::atomic<bool> parkAirportLoaded{false};
std::atomic<bool> learnedParamChanged{false};
std::atomic<bool> parkBusy{false};
std::atomic<std::int32_t> savedManualRange{40};
std::atomic<std::int32_t> userMaxLive{500};

namespace {
std::mutex firstParkAirportMutex;
std::optional<FirstParkAirportRequest> firstParkAirport;
} // namespace

void gf_requestFirstParkAirport(FirstParkAirportRequest request) {
  std::lock_guard lock(firstParkAirportMutex);
  firstParkAirport = std::move(request);
}

std::optional<FirstParkAirportRequest> gf_takeFirstParkAirportRequest() {
  std::lock_guard lock(firstParkAirportMutex);
  auto request = std::move(firstParkAirport);
  firstParkAirport.reset();
  return request;
}

void gf_resetRequests() {
  replanRequested.exchange(false);
  blockRequested.exchange(false);
}
