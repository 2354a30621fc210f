#include "core/errors.h"
#include "core/files.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/lookups.h"
#include "core/refdata/stream_cipher.h"
#include "core/settings/file_names.h"
#include "support/test_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace fs = std::filesystem;
using testing_support::LogCapture;
using testing_support::ScopedCurrentPath;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string requiredSections = R"(
<aircrafts><aircraft types="A320,B738,B744,C172,GLF5,R44,F16"/></aircrafts>
<high_performance><hpf types="F16"/></high_performance>
<heavy><hvy types="B744"/></heavy>
<large><lar types="A320,B738"/></large>
<buzjet><bzj types="GLF5"/></buzjet>
<rotorcraft><rot types="R44"/></rotorcraft>
<cargo_types><cargo_type types="B744"/></cargo_types>
<ICAO_airlines><ICAO codes="DLH,BAW"/></ICAO_airlines>
<cargo_operators><ICAO codes="FDX"/></cargo_operators>
<simaddonsP3D><simaddonP3D arpts="EDDF"/></simaddonsP3D>
)";

// Made absolute before any test changes the working folder (under Wine the folder's drive
// decides where a path from the root lies).
const fs::path builtInput = fs::absolute(gf_pathFromText(HVM_BUILT_INPUT_DIR));

double lf_half(double metres) { return metres * 0.5 / 1852.0; }

class DbaseFile : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir / "input");
    dbaseTables = {};
  }
  void TearDown() override { dbaseTables = {}; }

  void writeDbase(const std::string& xml) {
    writeFile(dir / "source.xml", xml);
    gf_streamEncrypt(dir / "source.xml", dbaseFile);
    fs::remove(dir / "source.xml");
  }

  TempDir dir;
  ScopedCurrentPath cwd{dir.path()};
  LogCapture log;
};

} // namespace

TEST_F(DbaseFile, ReadsEverySection) {
  writeDbase(R"(<?xml version="1.0"?>
<aircrafts><aircraft types="A320,B738,B744"/><aircraft types=" C172 , GLF5,R44,F16, A320 "/></aircrafts>
<high_performance><hpf types="F16"/></high_performance>
<heavy><hvy types="B744"/></heavy>
<heavy><hvy types="A320"/></heavy>
<large><lar types=" A320 , B738,A320 "/><other types="C172"/></large>
<buzjet><bzj types="GLF5"/></buzjet>
<rotorcraft><rot types="R44"/></rotorcraft>
<cargo_types><cargo_type types="B744"/></cargo_types>
<similar_types><similar types="B738, A320"/><similar types="R44"/></similar_types>
<ICAO_airlines><ICAO codes="DLH,BAW"/><ICAO codes="KLM"/></ICAO_airlines>
<cargo_operators><ICAO codes="FDX"/></cargo_operators>
<publishers>
  <pub names="Zeta Sceneries, Zeta"/><pub names="Aerosoft,Aerosoft GmbH"/><pub names="Zeta Sceneries, Zeta"/>
</publishers>
<wingspans>
  <wingspan type="B738" meters="35.8"/><wingspan type="A320" meters="34"/><wingspan type="B744" meters="64.4"/>
  <wingspan type="B738" meters="70"/><wingspan type="XXXX" meters="10"/><wingspan type="C172" meters="abc"/>
  <wingspan type="F16" meters="nan"/><wingspan type="R44" meters="-3"/><wingspan meters="12"/>
</wingspans>
<fixes>
  <fx wro="B738W" cor="B738"/><fx wro="B738W" cor="A320"/><fx wro="X" cor=""/><fx wro="Y" cor="ZZZZ"/>
</fixes>
<simaddonsP3D><simaddonP3D arpts="EDDF, EHAM"/></simaddonsP3D>
<thirdpartiesP3D><thirdpartieP3D pub="FlyTampa" arpts="KLAS185, EKCH107"/></thirdpartiesP3D>
<dbase>
  <db reg="D-AIPA" airl="DLH" type="A320"/>
  <db reg="D-AIPA" airl="BAW" type="B738"/>
  <db reg="N123" airl="FDX" type="B744" opr="FDX" cargo="yes"/>
  <db reg="N124" type="C172" cargo="false"/>
</dbase>
)");
  ASSERT_TRUE(gf_readDbase());
  const auto& t = dbaseTables;

  EXPECT_EQ(t.aircraftTypes, (TypeSet{"A320", "B738", "B744", "C172", "F16", "GLF5", "R44"}));
  EXPECT_EQ(t.heavyTypes, TypeSet{"B744"}); // the second heavy section is not read
  EXPECT_EQ(t.largeTypes, (TypeSet{"A320", "B738"}));
  EXPECT_EQ(t.icaoAirlines, (TypeSet{"BAW", "DLH", "KLM"}));
  EXPECT_EQ(t.cargoTypes, TypeSet{"B744"});
  EXPECT_EQ(t.cargoOperators, TypeSet{"FDX"});
  EXPECT_EQ(t.simaddonAirports, (TypeSet{"EDDF", "EHAM"}));
  EXPECT_EQ(t.similarGroups, (std::vector<std::vector<std::string>>{{"A320", "B738"}, {"R44"}}));
  EXPECT_EQ(t.publishers,
            (std::vector<std::vector<std::string>>{{"Aerosoft", "Aerosoft GmbH"}, {"Zeta Sceneries", "Zeta"}}));
  EXPECT_TRUE(log.contains("   2 publishers"));

  // The first span of a type counts; a later one may still raise the largest.
  EXPECT_EQ(t.halfSpans, (std::map<std::string, double, std::less<>>{
                             {"A320", lf_half(34)}, {"B738", lf_half(35.8)}, {"B744", lf_half(64.4)}}));
  EXPECT_DOUBLE_EQ(t.maxHalfSpanNm, lf_half(70));
  for (const char* line :
       {"===> wingspan model XXXX is not valid, skipped", "===> wingspan model  is not valid, skipped",
        "===> wingspan 'abc' of model C172 is not valid, skipped",
        "===> wingspan 'nan' of model F16 is not valid, skipped",
        "===> wingspan '-3' of model R44 is not valid, skipped"})
    EXPECT_TRUE(log.contains(line)) << line;
  const double overall = (lf_half(34) + lf_half(35.8) + lf_half(64.4)) / 3;
  EXPECT_DOUBLE_EQ(t.categoryHalfSpans[gf_categoryIndex(SizeCategory::Large)], (lf_half(34) + lf_half(35.8)) / 2);
  EXPECT_DOUBLE_EQ(t.categoryHalfSpans[gf_categoryIndex(SizeCategory::Heavy)], lf_half(64.4));
  // Classes without a valid span of their own take the average of all spans.
  for (const auto category :
       {SizeCategory::Light, SizeCategory::Buzjets, SizeCategory::HighPerf, SizeCategory::Rotorcraft})
    EXPECT_DOUBLE_EQ(t.categoryHalfSpans[gf_categoryIndex(category)], overall);

  EXPECT_EQ(t.typeFixes, (std::unordered_map<std::string, std::string>{{"B738W", "B738"}}));
  EXPECT_TRUE(log.contains("===> wrong part of fix: 'B738W', already exists, skipped"));
  EXPECT_TRUE(log.contains("===> wrong fix X -> , the latter is not valid"));
  EXPECT_TRUE(log.contains("===> wrong fix Y -> ZZZZ, the latter is not valid"));

  ASSERT_EQ(t.thirdParties.size(), 1u);
  EXPECT_EQ(t.thirdParties[0].pub, "FlyTampa");
  EXPECT_EQ(t.thirdParties[0].arpts, (std::vector<std::string>{"KLAS185", "EKCH107"}));

  EXPECT_EQ(t.registrations.size(), 3u);
  EXPECT_EQ(t.registrations.at("D-AIPA"), (RegistrationData{"DLH", "A320", "", false}));
  EXPECT_EQ(t.registrations.at("N123"), (RegistrationData{"FDX", "B744", "FDX", true}));
  EXPECT_EQ(t.registrations.at("N124"), (RegistrationData{"", "C172", "", false}));
  const auto lines = log.lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "===> regcode D-AIPA already exists"), 1);
  EXPECT_TRUE(log.contains("3 dbase records read"));
  EXPECT_FALSE(fs::exists(dbaseXmlFile));
}

