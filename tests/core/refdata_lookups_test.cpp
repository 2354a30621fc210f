#include "core/refdata/dbase_tables.h"
#include "core/refdata/lookups.h"
#include "core/refdata/similar_models.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

using testing_support::LogCapture;

namespace {

class ReferenceLookups : public ::testing::Test {
protected:
  void SetUp() override {
    dbaseTables = {};
    auto& t = dbaseTables;
    t.aircraftTypes = {"A319", "A320", "A321", "B738", "B744", "GLF5", "R44", "F16", "C172", "XHLB", "XHBZ"};
    t.largeTypes = {"A319", "A320", "A321", "B738", "XHLB"};
    t.heavyTypes = {"B744", "XHLB", "XHBZ"};
    t.buzjetTypes = {"GLF5", "XHBZ"};
    t.rotorcraftTypes = {"R44"};
    t.highPerfTypes = {"F16"};
    t.icaoAirlines = {"DLH", "KLM"};
    t.halfSpans = {{"A320", 0.0097}, {"B744", 0.0174}};
    t.categoryHalfSpans = {0.001, 0.002, 0.003, 0.004, 0.005, 0.006};
    t.registrations = {{"D-AIPA", {"DLH", "A320", "", false}}, {"DA-IPB", {"CLH", "A319", "DLH", false}},
                       {"D-AIPB", {"DLH", "A320", "", false}}, {"PH-BXA", {"KLM", "B738", "TRA", false}},
                       {"N123AB", {"FDX", "B744", "", true}},  {"ABCD", {"XYZ", "C172", "", false}},
                       {"", {"EMPTY", "C172", "", false}}};
  }
  void TearDown() override { dbaseTables = {}; }
};

} // namespace

TEST_F(ReferenceLookups, CategoriesAndKnownCodes) {
  struct Case {
    const char* type;
    SizeCategory category;
  };
  for (const auto& c :
       {Case{"A320", SizeCategory::Large}, Case{"B744", SizeCategory::Heavy}, Case{"GLF5", SizeCategory::Buzjets},
        Case{"R44", SizeCategory::Rotorcraft}, Case{"F16", SizeCategory::HighPerf}, Case{"C172", SizeCategory::Light},
        Case{"XHLB", SizeCategory::Large}, // Large before Heavy
        Case{"XHBZ", SizeCategory::Heavy}, // Heavy before Buzjets
        Case{"a320", SizeCategory::Light}, // exact
        Case{"ZZZZ", SizeCategory::Light}, Case{"", SizeCategory::Light}})
    EXPECT_EQ(gf_aircraftCategory(c.type), c.category) << c.type;

  EXPECT_TRUE(gf_isKnownAircraftType("B738"));
  EXPECT_FALSE(gf_isKnownAircraftType("b738"));
  EXPECT_FALSE(gf_isKnownAircraftType(""));
  EXPECT_TRUE(gf_isKnownAirline("DLH"));
  EXPECT_FALSE(gf_isKnownAirline("dlh"));
  EXPECT_FALSE(gf_isKnownAirline(""));
}

TEST_F(ReferenceLookups, HalfSpanOfTheTypeElseOfItsCategory) {
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("A320"), 0.0097);
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("B744"), 0.0174);
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("B738"), 0.003); // Large
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("R44"), 0.006);  // Rotorcraft
  EXPECT_DOUBLE_EQ(gf_halfWingspanNm("ZZZZ"), 0.001); // unknown: Light
}

