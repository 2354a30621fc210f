#include "simlink/park_stands.h"

#include "core/geodesy.h"

#include <atomic>
#include <mutex>

namespace {

// 55 m: a stand's usual size; farther away the user stands between stands.
constexpr double standReachNm = 0.029697624190064796;

std::mutex standsMutex;
std::string parkAirportCode;
std::vector<ParkStandPoint> parkStands;
std::atomic<UserStandRecorder> userStandRecorder{nullptr};

} // namespace

void gf_publishParkStands(std::string airportCode, std::vector<ParkStandPoint> stands) {
  std::lock_guard lock(standsMutex);
  parkAirportCode = std::move(airportCode);
  parkStands = std::move(stands);
}

std::string gf_publishedParkAirport() {
  std::lock_guard lock(standsMutex);
  return parkAirportCode;
}

std::string gf_parkStandAt(double latitude, double longitude) {
  std::lock_guard lock(standsMutex);
  const ParkStandPoint* nearest = nullptr;
  double nearestNm = standReachNm;
  for (const auto& stand : parkStands) {
    const double nm = gf_distanceNm({latitude, longitude}, {stand.latitude, stand.longitude});
    if (nm <= nearestNm) {
      nearestNm = nm;
      nearest = &stand;
    }
  }
  return nearest == nullptr ? std::string() : nearest->name;
}

void gf_setUserStandRecorder(UserStandRecorder recorder) { userStandRecorder.store(recorder); }

void gf_recordUserStand(const std::string& airportCode, const std::string& standName) {
  if (const UserStandRecorder recorder = userStandRecorder.load()) recorder(airportCode, standName);
}
