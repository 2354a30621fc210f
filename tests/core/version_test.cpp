#include "core/version.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using testing_support::LogCapture;

TEST(VersionData, FromText) {
  struct Case {
    const char* text;
    VersionData version;
    bool logged; // "VersionData exception: ..."
  };
  const Case cases[] = {
      {"11.0.3", {11, 0, 3}, false},
      {"", {0, 0, 0}, false},
      {"11-0-3", {11, 0, 3}, false}, // any one character between the numbers
      {"v11.0.3", {0, 0, 0}, true},  // neither a version nor JSON
      {"1.2.3.4", {0, 0, 0}, true},
      {"99999999999.1.2", {0, 0, 0}, true},
      {"1.99999999999.2", {1, 0, 0}, true}, // fields read before the error stay
      {R"({"major": 2, "patch": 5})", {2, 0, 5}, false},
      {R"({"major": 2, "minor": "x"})", {2, 0, 0}, true},
      {"[1, 2, 3]", {0, 0, 0}, false},
      {R"({"major": 3.9, "minor": true, "patch": false})", {3, 1, 0}, false},
      {R"({"major": 1, "minor": 1e30, "patch": 4})", {1, 0, 0}, true}, // beyond int32: no undefined conversion
  };
  for (const auto& c : cases) {
    LogCapture log;
    EXPECT_EQ(VersionData(c.text), c.version) << c.text;
    EXPECT_EQ(log.contains("VersionData exception: "), c.logged) << c.text;
  }
  EXPECT_TRUE(VersionData("1.10.0") > VersionData("1.9.9"));
  EXPECT_TRUE(VersionData("2.0.0") > VersionData("1.99.99"));
  EXPECT_EQ(gf_versionText(VersionData("11-0-3")), "11.0.3");
  EXPECT_EQ(gf_runningVersion(), VersionData(11, 0, 3));
}
