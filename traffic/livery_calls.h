#pragma once
// What live traffic asks of the liveries: a title for a live aircraft, the set of aircraft
// no livery fits, and a lasting view of a title it remembered as a copy. Tests put their
// own matcher in the place of the livery tables.
#include "records/aircraft.h"

#include <functional>
#include <string>
#include <string_view>

// Sets the aircraft's title (empty when nothing fits) and its FSLTL flag.
void gf_matchLiveLivery(AircraftInfoData& aircraft);
// A view of the installed title with this text that lives as long as the livery tables;
// empty when no such title is installed any more.
std::string_view gf_installedTitle(std::string_view title);

// The two questions above answered by a test's own tables instead of the livery tables;
// empty members put the livery tables back.
struct LiveryTables {
  std::function<void(AircraftInfoData&)> matchLive;
  std::function<std::string_view(std::string_view)> installedTitle;
};
void gf_setLiveryTables(LiveryTables tables);

bool gf_inNoMatchSet(const std::string& text);
void gf_addToNoMatchSet(std::string text);
void gf_clearNoMatchSet();

// Liveries pass over the titles the simulator refused and list the refused models.
void gf_installLiveryHooks();
