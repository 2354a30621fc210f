#include "liveries/cfg_lines.h"

#include "core/files.h"
#include "core/log.h"
#include "core/text.h"
#include "liveries/scan_reports.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <limits>

namespace {

// The blanks of the configuration files' grammar: blank, tab, the line ends, vertical tab
// and form feed.
constexpr std::string_view cfgBlanks = " \t\n\r\v\f";

char lf_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// `text` equals the lower-case `word` in any letter case.
bool lf_equalsNoCase(std::string_view text, std::string_view word) {
  return text.size() == word.size() &&
         std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) { return lf_lower(a) == b; });
}

std::string_view lf_skipBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(cfgBlanks);
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

bool lf_assignValue(std::string_view line, std::string_view key, std::string& value) {
  const auto found = gf_keyValue(line, key);
  if (found.empty()) return false;
  value.assign(found);
  return true;
}

} // namespace

std::string_view gf_keyValue(std::string_view line, std::string_view key) {
  auto rest = lf_skipBlanks(line);
  if (rest.size() < key.size() || !lf_equalsNoCase(rest.substr(0, key.size()), key)) return {};
  rest = lf_skipBlanks(rest.substr(key.size()));
  if (rest.empty() || rest.front() != '=') return {};
  rest = lf_skipBlanks(rest.substr(1));
  const auto last = rest.find_last_not_of(cfgBlanks);
  if (last == std::string_view::npos) return {};
  const auto value = rest.substr(0, last + 1);
  // A value never spans a line end.
  if (value.find_first_of("\r\n") != std::string_view::npos) return {};
  return value;
}

bool gf_matchTitle(std::string_view line, std::string& value) { return lf_assignValue(line, "title", value); }
bool gf_matchSim(std::string_view line, std::string& value) { return lf_assignValue(line, "sim", value); }
bool gf_matchModel(std::string_view line, std::string& value) { return lf_assignValue(line, "model", value); }
bool gf_matchTexture(std::string_view line, std::string& value) { return lf_assignValue(line, "texture", value); }
bool gf_matchAtcId(std::string_view line, std::string& value) { return lf_assignValue(line, "atc_id", value); }
bool gf_matchAtcParkingTypes(std::string_view line, std::string& value) {
  return lf_assignValue(line, "atc_parking_types", value);
}
std::string gf_atcModelValue(std::string_view line) { return std::string(gf_keyValue(line, "atc_model")); }

bool gf_matchAtcParkingCode(std::string_view line, std::string& code) {
  const auto value = gf_keyValue(line, "atc_parking_codes");
  if (value.empty()) return false;
  code.assign(value.substr(0, value.find(',')));
  return true;
}

bool gf_hasAtcIdKey(std::string_view line) { return line.find("atc_id=") != std::string_view::npos; }
bool gf_hasAtcParkingTypesKey(std::string_view line) {
  return line.find("atc_parking_types") != std::string_view::npos;
}

bool gf_isCommentLine(std::string_view line) { return lf_skipBlanks(line).starts_with("//"); }

std::string gf_fltsimSectionNumber(std::string_view line) {
  if (line.starts_with("//")) return {};
  constexpr std::string_view head = "[fltsim.";
  auto rest = lf_skipBlanks(line);
  if (rest.size() > head.size() && lf_equalsNoCase(rest.substr(0, head.size()), head)) {
    rest = rest.substr(head.size());
    const auto digits = rest.substr(0, std::min(rest.size(), rest.find_first_not_of("0123456789")));
    const auto tail = rest.substr(digits.size());
    if (!digits.empty() && !tail.empty() && tail.front() == ']' && lf_skipBlanks(tail.substr(1)).empty())
      return std::string(digits);
  }
  if (line.find("[fltsim.") != std::string_view::npos || line.find("[FLTSIM.") != std::string_view::npos)
    return std::to_string(maxFltsimNumber);
  return {};
}

bool gf_checkFltsimNumbers(const CfgLines& lines, const std::filesystem::path& path) {
  std::vector<std::int32_t> numbers;
  for (const auto& line : lines) {
    const auto text = gf_fltsimSectionNumber(line);
    if (text.empty()) continue;
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end == text.data()) {
      gf_logWarning(fmt::format("fltsim num {} incorrect", line));
      return false;
    }
    numbers.push_back(number);
  }
  if (numbers.empty()) {
    gf_addNoFltsimFile(gf_pathText(path));
    return true;
  }
  if (std::any_of(numbers.begin(), numbers.end(), [](auto n) { return n < 0 || n > maxFltsimNumber; })) {
    gf_addInvalidCfgLine(
        fmt::format("{} contains a [fltsim.x] section with a number < 0 or > {}", gf_pathText(path), maxFltsimNumber));
    return false;
  }
  return true;
}

bool gf_checkAtcIdList(std::string_view value, std::string& registration) {
  const auto pieces = gf_splitTrim(value, ',');
  if (pieces.empty()) return false;
  for (const auto& piece : pieces)
    if (piece.empty() || piece.size() > 12 || piece.find('*') != std::string::npos) return false;
  registration = pieces.size() == 1 ? pieces.front() : std::string{};
  return true;
}
