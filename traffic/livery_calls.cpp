#include "traffic/livery_calls.h"

#include <unordered_set>
#include <utility>

namespace {

LiveryTables testTables;

// Until the livery tables are built into the program, no aircraft gets a title and no text
// is known to them; the no-match set is kept here.
std::unordered_set<std::string> noMatchSet;

} // namespace

void gf_matchLiveLivery(AircraftInfoData& aircraft) {
  if (testTables.matchLive) {
    testTables.matchLive(aircraft);
    return;
  }
  aircraft.liveryTitle = {};
}

std::string_view gf_installedTitle(std::string_view title) {
  if (testTables.installedTitle) return testTables.installedTitle(title);
  return {};
}

void gf_setLiveryTables(LiveryTables tables) { testTables = std::move(tables); }

bool gf_inNoMatchSet(const std::string& text) { return noMatchSet.contains(text); }
void gf_addToNoMatchSet(std::string text) { noMatchSet.insert(std::move(text)); }
void gf_clearNoMatchSet() { noMatchSet.clear(); }

void gf_installLiveryHooks() {}
