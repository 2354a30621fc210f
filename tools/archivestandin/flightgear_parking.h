#pragma once
// Stock stand files for the stand-in archive, made from FlightGear's parking lists
// (groundnet/parkingList/Parking with lat="N33 56.495", lon="W118 24.551", heading in
// degrees, radius in metres, type gate, cargo or ga).
#include "airports/airport_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace archive_standin {

// "N33 56.495" (hemisphere, degrees, decimal minutes) in degrees; none when malformed.
std::optional<double> parseCoordinate(std::string_view text);

struct StockAirport {
  std::string code;
  std::string name;
  std::int32_t altitude = 0; // feet
};

// The stands of a parking list, named by name and number (a repeated name gets "_2", "_3",
// ...): gates as they are, cargo stands with their cargo flag, ga positions as ramps.
// Throws std::runtime_error when the file cannot be read or holds no valid position.
AirportFileData standsFromParkingList(const std::filesystem::path& parkingList, const StockAirport& airport);

// Writes the stock file CODE.xml of the stands into the folder (created) with the
// publisher "stock"; throws std::runtime_error when it cannot.
std::filesystem::path writeStockFile(const AirportFileData& data, const std::filesystem::path& folder);

} // namespace archive_standin
