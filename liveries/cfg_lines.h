#pragma once
// The lines of aircraft.cfg and sim.cfg files: section headers [fltsim.N] and the keys the
// livery scan reads. A key line is "key = value": the key's letter case does not count,
// blanks around the '=' and around the value are not part of it, anything else is (an
// inline comment, further '=', quotes). Plain parsing: lines of any length cost linear time.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The lines of a file or of one section: views into the text of the file, read once.
using CfgLines = std::vector<std::string_view>;

// Section numbers run 0..10000; a malformed header is numbered 10000.
inline constexpr std::int32_t maxFltsimNumber = 10000;

// The value of the key on the line, when the line sets exactly that key to a value that
// holds no line break; empty otherwise.
std::string_view gf_keyValue(std::string_view line, std::string_view key);

bool gf_matchTitle(std::string_view line, std::string& value);
bool gf_matchSim(std::string_view line, std::string& value);
bool gf_matchModel(std::string_view line, std::string& value);
bool gf_matchTexture(std::string_view line, std::string& value);
bool gf_matchAtcId(std::string_view line, std::string& value);
bool gf_matchAtcParkingTypes(std::string_view line, std::string& value);
std::string gf_atcModelValue(std::string_view line);
// The first code of the comma list, untrimmed (empty when the value begins with ',').
bool gf_matchAtcParkingCode(std::string_view line, std::string& code);

// Plain case-sensitive tests for a second occurrence of a key in one section.
bool gf_hasAtcIdKey(std::string_view line);
bool gf_hasAtcParkingTypesKey(std::string_view line);

// A line whose first non-blank characters are "//".
bool gf_isCommentLine(std::string_view line);

// The digits of a [fltsim.N] header, "10000" for a malformed one, empty for any other line.
std::string gf_fltsimSectionNumber(std::string_view line);
// False when the file must not be scanned: a section number that is no number or lies
// outside 0..10000. A file without any header is listed as such and passes.
bool gf_checkFltsimNumbers(const CfgLines& lines, const std::filesystem::path& path);
// One registration, or several (then `registration` becomes empty); false for an empty
// piece, a piece longer than 12 characters or one holding '*'.
bool gf_checkAtcIdList(std::string_view value, std::string& registration);
