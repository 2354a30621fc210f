#include "core/shell/appdata.h"

#include "core/files.h"
#include "core/log.h"
#include "core/utf16_win.h"

#include <optional>
#include <shlobj.h>
#include <windows.h>

namespace {

std::optional<std::filesystem::path> lf_appDataFolder() {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) return std::nullopt;
  try {
    // A folder name that is no valid UTF-16 (an unpaired surrogate) counts as not found:
    // every later text of the path would fail on it.
    return gf_pathFromText(gf_wideToUtf8(buffer));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

} // namespace

std::filesystem::path gf_getAppDataPath() {
  if (auto folder = lf_appDataFolder()) return *folder;
  gf_logWarning("Could not find the AppData path");
  return {};
}
