#include "liveries/fltsim_section.h"

#include "liveries/record_fixes.h"
#include "liveries_fixture.h"

#include <fstream>
#include <optional>

using namespace liveries_testing;
namespace fs = std::filesystem;

namespace {

struct Expected {
  std::string airl, title, atcid;
  bool cargo = false;
};

class FltsimSection : public LiveriesTest {
protected:
  FltsimSection() {
    for (const auto* folder : {"model", "model.HD", "texture.A", "TEXTURE.b"})
      fs::create_directories(aircraft_ / folder);
    std::ofstream(aircraft_ / "AI.air") << "air";
  }

  std::optional<SectionLivery> process(std::vector<std::string> lines, const std::string& model = "A320") {
    AircraftFolder folder(aircraft_);
    CfgLines views(lines.begin(), lines.end());
    return gf_procesFltSimSection(3, views, model, file_, folder);
  }
  std::optional<SectionLivery> processIvao(std::vector<std::string> lines, const std::string& model = "B738") {
    AircraftFolder folder(aircraft_);
    CfgLines views(lines.begin(), lines.end());
    return gf_procesIvaoFltSimSection(3, views, model, file_, folder);
  }
  std::string folderText() const { return gf_pathText(aircraft_); }
  std::string fileText() const { return gf_pathText(file_); }
  // The section's lines: the header, the files' keys and the given keys.
  static std::vector<std::string> section(std::vector<std::string> keys) {
    std::vector<std::string> lines{"[fltsim.4]", "sim=AI", "texture=A"};
    lines.insert(lines.end(), keys.begin(), keys.end());
    return lines;
  }

  fs::path aircraft_ = work("SimObjects/Airplanes/Demo A320");
  fs::path file_ = aircraft_ / "aircraft.cfg";
};

} // namespace