TEST_F(DbaseFile, FailuresLeaveTablesAndNoPlainFile) {
  struct Case {
    const char* name;
    std::string enciphered; // empty: written as raw bytes below
    std::string raw;
    std::string error;
    bool userError;
  };
  auto without = [](std::string text, const std::string& section) {
    const auto from = text.find("<" + section + ">");
    const auto to = text.find("</" + section + ">") + section.size() + 3;
    return text.erase(from, to - from);
  };
  const std::string heavyEmpty = "61: In XML file section [heavy], element [hvy], attribute [types] is empty.";
  const Case cases[] = {
      {"empty attribute", without(requiredSections, "heavy") + "<heavy><hvy types=\"\"/></heavy>", "", heavyEmpty,
       true},
      {"only separators", without(requiredSections, "heavy") + "<heavy><hvy types=\" , ,\"/></heavy>", "", heavyEmpty,
       true},
      {"no attribute", without(requiredSections, "heavy") + "<heavy><hvy/></heavy>", "", heavyEmpty, true},
      {"no section", without(requiredSections, "heavy"), "", heavyEmpty, true},
      {"no simaddons", without(requiredSections, "simaddonsP3D"), "",
       "61: In XML file section [simaddonsP3D], element [simaddonP3D], attribute [arpts] is empty.", true},
      {"not XML", requiredSections + "<dbase><db reg=\"D-AIPA\"></dbase>", "",
       "60: '" + gf_pathText(dbaseXmlFile) + "' not read because of ", true},
      {"not enciphered", "", "<aircrafts/>", gf_pathText(dbaseFile) + " stream decrypt failed", false},
  };
  for (const auto& c : cases) {
    DbaseTables before;
    before.aircraftTypes = {"SENTINEL"};
    dbaseTables = before;
    if (c.raw.empty())
      writeDbase(c.enciphered);
    else
      writeFile(dbaseFile, c.raw);
    try {
      gf_readDbase();
      ADD_FAILURE() << c.name << ": no error";
    } catch (const hvm::UserErrorException& e) {
      EXPECT_TRUE(c.userError) << c.name;
      EXPECT_EQ(std::string(e.what()).substr(0, c.error.size()), c.error) << c.name;
    } catch (const std::runtime_error& e) {
      EXPECT_FALSE(c.userError) << c.name;
      EXPECT_EQ(e.what(), c.error) << c.name;
    }
    EXPECT_EQ(dbaseTables.aircraftTypes, before.aircraftTypes) << c.name;
    EXPECT_FALSE(fs::exists(dbaseXmlFile)) << c.name;
  }

  fs::remove(dbaseFile);
  try {
    gf_readDbase();
    ADD_FAILURE() << "no error for a missing file";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), gf_pathText(dbaseFile) + " not available");
  }
}

