#include "core/version.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using testing_support::LogCapture;

TEST(VersionData, FromText) {
  struct Case {
    std::string text;
    VersionData version;
    bool logged; // "VersionData exception: ..."
  };
  const Case cases[] = {
      {"11.0.3", {11, 0, 3}, false},
      {"", {0, 0, 0}, false},
      {"11-0-3", {11, 0, 3}, false}, // any one character between the numbers
      {"11 0x3", {11, 0, 3}, false},
      // A separator may be a digit: the first group takes all it can, then the second.
      {"12345", {1, 3, 5}, false},
      {"11-0345", {11, 3, 5}, false},
      {"1234x5", {12, 4, 5}, false},
      {"1.2.", {0, 0, 0}, true},
      {".1.2.3", {0, 0, 0}, true},
      {"1..3", {0, 0, 0}, true},
      {"11\n0.3", {0, 0, 0}, true}, // a line end separates nothing
      {"11.0\r3", {0, 0, 0}, true},
      {std::string(250, '0') + "11.0.3", {11, 0, 3}, false},
      // Damage in the stored text: long runs of digits are read in one pass, and a text
      // longer than any version is not read at all.
      {std::string(250, '1') + "x", {0, 0, 0}, true},
      {std::string(60000, '1'), {0, 0, 0}, true},
      {std::string(30000, '1') + "." + std::string(30000, '2') + ".3", {0, 0, 0}, true},
      {"v11.0.3", {0, 0, 0}, true}, // neither a version nor JSON
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
    const auto shown = c.text.substr(0, 40);
    EXPECT_EQ(VersionData(c.text), c.version) << shown;
    EXPECT_EQ(log.contains("VersionData exception: "), c.logged) << shown;
  }
  {
    LogCapture log;
    EXPECT_EQ(VersionData(std::string(257, '1')), VersionData());
    EXPECT_TRUE(log.contains("VersionData exception: version text of 257 characters is too long"));
  }
  EXPECT_TRUE(VersionData("1.10.0") > VersionData("1.9.9"));
  EXPECT_TRUE(VersionData("2.0.0") > VersionData("1.99.99"));
  EXPECT_EQ(gf_versionText(VersionData("11-0-3")), "11.0.3");
  EXPECT_EQ(gf_runningVersion(), VersionData(11, 0, 3));
}
