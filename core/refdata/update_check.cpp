#include "core/refdata/update_check.h"

#include "core/files.h"
#include "core/log.h"
#include "core/refdata/downloader.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/version.h"

#include <array>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

namespace fs = std::filesystem;

namespace {

struct DataFileRow {
  const char* key;
  const fs::path& localFile; // fetched under its file name
  StringParameter& version;
};

const fs::path versionsFile{"versions.json"};

std::optional<VersionData> lf_publishedVersion(const nlohmann::json& entry) {
  if (!entry.is_object()) return std::nullopt;
  const auto major = gf_jsonVersionField(entry, "major");
  const auto minor = gf_jsonVersionField(entry, "minor");
  const auto patch = gf_jsonVersionField(entry, "patch");
  if (!major || !minor || !patch) return std::nullopt;
  return VersionData(*major, *minor, *patch);
}

void lf_checkRow(const DataFileRow& row, const nlohmann::json& versions) {
  if (!versions.is_object() || !versions.contains(row.key)) {
    gf_logWarning(fmt::format("{} version not found", row.key));
    return;
  }
  const auto published = lf_publishedVersion(versions.at(row.key));
  if (!published) {
    gf_logWarning(fmt::format("{} version is not valid", row.key));
    return;
  }
  const VersionData recorded(row.version.get());
  std::error_code error;
  const bool present = fs::exists(row.localFile, error);
  if (error) {
    gf_logWarning(fmt::format("{} cannot be checked: {}", gf_pathText(row.localFile), error.message()));
    return;
  }
  if (!(*published > recorded) && present) {
    gf_log(fmt::format("{} version up-to-date", row.key));
    return;
  }
  if (!gf_downloadDataFile(row.localFile.filename(), row.localFile)) return;
  const auto text = gf_versionText(*published);
  gf_setStringParameter(row.version, text);
  gf_log(fmt::format("{} updated to {}", row.key, text));
}

} // namespace

void gf_checkDataVersions() {
  nlohmann::json versions;
  {
    Downloader downloader(gf_downloadLimits());
    const auto base = gf_downloadBase();
    if (base.empty()) gf_log("No download address is built in");
    if (base.empty() || !downloader.download(base + gf_pathText(versionsFile), versionsFile, false)) {
      gf_logWarning("Downloading version info from my web site failed!");
      return;
    }
  }
  std::ifstream in(versionsFile);
  if (!in) {
    gf_logWarning("Cannot open versions.json");
    return;
  }
  try {
    versions = nlohmann::json::parse(in);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("versions.json is not valid: {}", e.what()));
    return;
  }
  const std::array rows = {DataFileRow{"aig", aigRegcodesEncFile, AIG_VERSION},
                           DataFileRow{"dbase", dbaseFile, DBASE_VERSION}};
  for (const auto& row : rows) lf_checkRow(row, versions);
}
