#pragma once
// The airports of a BGL scenery file: the file header and section table, the airport
// records with their name, helipad and taxiway parking subrecords. Works on the file's
// bytes alone, so the scan, the tests and the fuzzer drive it the same way. Scenery files
// come from anyone: every read is bounded, a damaged airport or subrecord is skipped with a
// report line, and nothing in a file can make the walk loop or read outside the bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint32_t bglHeaderSize = 0x38;
inline constexpr std::uint32_t bglSectionEntrySize = 20;
inline constexpr std::uint32_t bglAirportSectionType = 3;
inline constexpr std::uint16_t bglAirportRecordId = 0x003C;
inline constexpr std::uint16_t bglAirportRecordIdV2 = 0x00AB;
inline constexpr std::uint16_t bglNameId = 0x0019;
inline constexpr std::uint16_t bglHelipadId = 0x0026;
inline constexpr std::uint16_t bglParkingId = 0x003D;
inline constexpr std::uint16_t bglParkingIdV2 = 0x00AD;

// Elevations outside this range are no real airport's (the lowest lies at about -1,400 ft,
// the highest at about 14,500 ft); such a record gets altitude 0.
inline constexpr std::int32_t bglLowestAltitudeFt = -1500;
inline constexpr std::int32_t bglHighestAltitudeFt = 15000;

// One stand as the scenery gives it; the generated stand file is made from these.
struct BglStand {
  std::string name;
  double lat = 0;     // degrees
  double lon = 0;     // degrees
  double heading = 0; // radians, 0 given as 2 pi
  double radius = 0;  // nautical miles
  bool cargo = false;
  bool ramp = false;
  bool heli = false;
  bool suffixed = false; // renamed with a letter because its name was taken
};

struct BglAirport {
  std::string code;
  std::string name;
  std::int32_t altitude = 0; // feet
  std::vector<BglStand> stands;
  std::int32_t helipadCount = 0;
};

struct BglFileAirports {
  bool readable = false; // the header is a BGL header of the right size
  std::vector<BglAirport> airports;
  // What was skipped and why, for the scan report.
  std::vector<std::string> report;
  // Damaged structures (sections, airports, subrecords) that were skipped.
  std::int32_t damaged = 0;
};

// Every airport record of the file with a valid identifier, in file order.
BglFileAirports gf_readBglAirports(std::span<const std::uint8_t> bytes, std::string_view bglPath);

// The file filter of the search, in two steps so that it reads no more than it must: the
// number of section entries the header announces (0 unless it is not 0 and the table ends
// before the file does), then whether whole entries of the table name an airport section.
std::uint64_t gf_bglSectionCount(std::span<const std::uint8_t> header, std::uint64_t fileSize);
bool gf_bglEntriesHaveAirportSection(std::span<const std::uint8_t> entries);

// The 4-character identifier of a packed word (bits 5..31 in base 38); empty when the
// word holds no valid identifier.
std::optional<std::string> lf_decodeIdentifierOrRegionCode(std::uint32_t word);
std::string lf_parkingNamePrefix(std::uint32_t nameCode);
double gf_bglLatitude(std::uint32_t raw);
double gf_bglLongitude(std::uint32_t raw);

// Gives each group of duplicate names (a name and its suffixed copies) the plain name to
// its smallest stand and the letters a, b, ... by growing radius; equal radii keep their
// order in the list.
void lf_renameDuplicateStands(std::vector<BglStand>& stands);
