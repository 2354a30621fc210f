#include "core/errors.h"
#include "core/settings/parameters.h"
#include "core/shell/simulator_install.h"

#include <gtest/gtest.h>

namespace {

struct VersionCase {
  const char* installPath;
  std::int32_t p3dVersion;
  const char* expected; // nullptr: error 77
};

} // namespace

TEST(SimulatorVersion, FromTheInstallPathElseFromTheHiddenSetting) {
  const VersionCase cases[] = {
      {"C:\\Program Files\\Lockheed Martin\\Prepar3D v5", 6, "5"},
      {"D:\\P3D V5", 6, "5"},
      {"D:\\Prepar3D v6", 5, "6"},
      {"E:\\P3D V6", 5, "6"},
      {"D:\\v6\\Prepar3D v5", 6, "5"}, // both named: v5 wins
      {"D:\\Simulator", 6, "6"},
      {"D:\\Simulator", 5, "5"},
      {"", 6, "6"},
      {"D:\\Simulator", 4, nullptr},
  };
  for (const auto& c : cases) {
    SIM_INSTALL_PATH.set(c.installPath);
    P3D_VERSION.set(c.p3dVersion);
    if (c.expected != nullptr) {
      EXPECT_EQ(gf_getP3DVersion(), c.expected) << c.installPath << " " << c.p3dVersion;
      continue;
    }
    try {
      gf_getP3DVersion();
      ADD_FAILURE() << "no error for " << c.installPath;
    } catch (const hvm::UserErrorException& e) {
      EXPECT_STREQ(
          e.what(),
          "77: P3D install path does not contain v5 or v6. Use hidden parameter P3D_VERSION, set it to 5 or 6.");
    }
  }
  SIM_INSTALL_PATH.set(SIM_INSTALL_PATH.defaultValue);
  P3D_VERSION.set(P3D_VERSION.defaultValue);
}