TEST_F(DbaseFile, OptionalSectionsMayBeMissing) {
  writeDbase(requiredSections);
  ASSERT_TRUE(gf_readDbase());
  EXPECT_TRUE(dbaseTables.registrations.empty());
  EXPECT_TRUE(log.contains("0 dbase records read"));
  EXPECT_TRUE(dbaseTables.similarGroups.empty());
  EXPECT_TRUE(dbaseTables.publishers.empty());
  EXPECT_TRUE(dbaseTables.thirdParties.empty());
  EXPECT_TRUE(dbaseTables.halfSpans.empty());
  // Without any span every class and type has the half span 0, never NaN.
  EXPECT_EQ(dbaseTables.maxHalfSpanNm, 0.0);
  for (const char* type : {"A320", "B744", "UNKNOWN"}) EXPECT_EQ(gf_halfWingspanNm(type), 0.0) << type;
}

// The data files the build made from data/ are what the program reads.
TEST_F(DbaseFile, ProjectDataFilesDecipherAndRead) {
  fs::copy_file(builtInput / "dbase.enc", dbaseFile);
  ASSERT_TRUE(gf_readDbase());
  EXPECT_FALSE(fs::exists(dbaseXmlFile));
  EXPECT_GT(dbaseTables.aircraftTypes.size(), 300u);
  EXPECT_GT(dbaseTables.icaoAirlines.size(), 200u);
  EXPECT_GT(dbaseTables.registrations.size(), 100u);
  EXPECT_EQ(dbaseTables.halfSpans.size(), dbaseTables.aircraftTypes.size()); // a span for every type
  for (std::size_t i = 0; i < sizeCategoryCount; ++i) EXPECT_GT(dbaseTables.categoryHalfSpans[i], 0.0) << i;
  EXPECT_FALSE(log.contains("===>")) << "the project's own data gives no warning";

  EXPECT_EQ(gf_aircraftCategory("B738"), SizeCategory::Large);
  EXPECT_EQ(gf_aircraftCategory("B77W"), SizeCategory::Heavy);
  EXPECT_EQ(gf_aircraftCategory("GLF5"), SizeCategory::Buzjets);
  EXPECT_EQ(gf_aircraftCategory("AS50"), SizeCategory::Rotorcraft);
  EXPECT_EQ(gf_aircraftCategory("F16"), SizeCategory::HighPerf);
  EXPECT_EQ(gf_aircraftCategory("C172"), SizeCategory::Light);
  // Above 136 t take-off mass a type is heavy, narrow body or not.
  for (const char* type : {"B703", "DC86", "DC87", "E6", "A400", "CONC", "E3TF", "K35R"})
    EXPECT_EQ(gf_aircraftCategory(type), SizeCategory::Heavy) << type;
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("B738"), lf_half(35.79));
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("C25B"), lf_half(16.26)); // CJ3: the longer wing of the CJ family
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("C25C"), lf_half(15.49));
  EXPECT_DOUBLE_EQ(dbaseTables.maxHalfSpanNm, lf_half(88.4)); // the An-225
  EXPECT_EQ(gf_lookupRegistration("N8604K"), (RegistrationData{"SWA", "B738", "", false}));
  EXPECT_EQ(gf_lookupRegistration("DAIPA")->airl, "DLH");
  EXPECT_TRUE(gf_isKnownAirline("AAL"));
  EXPECT_TRUE(dbaseTables.cargoOperators.contains("FDX"));
  EXPECT_EQ(dbaseTables.typeFixes.at("GX"), "GLEX");

  fs::copy_file(builtInput / "AIG-regcodes.enc", aigRegcodesEncFile);
  ASSERT_TRUE(gf_streamDecrypt(aigRegcodesEncFile, aigRegcodesXmlFile));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(aigRegcodesXmlFile.c_str()));
  gf_removeFile(aigRegcodesXmlFile);
  int liveries = 0;
  for (const auto livery : document.child("AIG-regcodes").children("livery")) {
    ++liveries;
    EXPECT_STRNE(livery.attribute("title").as_string(), "");
    EXPECT_STRNE(livery.attribute("reg").as_string(), "");
  }
  EXPECT_GE(liveries, 10);
}
