#include "core/version.h"

#include "core/log.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include <fmt/format.h>

namespace {

// A stored version is a short text; a longer one is damage and is not worth reading.
constexpr std::size_t maxVersionText = 256;

bool lf_isDigit(char c) { return c >= '0' && c <= '9'; }

std::int32_t lf_versionField(std::string_view digits) {
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size())
    throw std::runtime_error("parse error in version string");
  return value;
}

// The three digit groups of a text of the form digits, one character, digits, one
// character, digits (so "11-0-3" reads like "11.0.3"); a separator may itself be a digit,
// and the first group then takes as many digits as it can, then the second. A line end
// separates nothing. Decided from where the text's non-digits stand, in one pass.
std::optional<std::array<std::string_view, 3>> lf_splitVersion(std::string_view text) {
  const std::size_t n = text.size();
  std::array<std::size_t, 2> others{};
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (lf_isDigit(text[i])) continue;
    if (count == others.size()) return std::nullopt; // only the two separators may be no digit
    others[count++] = i;
  }
  std::size_t first = 0;
  std::size_t second = 0;
  if (count == 0) { // digits only: the last groups get one digit each
    if (n < 5) return std::nullopt;
    first = n - 4;
    second = n - 2;
  } else if (count == 1) {
    const auto at = others[0];
    if (at >= 1 && at + 4 <= n) { // it ends the first group; a digit ends the second
      first = at;
      second = n - 2;
    } else if (at >= 3 && at + 2 <= n) { // it ends the second group
      first = at - 2;
      second = at;
    } else {
      return std::nullopt;
    }
  } else {
    first = others[0];
    second = others[1];
    if (first < 1 || second < first + 2 || second + 2 > n) return std::nullopt;
  }
  for (const auto at : {first, second})
    if (text[at] == '\n' || text[at] == '\r') return std::nullopt;
  return std::array{text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1)};
}

} // namespace

VersionData::VersionData(std::string_view text) {
  if (text.empty()) return;
  try {
    if (text.size() > maxVersionText)
      throw std::runtime_error(fmt::format("version text of {} characters is too long", text.size()));
    if (const auto groups = lf_splitVersion(text)) {
      major = lf_versionField((*groups)[0]);
      minor = lf_versionField((*groups)[1]);
      patch = lf_versionField((*groups)[2]);
      return;
    }
    const auto json = nlohmann::json::parse(text);
    if (!json.is_object()) return;
    for (auto [member, field] : {std::pair{"major", &major}, std::pair{"minor", &minor}, std::pair{"patch", &patch}}) {
      if (!json.contains(member)) continue;
      const auto value = gf_jsonVersionField(json, member);
      if (!value) throw std::runtime_error(fmt::format("'{}' is no int32 number", member));
      *field = *value;
    }
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception: {}", "VersionData", e.what()));
  }
}

std::optional<std::int32_t> gf_jsonVersionField(const nlohmann::json& object, const char* member) {
  const auto found = object.find(member);
  if (found == object.end()) return std::nullopt;
  if (found->is_boolean()) return found->get<bool>() ? 1 : 0;
  if (!found->is_number()) return std::nullopt;
  // A float beyond int32 would make the conversion undefined.
  const double value = std::trunc(found->get<double>());
  if (!(value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()))
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string gf_versionText(const VersionData& version) {
  return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

const VersionData& gf_runningVersion() {
  static const VersionData running(HVM_VERSION_TEXT);
  return running;
}
