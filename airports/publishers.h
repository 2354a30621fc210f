#pragma once
// The scenery publisher of an add-on airport, for the add-on airport scan.
#include <cstdint>
#include <string>
#include <string_view>

struct PublisherMatch {
  std::string publisher;  // "simaddon", a publisher's name from the reference data, or "unknown"
  std::string reportLine; // the scan report's line about it, empty when there is none
};

// The publisher of a scenery file from its path: "simaddon" for ORBX in any letter case,
// else the first publisher of the reference data one of whose aliases the path holds
// (letter case ignored), else "unknown".
PublisherMatch gf_publisherFromFileName(std::string_view path);

// An airport entry of a publisher's list ("EHAM2": the code and the stand count of the
// archived file) and the code looked for.
struct ThirdPartyKey {
  std::string publisher;
  std::string code;
  std::int32_t number = 0; // the entry's number, when it matches and has one
};
// Whether the entry begins with the key's code; its number then goes into the key (a
// missing or unreadable number is logged and leaves the key's number as it was).
bool gf_matchThirdPartyEntry(ThirdPartyKey& key, std::string_view entry);
