#pragma once
// The stands of the park airport as the link sees them: live traffic publishes a copy of its
// stand list whenever it fills or empties it, so the SimClient thread never walks the list
// the worker changes. And the way the user's stand is recorded for the park airport.
#include <string>
#include <vector>

struct ParkStandPoint {
  std::string name;
  double latitude = 0.0; // degrees
  double longitude = 0.0;
};

// The current park airport's code and its stands (an empty code and list when it is left).
void gf_publishParkStands(std::string airportCode, std::vector<ParkStandPoint> stands);
std::string gf_publishedParkAirport();
// The nearest published stand within 55 m of the position; empty when there is none.
std::string gf_parkStandAt(double latitude, double longitude);

// Records the stand the user aircraft stands on at the park airport (the first park airport
// entry and my_park_airports.txt). Called on the SimClient thread: it must take whatever
// lock the park airport list is kept under. Installed by live traffic; none: nothing is
// recorded.
using UserStandRecorder = void (*)(const std::string& airportCode, const std::string& standName);
void gf_setUserStandRecorder(UserStandRecorder recorder);
void gf_recordUserStand(const std::string& airportCode, const std::string& standName);
