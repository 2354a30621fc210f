#include "liveries/matching_summary.h"

#include "liveries_fixture.h"

using namespace liveries_testing;

namespace {
std::vector<std::string> lf_refusedModels() { return {"B738 SWA", "A320 DAL"}; }
} // namespace

class MatchingSummary : public LiveriesTest {
protected:
  std::vector<std::string> logged(void (*report)()) {
    const auto before = logLines().size();
    report();
    const auto lines = logLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
  }
};

TEST_F(MatchingSummary, NoMatchListWithLogOnly) {
  EXPECT_TRUE(logged(gf_logNoLiveryMatches).empty());
  NoMatchSet.insert("DAL A320 N2HV");
  NoMatchSet.insert("AAL A321 N1HV");
  NoMatchSet.insert("AAL A321 N1HV");
  EXPECT_EQ(logged(gf_logNoLiveryMatches),
            (std::vector<std::string>{"", "No match found for:", "AAL A321 N1HV", "DAL A320 N2HV", ""}));
  EXPECT_EQ(NoMatchSet.size(), 2u);
  LOG.set(false);
  EXPECT_TRUE(logged(gf_logNoLiveryMatches).empty());
}

TEST_F(MatchingSummary, SummaryOnceAnyLiveAircraftWasMatched) {
  gf_setLiveryTrafficHooks({nullptr, lf_refusedModels});
  EXPECT_TRUE(logged(gf_logLiveryMatchingSummary).empty()) << "nothing matched yet";
  LiveryMatchCounters = {5, 0, 2, 0, 0, 1};
  LOG.set(false); // written all the same
  const std::vector<std::string> expected{"",
                                          std::string(31, '*') + " live traffic livery matching summary " +
                                              std::string(31, '*'),
                                          "Matches at step: ",
                                          "  1: 5",
                                          "  2: 0",
                                          "  3: 2",
                                          "  4: 0",
                                          "  5: 0",
                                          "  6: 1",
                                          "",
                                          "Could not be created by P3D:",
                                          "  A320 DAL",
                                          "  B738 SWA",
                                          std::string(100, '*'),
                                          ""};
  EXPECT_EQ(logged(gf_logLiveryMatchingSummary), expected);
  EXPECT_EQ(LiveryMatchCounters, (std::array<std::int32_t, 6>{5, 0, 2, 0, 0, 1})) << "totals since the start";
}