TEST_F(ReferenceLookups, RegistrationCandidatesAndLookup) {
  using List = std::vector<std::string>;
  EXPECT_EQ(gf_registrationCandidates("DAIPA"), (List{"DA-IPA", "D-AIPA", "DAIPA"}));
  EXPECT_EQ(gf_registrationCandidates("PHBXA"), (List{"PH-BXA", "P-HBXA", "PHBXA"}));
  EXPECT_EQ(gf_registrationCandidates("G-EUUA"), (List{"G-EUUA"}));
  EXPECT_EQ(gf_registrationCandidates("N12345"), (List{"N12345"}));
  EXPECT_EQ(gf_registrationCandidates("ABCD"), (List{"ABCD"}));
  EXPECT_EQ(gf_registrationCandidates(""), (List{""}));

  EXPECT_EQ(gf_lookupRegistration("DAIPA"), (RegistrationData{"DLH", "A320", "", false})); // as D-AIPA
  EXPECT_EQ(gf_lookupRegistration("DAIPB")->airl, "CLH");                                  // DA-IPB is tried first
  EXPECT_EQ(gf_lookupRegistration("PHBXA")->opr, "TRA");
  EXPECT_EQ(gf_lookupRegistration("D-AIPA")->type, "A320");
  EXPECT_TRUE(gf_lookupRegistration("N123AB")->cargo);
  EXPECT_FALSE(gf_lookupRegistration("d-aipa"));
  EXPECT_FALSE(gf_lookupRegistration("")); // the entry stored without registration is not found
  EXPECT_EQ(gf_airlineOfRegistration("PHBXA"), "KLM");
  EXPECT_EQ(gf_operatorOfRegistration("PHBXA"), "TRA");
  EXPECT_EQ(gf_airlineOfRegistration("UNKNOWN"), "");
  EXPECT_EQ(gf_operatorOfRegistration(""), "");
}

