// Natively the application-data folder is $XDG_CONFIG_HOME.
#include "app/startup.h"
#include "run_fixture.h"

#include <cstdlib>
#include <filesystem>

using namespace run_testing;
namespace fs = std::filesystem;

TEST_F(RunTest, RealTrafficOnThisPcIsFoundInTheApplicationDataFolder) {
  programFolder();
  testing_support::TempDir appData("hvm-appdata");
  const auto* previous = std::getenv("XDG_CONFIG_HOME");
  const std::string kept = previous != nullptr ? previous : "";
  setenv("XDG_CONFIG_HOME", appData.path().c_str(), 1);
  fs::create_directories(appData / "InsideSystems");
  testing_support::writeFile(appData / "InsideSystems" / "RealTraffic.jar", "jar");
  SIM_INSTALL_PATH.set("C:\\P3D v5");
  settings_testing::writeSettings(settings.file(), {{"SIM_INSTALL_PATH", "C:\\P3D v5"}});
  gf_startupChecks();
  if (previous != nullptr)
    setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  EXPECT_TRUE(realTrafficLink.detected);
  EXPECT_EQ(message(), "RealTraffic detected at this PC");
}
