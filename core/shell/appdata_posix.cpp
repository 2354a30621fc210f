#include "core/shell/appdata.h"

#include "core/files.h"
#include "core/log.h"

#include <cstdlib>
#include <optional>

namespace {

std::optional<std::filesystem::path> lf_appDataFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config != '\0') return gf_pathFromText(config);
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return gf_pathFromText(home) / ".config";
  return std::nullopt;
}

} // namespace

std::filesystem::path gf_getAppDataPath() {
  if (auto folder = lf_appDataFolder()) return *folder;
  gf_logWarning("Could not find the AppData path");
  return {};
}
