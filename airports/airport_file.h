#pragma once
// The airport stand file: one XML format for the park airport files (stock files of the
// archive, files of scenery publishers or of the user, files the add-on airport scan
// generates) and for the learned files, which hold what the program learned at an airport
// on top of its park airport file.
//
//   <meta> ... </meta>                          provenance (author, date, version, ...)
//   <parameters> <parameter name=".." value=".."/> ... </parameters>
//   <parkpositions>
//     <parkpos id="A1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="27.8"
//              cargo="false" ramp="false">
//       <opt reg="PH-BXA" day="3" hh="14,15,16" cs="KLM123:KLM124"/>
//     </parkpos>
//   </parkpositions>
#include "airports/stands.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

struct AirportFileData {
  std::string code; // names the file; not written into it
  std::string airport_name;
  std::string BGLpath; // the scenery file the stands came from
  std::string publisher;
  std::int32_t Qf_real = 0;
  std::int32_t Qf_soft = 0;
  std::int32_t altitude = 0; // feet
  std::vector<StandData> stands;
  // A handmade learned file replaces the park airport file's stands: it carries every stand
  // in full with all its options, the altitude and the quality factors.
  bool handmade = false;
  // `parkpos` elements of a learned file that matched no stand when it was read, as XML
  // texts: written back as they were, so that nothing learned is lost (learned mode).
  std::vector<std::string> keptParkpos;
};

enum class AirportFileMode : std::int32_t {
  Learned = 0,   // options, changed and manual stands, the per-airport settings
  Generated = 1, // a park airport file from the scenery: every stand in full, no options
};

// Each 0..100, or -1 when absent or when there are no options at all.
struct QualityFactors {
  std::int32_t Qf_real = -1;
  std::int32_t Qf_soft = -1;
  bool operator==(const QualityFactors&) const = default;
};

// Writes the whole file beside the path and then replaces it, so a failed or interrupted
// save leaves the old file whole. Logs nothing; false when it was not saved.
bool gf_writeAirportFile(const AirportFileData& data, const std::filesystem::path& path, AirportFileMode mode);

// A flag attribute or header value: true when its text begins with 1, t, T, y or Y.
bool gf_flagText(const char* text);

OptionKey gf_readOptionKey(pugi::xml_node opt);
// Reads one `parkpos` element (its id already read and checked) with its `opt` children
// into a stand appended to the list; the options get `base`. An element without a
// position is skipped silently; one whose position, radius or heading is out of range, or
// an option whose day is not 1..7, is logged and skipped. True when a stand was added.
bool gf_readParkpos(pugi::xml_node parkpos, const std::string& name, std::int32_t base, StandList& stands);

// Header values of a loaded stand file by name (/parameters/parameter[@name='..'] and its
// `value`); none when the file has no such entry. An entry without a value reads as false,
// 0 or the empty text; an integer is clamped to the int32 range.
std::optional<bool> gf_getBoolParameter(const pugi::xml_document& document, std::string_view name);
std::optional<std::int32_t> gf_getIntParameter(const pugi::xml_document& document, std::string_view name);
std::optional<std::string> gf_getStringParameter(const pugi::xml_document& document, std::string_view name);

// The quality factors for the window and the log: two blanks when both are negative,
// "real/soft" while the real factor is below 45, else the real factor alone.
std::string gf_formatQualityFactors(const QualityFactors& quality);
