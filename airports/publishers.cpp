#include "airports/publishers.h"

#include "core/log.h"
#include "core/refdata/dbase_tables.h"
#include "core/text.h"

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

} // namespace

PublisherMatch gf_publisherFromFileName(std::string_view path) {
  if (gf_containsNoCase(path, "ORBX")) return {"simaddon", fmt::format("from filename => publisher {}", "simaddon")};
  for (const auto& group : dbaseTables.publishers) {
    if (group.empty()) continue;
    for (const auto& alias : group)
      if (gf_containsNoCase(path, alias)) return {group.front(), {}};
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
