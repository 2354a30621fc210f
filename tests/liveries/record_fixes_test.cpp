#include "liveries/record_fixes.h"

#include "core/refdata/stream_cipher.h"
#include "liveries_fixture.h"

using namespace liveries_testing;
namespace fs = std::filesystem;

class RecordFixes : public LiveriesTest {};

TEST_F(RecordFixes, ModelCodeFromTheIvaoLibraryPath) {
  dbaseTables.aircraftTypes.insert({"T154", "GLID", "B744"});
  struct Case {
    const char* path;
    const char* model; // empty: no model, reported
  };
  const Case cases[] = {
      {"C:\\AI\\IVAO_MTL\\IVAO_B738w\\aircraft.cfg", "B738"},
      {"C:/AI/ivao_mtl/ivao_B738/AIRCRAFT.CFG", "B738"},
      {"x\\IVAO_MTL\\IVAO_T154B2\\aircraft.cfg", "T154"},
      {"x\\IVAO_MTL\\IVAO_GLID_KA8\\aircraft.cfg", "GLID"},
      {"x\\IVAO_MTL\\IVAO_B744F\\aircraft.cfg", "B744"},
      {"x\\IVAO_MTL\\IVAO_B744f\\aircraft.cfg", ""},    // no rename in lower case, and no such type
      {"x\\IVAO_MTL\\IVAO_B738\\aircraft_cfg", "B738"}, // any character for the dot
      {"x\\IVAO_MTL\\IVAO_B738\\sim.cfg", ""},
      {"\\IVAO_MTL\\IVAO_B738\\aircraft.cfg", ""}, // nothing before the library
      {"x\\IVAO_MTL\\Other\\IVAO_B738\\aircraft.cfg", ""},
      {"x\\IVAO_MTL\\IVAO_B7-8\\aircraft.cfg", ""},
  };
  for (const auto& c : cases) {
    scanReports.invalidModelCodes.clear();
    EXPECT_EQ(gf_ivaoModelFromPath(gf_pathFromText(c.path)), c.model) << c.path;
    EXPECT_EQ(scanReports.invalidModelCodes.size(), std::string_view(c.model).empty() ? 1u : 0u) << c.path;
  }
  scanReports.invalidModelCodes.clear();
  gf_ivaoModelFromPath(gf_pathFromText("x\\IVAO_MTL\\IVAO_B738\\sim.cfg"));
  EXPECT_EQ(scanReports.invalidModelCodes.lines(),
            std::vector<std::string>{fmt::format("{:16} in {}", "  ", "x\\IVAO_MTL\\IVAO_B738\\sim.cfg")});
}

TEST_F(RecordFixes, ModelCodeFromAtcModelKnownFixedOrReported) {
  const fs::path file = "a/aircraft.cfg";
  EXPECT_EQ(gf_modelFromAtcModel({"[fltsim.0]", "title=x", "[General]", "atc_model=A320"}, file), "A320");
  EXPECT_EQ(gf_modelFromAtcModel({"atc_model=", "ATC_MODEL = B738W"}, file), "B738");
  EXPECT_EQ(scanReports.modelFixes.lines(),
            std::vector<std::string>{fmt::format("Model fix: B738W found in {} changed into B738", gf_pathText(file))});
  EXPECT_EQ(gf_modelFromAtcModel({"atc_model=b738"}, file), "");
  EXPECT_EQ(scanReports.invalidModelCodes.lines(),
            std::vector<std::string>{fmt::format("{:16} in {}", "b738", gf_pathText(file))});
  EXPECT_EQ(gf_modelFromAtcModel({"[fltsim.0]"}, file), "");
  EXPECT_EQ(scanReports.invalidCfgFiles.lines(),
            std::vector<std::string>{"Line atc_model= is missing in [General] section of " + gf_pathText(file)});
}

TEST_F(RecordFixes, EachTitleOncePerScan) {
  const auto first = gf_makeLiveryData(2, "AAL", "A321", false, "Title", "N1");
  EXPECT_EQ(first, livery("AAL", "A321", "Title", "N1", true));
  EXPECT_EQ(first.folder, 2);
  EXPECT_EQ(gf_makeLiveryData(1, "DAL", "A321", true, "Title", ""), LiveryData{});
  EXPECT_EQ(gf_makeLiveryData(1, "DAL", "A321", true, "title", "").title, "title"); // case counts
  gf_resetScanReports();
  EXPECT_EQ(gf_makeLiveryData(1, "DAL", "A321", true, "Title", "").title, "Title");
}

TEST_F(RecordFixes, RegistrationDataUpdatesTheLiveries) {
  ScannedLiveryList = {
      livery("JBU", "A320", "Conversions", "N124AA"), livery("FDX", "B763", "Cargo flag", "N134FE"),
      livery("ASA", "E75L", "Operator", "N631QX"),    livery("PVT", "A320", "Without airline", "N24CV"),
      livery("UAL", "A320", "Unknown", "N999HV"),     livery("UAL", "A320", "None", "")};
  gf_applyRegistrationData();
  const std::list<LiveryData> expected{
      livery("AAL", "A321", "Conversions", "N124AA"), livery("FDX", "B763", "Cargo flag", "N134FE", true),
      livery("QXE", "E75L", "Operator", "N631QX"),    livery("PVT", "C172", "Without airline", "N24CV"),
      livery("UAL", "A320", "Unknown", "N999HV"),     livery("UAL", "A320", "None", "")};
  EXPECT_EQ(ScannedLiveryList, expected);
  const std::vector<std::string> lines{
      fmt::format("{:80} N124AA airl JBU => AAL", "Conversions"),
      fmt::format("{:80} N124AA model A320 => A321", "Conversions"),
      fmt::format("{:80} N134FE cargo false => true", "Cargo flag"),
      fmt::format("{:80} N631QX airl ASA => QXE", "Operator"),
      fmt::format("{:80} N24CV model A320 => C172", "Without airline"),
  };
  EXPECT_EQ(scanReports.registrationConversions, lines);
}

TEST_F(RecordFixes, DontUseTitlesFromBothRegistrationFiles) {
  writeText(work("plain.xml"), "<AIG-regcodes><livery title=\"AIG Forbidden\"/>"
                               "<livery title=\"AIG Used\" reg=\"N1HV\"/></AIG-regcodes>");
  gf_streamEncrypt(work("plain.xml"), aigRegcodesEncFile);
  writeText(myRegcodesFolder / "mine.TXT", "My Forbidden\nMy Used;N2HV\n");
  gf_loadDontUseTitles();
  EXPECT_TRUE(gf_isDontUseTitle("AIG Forbidden"));
  EXPECT_TRUE(gf_isDontUseTitle("My Forbidden"));
  EXPECT_FALSE(gf_isDontUseTitle("AIG Used"));
  EXPECT_FALSE(gf_isDontUseTitle("My Used"));
  EXPECT_FALSE(fs::exists(aigRegcodesXmlFile)) << "the plain file goes";
  EXPECT_TRUE(logged("1 don't use title read"));
  EXPECT_TRUE(logged(fmt::format("1 don't use title read from files in {}", gf_pathText(myRegcodesFolder))));
  gf_resetScanReports();
  EXPECT_FALSE(gf_isDontUseTitle("AIG Forbidden"));
}
