#include "liveries/scan_reports.h"

#include "liveries_fixture.h"

using namespace liveries_testing;
namespace fs = std::filesystem;

class ScanReportsTest : public LiveriesTest {
protected:
  std::vector<std::string> summary() {
    const auto before = logLines().size();
    gf_logScanSummary();
    const auto lines = logLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
  }
};

TEST_F(ScanReportsTest, ScanWithoutProblems) {
  fs::create_directories(errorsFolder);
  writeText(fixesReportFile, "old fix\n");
  gf_removePreviousReports();
  EXPECT_FALSE(fs::exists(errorsFolder)) << "the errors folder goes with its last report";
  EXPECT_EQ(summary(), (std::vector<std::string>{"", "No errors", "", "Information:"}));
  EXPECT_FALSE(fs::exists(errorsFolder));
}

TEST_F(ScanReportsTest, EveryReportSortedInItsFileAndCounted) {
  const fs::path file = "x/aircraft.cfg";
  gf_addInvalidAirlineLine("ABCDEFGHIJKLMNO", file, "[fltsim.1]");
  gf_addInvalidModelLine("ZZ99", file);
  gf_addInvalidModelLine("ZZ98", file);
  gf_addFixLine("fix b");
  gf_addFixLine("fix a");
  gf_addInvalidCfgLine("cfg");
  gf_addIncompleteSectionLine("same");
  gf_addIncompleteSectionLine("other");
  gf_addIncompleteSectionLine("same");
  gf_addNoFltsimFile("empty b");
  gf_addNoFltsimFile("empty a");
  scanReports.registrationConversions = {"conversion 2", "conversion 1"};
  fs::remove_all(outputFolder);

  const auto lines = summary();
  const std::vector<std::string> expected{
      "",
      "Errors:",
      fmt::format("1 invalid airline code, see {}", gf_pathText(invalidAirlinesReportFile)),
      fmt::format("2 invalid model codes, see {}", gf_pathText(invalidModelsReportFile)),
      fmt::format("2 code fixes, see {}", gf_pathText(fixesReportFile)),
      fmt::format("1 invalid aircraft.cfg files, see {}", gf_pathText(invalidCfgReportFile)),
      fmt::format("3 incomplete [fltsim.x] sections, see {}", gf_pathText(incompleteSectionsReportFile)),
      "",
      "Information:",
      fmt::format("2 empty aircraft.cfg files, see {}", gf_pathText(noFltsimReportFile)),
      fmt::format("2 liveries updated with real live data from dbase, see {}", gf_pathText(conversionsReportFile))};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(fileLines(invalidAirlinesReportFile),
            std::vector<std::string>{"ABCDEFGHIJKLMNO in " + gf_pathText(file) + " [fltsim.1]"});
  EXPECT_EQ(fileLines(invalidModelsReportFile),
            (std::vector<std::string>{fmt::format("{:16} in {}", "ZZ98", gf_pathText(file)),
                                      fmt::format("{:16} in {}", "ZZ99", gf_pathText(file))}));
  EXPECT_EQ(fileLines(fixesReportFile), (std::vector<std::string>{"fix a", "fix b"}));
  EXPECT_EQ(fileLines(incompleteSectionsReportFile), (std::vector<std::string>{"other", "same"}));
  EXPECT_EQ(fileLines(noFltsimReportFile), (std::vector<std::string>{"empty a", "empty b"}));
  EXPECT_EQ(fileLines(conversionsReportFile), (std::vector<std::string>{"conversion 2", "conversion 1"}));

  // The next scan writes only its own lines.
  gf_resetScanReports();
  gf_addFixLine("fix c");
  summary();
  EXPECT_EQ(fileLines(fixesReportFile), std::vector<std::string>{"fix c"});
}

TEST_F(ScanReportsTest, AReportThatCannotBeRemovedLeavesTheOthers) {
  // A folder in a report's place cannot be removed as a file.
  fs::create_directories(fixesReportFile / "held");
  writeText(invalidCfgReportFile, "old\n");
  writeText(incompleteSectionsReportFile, "old\n");
  gf_removePreviousReports();
  EXPECT_FALSE(fs::exists(invalidCfgReportFile));
  EXPECT_FALSE(fs::exists(incompleteSectionsReportFile));
  EXPECT_TRUE(logged("problems with removing previous files: " + gf_pathText(fixesReportFile)));
  EXPECT_TRUE(fs::exists(errorsFolder));
}
