#include "airports/publishers.h"

#include "core/log.h"
#include "core/refdata/dbase_tables.h"
#include "core/text.h"

#include <cctype>
#include <charconv>
#include <fmt/format.h>
#include <optional>

namespace {

// A decimal int32 from the start: an optional '-', then digits; the rest is ignored. None
// without digits or when it overflows.
std::optional<std::int32_t> lf_leadingInt(std::string_view text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{}) return std::nullopt;
  return value;
}

bool lf_isAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// A short alias ("DD", "STG", "T2G") occurs inside many ordinary words ("Addon Scenery",
// "Testground"), so it counts only as a word of its own: not glued to a letter or digit on
// a side where the alias itself begins or ends with one. Longer aliases count anywhere.
bool lf_pathHasAlias(std::string_view path, std::string_view alias) {
  if (alias.size() > 4) return gf_containsNoCase(path, alias);
  if (alias.empty()) return true;
  for (std::size_t at = 0; at + alias.size() <= path.size(); ++at) {
    if (!gf_containsNoCase(path.substr(at, alias.size()), alias)) continue;
    const bool leftFree = at == 0 || !lf_isAlnum(alias.front()) || !lf_isAlnum(path[at - 1]);
    const std::size_t end = at + alias.size();
    const bool rightFree = end == path.size() || !lf_isAlnum(alias.back()) || !lf_isAlnum(path[end]);
    if (leftFree && rightFree) return true;
  }
  return false;
}

} // namespace

PublisherMatch gf_publisherFromFileName(std::string_view path) {
  if (gf_containsNoCase(path, "ORBX")) return {"simaddon", fmt::format("from filename => publisher {}", "simaddon")};
  for (const auto& group : dbaseTables.publishers) {
    if (group.empty()) continue;
    for (const auto& alias : group)
      if (lf_pathHasAlias(path, alias)) return {group.front(), {}};
  }
  return {"unknown", {}};
}

bool gf_matchThirdPartyEntry(ThirdPartyKey& key, std::string_view entry) {
  if (!entry.starts_with(key.code)) return false;
  const auto number = entry.size() > 4 ? lf_leadingInt(entry.substr(4)) : std::nullopt;
  if (number)
    key.number = *number;
  else
    gf_logWarning(fmt::format("{} {} {} {}", key.publisher, key.code, entry, "invalid number"));
  return true;
}
