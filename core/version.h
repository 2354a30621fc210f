#pragma once
// Program and data-file versions: major.minor.patch, compared field by field.
#include <compare>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

struct VersionData {
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::int32_t patch = 0;

  VersionData() = default;
  VersionData(std::int32_t ma, std::int32_t mi, std::int32_t pa) : major(ma), minor(mi), patch(pa) {}
  // From "11.0.3" or from a JSON object with "major", "minor" and "patch"; anything else
  // reads as 0.0.0 (logged).
  explicit VersionData(std::string_view text);

  auto operator<=>(const VersionData&) const = default;
};

std::string gf_versionText(const VersionData& version);

// A version member of a JSON object: a number (a fraction cut off) or a boolean, within
// int32; none when it is missing, of another type or out of range.
std::optional<std::int32_t> gf_jsonVersionField(const nlohmann::json& object, const char* member);

// The running program's version, 11.0.3.
const VersionData& gf_runningVersion();

inline constexpr std::string_view programName = "Hivemoor";
inline constexpr std::string_view simulatorTitle = "Prepar3D v5/v6";
