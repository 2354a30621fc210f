#include "core/version.h"

#include "core/log.h"

#include <charconv>
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
    if (json.contains("major")) major = json.at("major").get<std::int32_t>();
    if (json.contains("minor")) minor = json.at("minor").get<std::int32_t>();
    if (json.contains("patch")) patch = json.at("patch").get<std::int32_t>();
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception: {}", "VersionData", e.what()));
  }
}

std::string gf_versionText(const VersionData& version) {
  return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

const VersionData& gf_runningVersion() {
  static const VersionData running(HVM_VERSION_TEXT);
  return running;
}