TEST_F(FltsimSection, GeneralVariantSettlesAirlineRegistrationAndCargo) {
  struct Case {
    std::vector<std::string> keys;
    std::optional<Expected> expected;
    std::vector<std::string> incomplete = {}; // report lines besides the missing-airline line
    bool missingAirline = false;
    std::string model = "A320";
  };
  const auto header = std::string("[fltsim.4]");
  const std::vector<Case> cases{
      {{"title=Plain", "atc_parking_codes=AAL,XYZ", "atc_id=N12345;old"}, Expected{"AAL", "Plain", "N12345"}},
      {{"title=Four", "atc_parking_codes=AALX"}, Expected{"AAL", "Four", ""}},
      {{"title=Lower", "atc_parking_codes=AALx"}, Expected{"PVT", "Lower", ""}, {}, true}, // an unknown code
      {{"title=Rfo", "atc_parking_codes=RFO"}, std::nullopt},                              // dropped without a word
      {{"title=Cargo", "atc_parking_codes=FDX", "atc_parking_types=gate_heavy, cargo"},
       Expected{"FDX", "Cargo", "", true}},
      {{"title=Cargo2", "atc_parking_codes=FDX", "atc_parking_types=Cargo"}, Expected{"FDX", "Cargo2", "", true}},
      {{"title=Zzz", "atc_parking_codes=ZZZ", "atc_id=N5HV"}, Expected{"ZZZ", "Zzz", ""}},
      {{"title=Two regs", "atc_parking_codes=UAL", "atc_id=D-ABCD,D-ABCE", "atc_id=N9HV"},
       Expected{"UAL", "Two regs", "N9HV"}},
      {{"title=Star", "atc_parking_codes=UAL", "atc_id=**"},
       Expected{"UAL", "Star", ""},
       {"invalid atc_id=** in: Star"}},
      {{"title=Commented", "atc_parking_codes=UAL", "atc_id=N3HV", "  //atc_id=N4HV"},
       Expected{"UAL", "Commented", "N3HV"}},
      {{"title=Second id", "atc_parking_codes=UAL", "atc_id=N3HV", "atc_id=N4HV"},
       std::nullopt,
       {fmt::format("{}, {}, has more than one atc_id key", folderText(), header)}},
      {{"title=One", "model=HD", "model=ignored", "atc_parking_codes=UAL", "title=Two"},
       std::nullopt,
       {fmt::format("{} {} has more than one title key", folderText(), header)}},
      {{"title=Codes", "atc_parking_codes=UAL", "atc_parking_codes=DAL"},
       std::nullopt,
       {fmt::format("{} {} has more than one atc_parking_codes key", folderText(), header)}},
      {{"title=Types", "atc_parking_codes=UAL", "atc_parking_types=GATE", "atc_parking_types=RAMP"},
       std::nullopt,
       {fmt::format("{} {} has more than one atc_parking_types key", folderText(), header)}},
      // A title before its airline is known: the rejection reports the missing airline too.
      {{"title=Early", "title=Again", "atc_parking_codes=UAL"},
       std::nullopt,
       {fmt::format("{} {} has more than one title key", folderText(), header)},
       true},
      // No airline: the registration's, else private with a registration found in the title.
      {{"title=Known reg", "atc_id=N124AA"}, Expected{"AAL", "Known reg", "N124AA"}, {}, true},
      {{"title=Private N24CV"}, Expected{"PVT", "Private N24CV", "N24CV"}, {}, true},
      {{"title=PrivateN24CV"}, Expected{"PVT", "PrivateN24CV", ""}, {}, true},
      {{"title=Unknown reg", "atc_id=N999HV"}, Expected{"PVT", "Unknown reg", "N999HV"}, {}, true},
      {{"title=Heavy", "atc_id=N999HV"},
       std::nullopt,
       {fmt::format("'{}' '{}' has no airline and regcode not in dbase", folderText(), header)},
       true,
       "B77W"},
      {{"title=Heavy"},
       std::nullopt,
       {fmt::format("'{}' '{}' has no airline and no regcode info", folderText(), header)},
       true,
       "B77W"},
      // A known registration without airline gives no empty airline.
      {{"title=Empty airline reg", "atc_id=N24CV"}, Expected{"PVT", "Empty airline reg", "N24CV"}, {}, true},
      {{"atc_parking_codes=UAL"}, std::nullopt, {fmt::format("{} {} misses title", folderText(), header)}},
      {{"title=" + std::string(256, 'T'), "atc_parking_codes=UAL"},
       std::nullopt,
       {fmt::format("{} {} title of 256 bytes, longer than the simulator takes: '{}'", folderText(), header,
                    std::string(256, 'T'))}},
      {{"title=" + std::string(255, 'T'), "atc_parking_codes=UAL"}, Expected{"UAL", std::string(255, 'T'), ""}},
  };
  for (const auto& c : cases) {
    scanReports.incompleteSections.clear();
    const auto result = process(section(c.keys), c.model);
    const auto what = c.keys.empty() ? std::string() : c.keys.front();
    ASSERT_EQ(result.has_value(), c.expected.has_value()) << what;
    if (result) {
      const auto& r = result->record;
      EXPECT_EQ(r.airl, c.expected->airl) << what;
      EXPECT_EQ(r.type, c.model) << what;
      EXPECT_EQ(r.title, c.expected->title) << what;
      EXPECT_EQ(r.atcid, c.expected->atcid) << what;
      EXPECT_EQ(r.cargo, c.expected->cargo) << what;
      EXPECT_EQ(r.folder, 3) << what;
      EXPECT_EQ(result->takenLine(folderText()),
                fmt::format("{} {} title '{}' already exists", folderText(), header, c.expected->title));
    }
    auto expected = c.incomplete;
    if (c.missingAirline)
      expected.push_back(fmt::format("{} {} icao_airline is missing, or it has invalid info ", fileText(), header));
    auto lines = scanReports.incompleteSections.lines();
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected) << what;
  }
  EXPECT_EQ(scanReports.invalidAirlineCodes.lines(),
            std::vector<std::string>{fmt::format("{:12} in {} {}", "AALx", fileText(), header)});
}

TEST_F(FltsimSection, FilesOfTheSectionMustExistInsideTheFolder) {
  const auto header = std::string("[fltsim.4]");
  const auto modelText = gf_pathText(aircraft_ / "model.");
  struct Case {
    std::vector<std::string> lines;
    std::string report; // empty: the livery is made
  };
  const std::vector<Case> cases{
      // Windows' rules: letter case and a trailing dot do not count.
      {{"[fltsim.4]", "title=Case", "SIM=ai", "texture=b", "atc_parking_codes=UAL"}, ""},
      {{"[fltsim.4]", "title=Model", "sim=AI", "model=hd", "texture=A", "atc_parking_codes=UAL"}, ""},
      {{"[fltsim.4]", "title=No texture", "sim=AI", "texture=C", "atc_parking_codes=UAL"},
       modelText + " or related path does not exist: " + header},
      {{"[fltsim.4]", "title=No air", "sim=Other", "texture=A", "atc_parking_codes=UAL"},
       modelText + " or related path does not exist: " + header},
      {{"[fltsim.4]", "title=No model", "sim=AI", "model=XX", "texture=A", "atc_parking_codes=UAL"},
       gf_pathText(aircraft_ / "model.XX") + " or related path does not exist: " + header},
      {{"[fltsim.4]", "title=Host", "sim=\\\\host\\share\\AI", "texture=A", "atc_parking_codes=UAL"},
       fmt::format("{} {} sim=\\\\host\\share\\AI names nothing inside the aircraft folder", folderText(), header)},
      {{"[fltsim.4]", "title=Drive", "sim=C:\\AI", "texture=A", "atc_parking_codes=UAL"},
       fmt::format("{} {} sim=C:\\AI names nothing inside the aircraft folder", folderText(), header)},
      {{"[fltsim.4]", "title=Up", "sim=AI", "texture=..\\..\\A", "atc_parking_codes=UAL"},
       fmt::format("{} {} texture=..\\..\\A names nothing inside the aircraft folder", folderText(), header)},
      // Trailing empty and commented lines are no part of the section.
      {{"[fltsim.4]", "title=Trailing", "sim=AI", "texture=A", "atc_parking_codes=UAL", "atc_id=N1HV", "",
        "//atc_id=N2HV", ""},
       ""},
  };
  for (auto c : cases) {
    scanReports.incompleteSections.clear();
    AircraftFolder folder(aircraft_);
    CfgLines lines(c.lines.begin(), c.lines.end());
    const auto result = gf_procesFltSimSection(1, lines, "A320", file_, folder);
    EXPECT_EQ(result.has_value(), c.report.empty()) << c.lines[1];
    EXPECT_EQ(scanReports.incompleteSections.lines(),
              c.report.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.report})
        << c.lines[1];
  }
}

