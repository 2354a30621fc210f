#include "traffic/parking/stand_queries.h"

#include <algorithm>

StandList::iterator gf_findStandByName(std::string_view name) {
  return std::find_if(standList.begin(), standList.end(), [&](const StandData& s) { return s.name == name; });
}
