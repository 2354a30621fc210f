#include "core/version.h"

#include "core/log.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <regex>
#include <stdexcept>

#include <fmt/format.h>

namespace {

std::int32_t lf_versionField(const std::string& digits) {
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size())
    throw std::runtime_error("parse error in version string");
  return value;
}

} // namespace

VersionData::VersionData(std::string_view text) {
  if (text.empty()) return;
  try {
    static const std::regex pattern(R"((\d+).(\d+).(\d+))");
    std::smatch match;
    const std::string whole(text);
    if (std::regex_match(whole, match, pattern)) {
      major = lf_versionField(match[1].str());
      minor = lf_versionField(match[2].str());
      patch = lf_versionField(match[3].str());
      return;
    }
    const auto json = nlohmann::json::parse(whole);
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