TEST_F(ReferenceLookups, RegistrationInText) {
  EXPECT_EQ(gf_findRegistrationInText("Airbus A320 ABCD livery"), "ABCD");
  // Keys of six or more characters are never returned, and the entry without a
  // registration does not occur in every text.
  EXPECT_EQ(gf_findRegistrationInText("Boeing 737 PH-BXA KLM"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText("Lufthansa D-AIPA"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText("nothing here"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText(""), std::nullopt);
  dbaseTables.registrations.emplace("G-ABC", RegistrationData{"BAW", "A320", "", false});
  dbaseTables.registrations.emplace("G-AB", RegistrationData{"BAW", "A320", "", false});
  dbaseTables.registrations.emplace("N1", RegistrationData{"", "C172", "", false});
  // Only as a word of its own: not inside another word or number.
  EXPECT_EQ(gf_findRegistrationInText("xG-ABCx"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText("BAW G-ABCD"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText("G-ABC-1"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText("Cessna N172"), std::nullopt);
  EXPECT_EQ(gf_findRegistrationInText("BAW (G-ABC)"), "G-ABC");
  EXPECT_EQ(gf_findRegistrationInText("G-AB"), "G-AB");
  // The earliest wins, whatever the map's order; at one place the longer one.
  EXPECT_EQ(gf_findRegistrationInText("N1 ABCD"), "N1");
  EXPECT_EQ(gf_findRegistrationInText("ABCD N1"), "ABCD");
  EXPECT_EQ(gf_findRegistrationInText("D-ABCDE,G-ABC"), "G-ABC");
}

namespace {

// Stands in for the livery tables: installed models and each airline's models.
struct FakeLiveries {
  std::set<std::string> installed;
  std::map<std::string, std::set<std::string>> byAirline;

  LiveryQueries queries() const {
    return {[this](const std::string& model) { return installed.contains(model); },
            [this] {
              std::vector<std::string> airlines;
              for (const auto& [airline, models] : byAirline) airlines.push_back(airline.substr(0, 3));
              return airlines;
            },
            [this](const std::string& airline, const std::string& model) {
              const auto found = byAirline.find(airline);
              return found != byAirline.end() && found->second.contains(model);
            }};
  }
};

} // namespace

TEST_F(ReferenceLookups, SimilarModelsFromInstalledLiveries) {
  LogCapture log;
  dbaseTables.similarGroups = {{"A319", "A320", "A321"}, {"B738"}, {"A320", "A20N"}};
  FakeLiveries liveries;
  liveries.installed = {"A320", "A20N"};
  liveries.byAirline = {{"DLH", {"A320"}}, {"EWG", {"A319", "A320"}}, {"KLM", {"B738"}}};
  gf_buildSimilarModels(liveries.queries());

  using List = std::vector<std::string>;
  // The group {A319, A320, A321} with only A320 installed, and {A20N, A320} with both.
  EXPECT_EQ(InstalledSimilarTypes.at("A319"), (List{"A319", "A320"}));
  EXPECT_EQ(InstalledSimilarTypes.at("A321"), (List{"A321", "A320"}));
  EXPECT_EQ(InstalledSimilarTypes.at("A20N"), (List{"A20N", "A320"}));
  EXPECT_EQ(InstalledSimilarTypes.at("A320"), (List{"A320", "A20N"})); // only its second group has others
  EXPECT_FALSE(InstalledSimilarTypes.contains("B738"));                // a group of one
  EXPECT_EQ(InstalledSimilarTypes.size(), 4u);
  EXPECT_TRUE(log.contains("4 similar model definitions"));

  // DLH has A320 but no A319, A321 or A20N: each gets A320. A320 itself has liveries.
  EXPECT_EQ(gf_similarTypesWithLiveries("DLH", "A319"), (List{"A320"}));
  EXPECT_EQ(gf_similarTypesWithLiveries("DLH", "A20N"), (List{"A320"}));
  EXPECT_TRUE(gf_similarTypesWithLiveries("DLH", "A320").empty());
  // EWG has A319, so no entry for A319.
  EXPECT_TRUE(gf_similarTypesWithLiveries("EWG", "A319").empty());
  EXPECT_EQ(gf_similarTypesWithLiveries("EWG", "A321"), (List{"A320"}));
  EXPECT_FALSE(AirlineSimilarTypes.contains("KLM")); // nothing similar installed for it
  EXPECT_TRUE(gf_similarTypesWithLiveries("XXX", "A319").empty());
  EXPECT_TRUE(gf_similarTypesWithLiveries("DLH", "ZZZZ").empty());
}

TEST_F(ReferenceLookups, SimilarListIsShuffledInPlaceAndEmptyWithoutLiveries) {
  LogCapture log;
  dbaseTables.similarGroups = {{"A318", "A319", "A320", "A321", "B736", "B737", "B738", "B739"}};
  FakeLiveries liveries;
  liveries.installed = {"A319", "A320", "A321", "B736", "B737", "B738", "B739"};
  liveries.byAirline = {{"AAA", {"A319", "A320", "A321", "B736", "B737", "B738", "B739"}}};
  gf_buildSimilarModels(liveries.queries());
  const std::vector<std::string> all = {"A319", "A320", "A321", "B736", "B737", "B738", "B739"};
  const auto& list = gf_similarTypesWithLiveries("AAA", "A318");
  auto sorted = list;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, all); // RANDOM may reorder, never lose or add
  EXPECT_EQ(&gf_similarTypesWithLiveries("AAA", "A318"), &list) << "the stored list itself";

  gf_buildSimilarModels(FakeLiveries{}.queries());
  EXPECT_TRUE(InstalledSimilarTypes.empty());
  EXPECT_TRUE(AirlineSimilarTypes.empty());
  EXPECT_TRUE(log.contains("0 similar model definitions"));
}

TEST_F(ReferenceLookups, RandomCategoryModel) {
  EXPECT_TRUE(gf_randomCategoryModel([] { return std::string(); }).empty());
  EXPECT_TRUE(gf_randomCategoryModel(nullptr).empty());
  const auto& first = gf_randomCategoryModel([] { return std::string("C172"); });
  EXPECT_EQ(first, std::vector<std::string>{"C172"});
  const auto& second = gf_randomCategoryModel([] { return std::string("R44"); });
  EXPECT_EQ(&first, &second); // one shared list, overwritten
  EXPECT_EQ(second, std::vector<std::string>{"R44"});
}
