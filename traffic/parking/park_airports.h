#pragma once
// The park airports: the airports of my_park_airports.txt (each with the user's stand
// there) and of the my_thirdparty folder, the choice of the current park airport from the
// user aircraft's position and height, and the stand kept free for the user aircraft.
// Worker thread only, except the user stand recorder, which the simulator link calls and
// which only hands the stand over under a lock.
#include "core/geodesy.h"

#include <list>
#include <string>

struct ParkAirportData {
  std::string code;
  std::string stand; // the user's stand there, empty when none
  double lat = 0.0;  // degrees
  double lon = 0.0;
  double distance = 0.0; // nm from the user aircraft
};

using ParkAirportList = std::list<ParkAirportData>;
extern ParkAirportList parkAirportList;

// The name of the stand kept free for the user aircraft; empty when none.
extern std::string reservedStand;

// Reads my_park_airports.txt and the my_thirdparty folder into the list; false when a line
// named an unknown airport or an error was caught.
bool lf_readMyParkAirports();
void lf_addThirdPartyParkAirports();
// Writes the list's entry of this code (the first entry when empty) into my_park_airports.txt.
void gf_addMyParkAirport(const std::string& code = {});
// The destination's airport becomes the first entry.
void gf_makeFirstParkAirport(const std::string& code, GeoPosition position);
bool gf_setParkAirport(const std::string& code);
// Re-reads the file; with moveReserved the reserved stand follows the park airport's entry.
bool gf_rereadParkAirports(bool moveReserved, std::string& message);
void lf_chooseParkAirport(GeoPosition position, bool showMessage);
void lf_checkParkAirportInSight(GeoPosition position);
void lf_startStaticParking(bool showMessage);
// The distances from the user aircraft, and the list sorted by them unless a destination is set.
void lf_refreshParkAirportDistances(GeoPosition position);

// The list's entry of this code, or the end.
ParkAirportList::iterator gf_findParkAirportEntry(const std::string& code);

// A park airport whose stands could not be had: not chosen again in this run.
void gf_noteParkAirportFailure(const std::string& code);
bool gf_parkAirportFailed(const std::string& code);

// Installs the recorder of the user's stand with the simulator link; the stands it hands
// over are applied by gf_applyRecordedUserStand on the worker thread.
void gf_installUserStandRecorder();
void gf_applyRecordedUserStand();

// The run's park airports back to their start.
void gf_resetParkAirports();
