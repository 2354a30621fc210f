#include "core/refdata/lookups.h"

#include <algorithm>

SizeCategory gf_aircraftCategory(const DbaseTables& tables, std::string_view type) {
  if (tables.largeTypes.contains(type)) return SizeCategory::Large;
  if (tables.heavyTypes.contains(type)) return SizeCategory::Heavy;
  if (tables.buzjetTypes.contains(type)) return SizeCategory::Buzjets;
  if (tables.rotorcraftTypes.contains(type)) return SizeCategory::Rotorcraft;
  if (tables.highPerfTypes.contains(type)) return SizeCategory::HighPerf;
  return SizeCategory::Light;
}

SizeCategory gf_aircraftCategory(std::string_view type) { return gf_aircraftCategory(dbaseTables, type); }

bool gf_isKnownAircraftType(std::string_view type) { return !type.empty() && dbaseTables.aircraftTypes.contains(type); }

bool gf_isKnownAirline(std::string_view code) { return !code.empty() && dbaseTables.icaoAirlines.contains(code); }

double gf_halfWingspanNm(std::string_view type) {
  if (const auto found = dbaseTables.halfSpans.find(type); found != dbaseTables.halfSpans.end()) return found->second;
  return dbaseTables.categoryHalfSpans[gf_categoryIndex(gf_aircraftCategory(type))];
}

std::vector<std::string> gf_registrationCandidates(std::string_view registration) {
  std::vector<std::string> candidates;
  candidates.reserve(3);
  if (registration.size() > 4 && registration.front() != 'N' && registration.find('-') == std::string_view::npos) {
    candidates.push_back(std::string(registration.substr(0, 2)) + "-" + std::string(registration.substr(2)));
    candidates.push_back(std::string(registration.substr(0, 1)) + "-" + std::string(registration.substr(1)));
  }
  candidates.emplace_back(registration);
  return candidates;
}

std::optional<RegistrationData> gf_lookupRegistration(std::string_view registration) {
  if (registration.empty()) return std::nullopt;
  for (const auto& candidate : gf_registrationCandidates(registration))
    if (const auto found = dbaseTables.registrations.find(candidate); found != dbaseTables.registrations.end())
      return found->second;
  return std::nullopt;
}

std::string gf_airlineOfRegistration(std::string_view registration) {
  const auto data = gf_lookupRegistration(registration);
  return data ? data->airl : std::string{};
}

std::string gf_operatorOfRegistration(std::string_view registration) {
  const auto data = gf_lookupRegistration(registration);
  return data ? data->opr : std::string{};
}

std::optional<std::string> gf_findRegistrationInText(std::string_view text) {
  // A registration counts only as a word of its own: "G-ABC" in "BAW G-ABC", not in "BAW G-ABCD".
  // The earliest in the text wins, and of two beginning at the same place the longer one, so
  // the answer does not depend on the registration map's order.
  // Hyphens belong to registrations, so they join words too.
  const auto isAlnum = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  };
  const auto isWordChar = [&](char c) { return isAlnum(c) || c == '-'; };
  for (std::size_t start = 0; start < text.size(); ++start) {
    if (!isAlnum(text[start]) || (start > 0 && isWordChar(text[start - 1]))) continue;
    for (auto length = std::min<std::size_t>(5, text.size() - start); length > 0; --length) {
      const auto end = start + length;
      if (end < text.size() && isWordChar(text[end])) continue;
      std::string candidate(text.substr(start, length));
      if (dbaseTables.registrations.contains(candidate)) return candidate;
    }
  }
  return std::nullopt;
}
