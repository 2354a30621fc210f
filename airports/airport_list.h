#pragma once
// The world's airports from input/airports_p3d.xml, read once per process at start-up and
// only read afterwards (by the worker thread, and by the window for a destination).
#include "core/geodesy.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct AirportData {
  std::string code; // ICAO code
  std::string iata; // empty when none
  double lat = 0.0; // degrees
  double lon = 0.0;
  double alt = 0.0; // feet
};

using AirportList = std::vector<AirportData>;

// Sorted by code; fixed once read.
extern AirportList airportList;

// Reads the file of that name in the folder input unless it was read before. Throws
// UserErrorException 88 when the file cannot be used: missing, malformed, without an
// `airports` element, or without a single usable airport (the program could never find a
// park airport). Returns true.
bool gf_readAirports(const std::filesystem::path& fileName);
// Forgets the list, so the next gf_readAirports reads again (tests).
void gf_forgetAirports();

// The airport with exactly this code; none before the list is read.
const AirportData* gf_findAirport(std::string_view code);
// Where an airport lies, for the window's destination box (callable from any thread).
std::optional<GeoPosition> gf_airportPosition(const std::string& code);

// "EHAM (AMS)", "EHAM" without IATA code, "?" for an empty code.
std::string gf_formatAirportCode(const AirportData& airport);
