#pragma once
// What livery matching needs of live traffic: the titles the simulator refused to create
// (matching passes them over) and the models whose creation it refused (the matching
// summary lists them). Live traffic installs its functions; without them nothing counts as
// refused.
#include <string>
#include <string_view>
#include <vector>

struct LiveryTrafficHooks {
  bool (*isUncreatableTitle)(std::string_view title) = nullptr;
  // "type airline" of every refused aircraft.
  std::vector<std::string> (*uncreatableModels)() = nullptr;
};

void gf_setLiveryTrafficHooks(const LiveryTrafficHooks& hooks);
bool gf_isUncreatableTitle(std::string_view title);
std::vector<std::string> gf_uncreatableModels();
