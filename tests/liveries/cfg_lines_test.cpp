#include "liveries/cfg_lines.h"

#include "liveries_fixture.h"

using namespace liveries_testing;

TEST(CfgLines, KeyValuesAsTheKeyLinesGiveThem) {
  struct Case {
    const char* line;
    const char* key;
    const char* value; // empty: no match
  };
  const Case cases[] = {
      {"title=My Demo Livery", "title", "My Demo Livery"},
      {"  TITLE =   My Demo Livery   ", "title", "My Demo Livery"},
      {"\tTitle\t=\tTab\t", "title", "Tab"},
      {"title = a=b ; c", "title", "a=b ; c"},
      {"title=ends in a return\r", "title", "ends in a return"},
      {"title=\"quoted\" // comment", "title", "\"quoted\" // comment"},
      {"title=", "title", ""},
      {"title=   ", "title", ""},
      {"title", "title", ""},
      {"mytitle=x", "title", ""},
      {"title_x=y", "title", ""},
      {"my title=x", "title", ""},
      {"title=a\rb", "title", ""}, // a value never spans a line end
      {"sim=foo", "sim", "foo"},
      {"visual_sim=foo", "sim", ""},
      {"Model=", "model", ""},
      {"model=AI", "model", "AI"},
      {"texture = Blue ", "texture", "Blue"},
      {"atc_model=B738", "atc_model", "B738"},
      {"atc_id=N12345", "atc_id", "N12345"},
      {"atc_parking_types=GATE, CARGO", "atc_parking_types", "GATE, CARGO"},
  };
  for (const auto& c : cases) EXPECT_EQ(gf_keyValue(c.line, c.key), c.value) << c.line;

  std::string value = "kept";
  EXPECT_FALSE(gf_matchTitle("title=", value));
  EXPECT_EQ(value, "kept");
  EXPECT_TRUE(gf_matchTitle(" Title = New ", value));
  EXPECT_EQ(value, "New");
  EXPECT_EQ(gf_atcModelValue("ATC_MODEL = A320 "), "A320");
  EXPECT_EQ(gf_atcModelValue("atc_model="), "");

  std::string code = "kept";
  EXPECT_TRUE(gf_matchAtcParkingCode("atc_parking_codes=ABC,XYZ", code));
  EXPECT_EQ(code, "ABC");
  EXPECT_TRUE(gf_matchAtcParkingCode("atc_parking_codes=,ABC", code));
  EXPECT_EQ(code, "");
  EXPECT_TRUE(gf_matchAtcParkingCode("atc_parking_codes= DLH ,X", code));
  EXPECT_EQ(code, "DLH "); // the piece is not trimmed here
  EXPECT_FALSE(gf_matchAtcParkingCode("atc_parking_codes=", code));

  // The plain key tests are case-sensitive substrings.
  EXPECT_TRUE(gf_hasAtcIdKey("//atc_id=N1"));
  EXPECT_FALSE(gf_hasAtcIdKey("atc_id =N1"));
  EXPECT_FALSE(gf_hasAtcIdKey("ATC_ID=N1"));
  EXPECT_TRUE(gf_hasAtcParkingTypesKey("x atc_parking_types"));
  EXPECT_TRUE(gf_isCommentLine("  // atc_id=N1"));
  EXPECT_FALSE(gf_isCommentLine("title=// not a comment"));
}

TEST(CfgLines, SectionHeaders) {
  const std::pair<const char*, const char*> cases[] = {
      {"[fltsim.0]", "0"},
      {"  [FLTSIM.007]  ", "007"},
      {"[Fltsim.2]", "2"},
      {"[fltsim.2]\r", "2"},
      {"[fltsim.12] // comment", "10000"},
      {"[Fltsim.x]", ""},
      {"[fltsim.]", "10000"},
      {"//[fltsim.1]", ""},
      {"  //[fltsim.1]", "10000"},
      {"[General]", ""},
      {"", ""},
      {"description=see [fltsim.3]", "10000"},
  };
  for (const auto& [line, number] : cases) EXPECT_EQ(gf_fltsimSectionNumber(line), number) << line;
}

TEST(CfgLines, LongLinesTakeLinearTime) {
  // A megabyte of blanks, digits or a key's value: each test runs through it once.
  const std::string blanks(1 << 20, ' ');
  const std::string digits = "[fltsim." + std::string(1 << 20, '1');
  const std::string value = "title=" + std::string(1 << 20, 'x') + " ";
  EXPECT_EQ(gf_keyValue(blanks, "title"), "");
  EXPECT_EQ(gf_fltsimSectionNumber(digits), "10000");
  EXPECT_EQ(gf_keyValue(value, "title").size(), std::size_t{1} << 20);
}

class FltsimNumbers : public LiveriesTest {};

TEST_F(FltsimNumbers, OutOfRangeAndMalformedNumbersAndFilesWithoutSections) {
  const std::filesystem::path file = "a/aircraft.cfg";
  EXPECT_TRUE(gf_checkFltsimNumbers({"[fltsim.0]", "title=x", "[FLTSIM.007]", "[fltsim.0]"}, file));
  // Every header carries trailing text: every section is numbered 10000, which passes.
  EXPECT_TRUE(gf_checkFltsimNumbers({"[fltsim.1] x", "[fltsim.2] y"}, file));
  EXPECT_TRUE(scanReports.invalidCfgFiles.lines().empty());

  EXPECT_FALSE(gf_checkFltsimNumbers({"[fltsim.0]", "[fltsim.10001]"}, file));
  EXPECT_EQ(
      scanReports.invalidCfgFiles.lines(),
      std::vector<std::string>{gf_pathText(file) + " contains a [fltsim.x] section with a number < 0 or > 10000"});

  EXPECT_FALSE(gf_checkFltsimNumbers({"[fltsim.12345678901]"}, file));
  EXPECT_EQ(scanReports.invalidCfgFiles.size(), 1u); // a warning in the log only
  EXPECT_TRUE(logged("===> fltsim num [fltsim.12345678901] incorrect"));

  EXPECT_TRUE(gf_checkFltsimNumbers({"[General]", "atc_model=B738"}, file));
  EXPECT_EQ(scanReports.noFltsimFiles.lines(), std::vector<std::string>{gf_pathText(file)});
}

TEST(CfgLines, AtcIdLists) {
  struct Case {
    const char* value;
    bool valid;
    const char* registration;
  };
  const Case cases[] = {{"N12345", true, "N12345"},
                        {" D-ABCD ", true, "D-ABCD"},
                        {"D-ABCD,D-ABCE", true, ""},
                        {"D-ABCD,,D-ABCE", false, "?"},
                        {"**", false, "?"},
                        {"ABCDEFGHIJKLM", false, "?"},
                        {"ABCDEFGHIJKL", true, "ABCDEFGHIJKL"},
                        {"", false, "?"},
                        {" , ", false, "?"}};
  for (const auto& c : cases) {
    std::string registration = "?";
    EXPECT_EQ(gf_checkAtcIdList(c.value, registration), c.valid) << c.value;
    EXPECT_EQ(registration, c.registration) << c.value;
  }
}
