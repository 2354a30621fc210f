#pragma once
// Writes BGL scenery files from a plain description: the file header, the section table,
// one subsection per section, airport records (0x003C and 0x00AB) with their name,
// helipad and taxiway parking subrecords, packed coordinates and identifiers. Tests, the
// fuzzer's seeds and the stand-in simulator installation all make their scenery with it,
// so that every byte the scan reads was written on purpose.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace bglwriter {

// Parking types as the scenery knows them.
enum ParkingType : std::uint32_t {
  rampGa = 1,
  rampGaSmall = 2,
  rampGaMedium = 3,
  rampGaLarge = 4,
  rampCargo = 5,
  rampMilitaryCargo = 6,
  rampMilitaryCombat = 7,
  gateSmall = 8,
  gateMedium = 9,
  gateHeavy = 10,
  dockGa = 11,
  fuel = 12,
  vehicles = 13,
};

// Name codes of a parking entry: 0 none, 1..11 the fixed prefixes, 12 onwards one letter.
inline constexpr std::uint32_t nameNone = 0;
inline constexpr std::uint32_t nameGate = 10;
constexpr std::uint32_t letterCode(char upper) { return static_cast<std::uint32_t>(upper) - 53; }

struct Parking {
  std::uint32_t nameCode = nameNone;
  std::uint32_t number = 0;
  std::uint32_t type = gateMedium;
  double lat = 0;
  double lon = 0;
  float radius = 20;                   // metres
  float heading = 0;                   // degrees
  std::vector<std::uint32_t> airlines; // packed airline codes, 4 bytes each
};

struct Helipad {
  double lat = 0;
  double lon = 0;
  float width = 20;  // metres
  float heading = 0; // degrees
};

struct NameRecord {
  std::string text;
};

struct ParkingList {
  std::vector<Parking> entries;
  // Written instead of the number of entries when not negative, for damaged files.
  std::int64_t countOverride = -1;
};

// Any other subrecord or record: an id and the bytes after its 6-byte head.
struct RawRecord {
  std::uint16_t id = 0;
  std::vector<std::uint8_t> body;
  // Written instead of the true size when not negative, for damaged files.
  std::int64_t sizeOverride = -1;
};

using Subrecord = std::variant<NameRecord, Helipad, ParkingList, RawRecord>;

struct Airport {
  std::string ident = "XXXX"; // up to 5 characters of 0-9, A-Z and blank
  bool v2 = true;             // record 0x00AB (with 0x00AD parking) or 0x003C (0x003D)
  double altitudeMetres = 0;
  double lat = 0;
  double lon = 0;
  std::vector<Subrecord> subrecords;
  std::int64_t sizeOverride = -1; // written instead of the true size when not negative
};

using Record = std::variant<Airport, RawRecord>;

struct Section {
  std::uint32_t type = 3;     // 3: airports
  std::uint32_t sizeCode = 1; // bit 16 set gives 20-byte subsection headers
  std::vector<Record> records;
  // Written instead of the data offset in the subsection header when not negative.
  std::int64_t dataOffsetOverride = -1;
};

struct File {
  std::uint32_t headerSize = 0x38;
  std::vector<Section> sections;
  std::int64_t sectionCountOverride = -1; // written instead of the number of sections when not negative
};

std::vector<std::uint8_t> writeBgl(const File& file);

// Packs an identifier of up to 5 characters (0-9, A-Z, blank) as the scenery does.
std::uint32_t packIdent(std::string_view ident);
std::uint32_t packLatitude(double lat);
std::uint32_t packLongitude(double lon);
std::uint32_t packAirline(std::string_view code);

// A stand name such as "G7", "g12" or "101" as name code and number; names that are no
// single letter (or one of the fixed prefixes) followed by digits take the first letter.
struct ParkingName {
  std::uint32_t nameCode = nameNone;
  std::uint32_t number = 0;
};
ParkingName parkingName(std::string_view name);

// Creates the file's folder when needed; throws std::runtime_error when it cannot write.
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace bglwriter
