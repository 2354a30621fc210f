#include "liveries/matching_summary.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/text.h"
#include "liveries/matching.h"
#include "liveries/traffic_hooks.h"

#include <algorithm>
#include <fmt/format.h>

std::unordered_set<std::string> NoMatchSet;

void gf_logNoLiveryMatches() {
  if (NoMatchSet.empty() || !LOG.get()) return;
  // Sorted, so that two reports of the same set read alike.
  std::vector<std::string> entries(NoMatchSet.begin(), NoMatchSet.end());
  std::sort(entries.begin(), entries.end());
  gf_log("\nNo match found for:");
  for (const auto& entry : entries) gf_log(entry);
  gf_log("");
}

std::vector<std::string> gf_listUncreatableModels() {
  auto models = gf_uncreatableModels();
  std::sort(models.begin(), models.end());
  std::vector<std::string> lines;
  lines.reserve(models.size());
  for (const auto& model : models) lines.push_back("  " + model);
  return lines;
}

void gf_logLiveryMatchingSummary() {
  if (std::none_of(LiveryMatchCounters.begin(), LiveryMatchCounters.end(), [](auto count) { return count > 0; }))
    return;
  std::vector<std::string> lines;
  lines.reserve(256);
  lines.push_back(gf_makeBanner(64, 0, true, false, "live traffic livery matching summary"));
  lines.push_back("Matches at step: ");
  for (std::size_t step = 0; step < LiveryMatchCounters.size(); ++step)
    lines.push_back(fmt::format("  {}: {}", step + 1, LiveryMatchCounters[step]));
  if (auto models = gf_listUncreatableModels(); !models.empty()) {
    lines.push_back(fmt::format("\nCould not be created by {}:", "P3D"));
    lines.insert(lines.end(), models.begin(), models.end());
  }
  lines.push_back(gf_makeBanner(64, 36, false, true, ""));
  for (const auto& line : lines) gf_log(line);
}