TEST_F(FltsimSection, DontUseTitlesAreLeftOutSilently) {
  DontUseTitles.insert("Forbidden");
  EXPECT_FALSE(process(section({"title=Forbidden", "atc_parking_codes=UAL"})));
  EXPECT_TRUE(scanReports.incompleteSections.lines().empty());
  EXPECT_TRUE(process(section({"title=forbidden", "atc_parking_codes=UAL"}))) << "titles compare by bytes";
}

TEST_F(FltsimSection, IvaoVariantTakesTheAirlineFromTheTitle) {
  const auto header = std::string("[fltsim.4]");
  struct Case {
    std::vector<std::string> keys;
    std::optional<Expected> expected;
    std::string report = {};
  };
  const std::vector<Case> cases{
      {{"title=B738 AAL Demo", "atc_parking_types=CARGO"}, Expected{"AAL", "B738 AAL Demo", ""}},
      {{"title=b738AAL Demo"}, Expected{"AAL", "b738AAL Demo", ""}},
      {{"title=B738 ZZZ Default", "atc_id=N5HV"}, Expected{"ZZZ", "B738 ZZZ Default", ""}},
      {{"title=B738 QQX Unknown"}, std::nullopt},
      {{"title=Demo Livery B738", "atc_id=N124AA"}, Expected{"AAL", "Demo Livery B738", "N124AA"}},
      {{"title=Demo Livery B738", "atc_id=N999HV"},
       std::nullopt,
       fmt::format("{} {} misses airlinecode in title: Demo Livery B738, and regcode unknown N999HV", folderText(),
                   header)},
      {{"title=Demo Livery B738"},
       std::nullopt,
       fmt::format("{} {} misses airlinecode in title: Demo Livery B738, and no regcode", folderText(), header)},
      {{"title=B738 AAL Semicolon", "atc_id=N1HV;x"}, Expected{"AAL", "B738 AAL Semicolon", "N1HV;x"}},
      {{"title=B738 AAL Id", "atc_id=**"}, Expected{"AAL", "B738 AAL Id", ""}, "invalid atc_id=** in B738 AAL Id"},
      {{"title=B738 AAL", "title=B738 DAL"},
       std::nullopt,
       fmt::format("{} {} has more than one title key", folderText(), header)},
  };
  for (const auto& c : cases) {
    scanReports.incompleteSections.clear();
    const auto result = processIvao(section(c.keys));
    const auto& what = c.keys.front();
    ASSERT_EQ(result.has_value(), c.expected.has_value()) << what;
    if (result) {
      EXPECT_EQ(result->record.airl, c.expected->airl) << what;
      EXPECT_EQ(result->record.atcid, c.expected->atcid) << what;
      EXPECT_FALSE(result->record.cargo) << what;
      EXPECT_EQ(result->takenLine(folderText()),
                fmt::format("{} {} title already exists: {}", folderText(), header, c.expected->title));
    }
    const auto lines = scanReports.incompleteSections.lines();
    if (c.report.empty())
      EXPECT_TRUE(lines.empty()) << what;
    else
      EXPECT_EQ(lines, std::vector<std::string>{c.report}) << what;
  }
  EXPECT_EQ(scanReports.invalidAirlineCodes.lines(),
            std::vector<std::string>{fmt::format("{:12} in {} {}", "QQX", fileText(), header)});

  // The files are checked in the order model folder, air file, texture folder.
  scanReports.incompleteSections.clear();
  EXPECT_FALSE(processIvao({"[fltsim.4]", "title=B738 AAL x", "sim=None", "texture=None"}));
  EXPECT_EQ(scanReports.incompleteSections.lines(),
            std::vector<std::string>{fmt::format("{} {} does not exist", gf_pathText(aircraft_ / "None.air"), header)});
}
