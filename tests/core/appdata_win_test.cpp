#include "core/shell/appdata.h"
#include "core/settings/settings_file.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

namespace fs = std::filesystem;

TEST(AppData, RoamingApplicationDataFolder) {
  // Asked the newer way, the platform must name the same folder.
  PWSTR known = nullptr;
  ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known), S_OK);
  const fs::path expected(known);
  CoTaskMemFree(known);
  const auto folder = gf_getAppDataPath();
  EXPECT_EQ(folder, expected);
  EXPECT_TRUE(fs::is_directory(folder));

  gf_setSettingsFolder({});
  EXPECT_EQ(gf_settingsFolder(), folder / "Hivemoor");
  EXPECT_EQ(gf_settingsFilePath(), folder / "Hivemoor" / "parameters.xml");
}
