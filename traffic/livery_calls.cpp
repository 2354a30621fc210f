#include "traffic/livery_calls.h"

#include "liveries/livery_tables.h"
#include "liveries/matching.h"
#include "liveries/matching_summary.h"
#include "liveries/traffic_hooks.h"
#include "traffic/traffic_state.h"

#include <utility>

namespace {

LiveryTables testTables;

bool lf_isUncreatableTitle(std::string_view title) { return traffic.uncreatableTitles.contains(std::string(title)); }

std::vector<std::string> lf_uncreatableModels() {
  return {traffic.uncreatableModels.begin(), traffic.uncreatableModels.end()};
}

} // namespace

void gf_matchLiveLivery(AircraftInfoData& aircraft) {
  if (testTables.matchLive)
    testTables.matchLive(aircraft);
  else
    gf_matchLiveAcLivery(aircraft);
}

std::string_view gf_installedTitle(std::string_view title) {
  return testTables.installedTitle ? testTables.installedTitle(title) : gf_findLiveryTitle(title);
}

void gf_setLiveryTables(LiveryTables tables) { testTables = std::move(tables); }

bool gf_inNoMatchSet(const std::string& text) { return NoMatchSet.contains(text); }
void gf_addToNoMatchSet(std::string text) { NoMatchSet.insert(std::move(text)); }
void gf_clearNoMatchSet() { NoMatchSet.clear(); }

void gf_installLiveryHooks() { gf_setLiveryTrafficHooks({&lf_isUncreatableTitle, &lf_uncreatableModels}); }
