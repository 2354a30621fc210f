#pragma once
// The reference database: aircraft types and their size classes, alike types, airlines,
// wing spans, type corrections, scenery publishers and real registrations. Filled once at
// start-up by gf_readDbase and only read afterwards, from any thread, without a lock.
#include "core/refdata/size_category.h"

#include <array>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

using TypeSet = std::set<std::string, std::less<>>;

struct ThirdPartyData {
  std::string pub;
  std::vector<std::string> arpts;
};

struct RegistrationData {
  std::string airl;
  std::string type;
  std::string opr;
  bool cargo = false;

  bool operator==(const RegistrationData&) const = default;
};

struct DbaseTables {
  TypeSet aircraftTypes;
  TypeSet highPerfTypes;
  TypeSet heavyTypes;
  TypeSet largeTypes;
  TypeSet buzjetTypes;
  TypeSet rotorcraftTypes;
  TypeSet cargoTypes;
  // Each group sorted; groups in file order.
  std::vector<std::vector<std::string>> similarGroups;
  TypeSet icaoAirlines;
  TypeSet cargoOperators;
  // The first name of a group is the publisher's, every name of it an alias.
  std::vector<std::vector<std::string>> publishers;
  // Half the wing span in nautical miles.
  std::map<std::string, double, std::less<>> halfSpans;
  double maxHalfSpanNm = 0;
  std::array<double, sizeCategoryCount> categoryHalfSpans{};
  std::unordered_map<std::string, std::string> typeFixes;
  TypeSet simaddonAirports;
  std::vector<ThirdPartyData> thirdParties;
  std::unordered_map<std::string, RegistrationData> registrations;
};

extern DbaseTables dbaseTables;

// Deciphers input/dbase.enc, fills dbaseTables and removes the plain file again. Throws
// std::runtime_error when the file is missing or does not decipher, UserErrorException 60
// when it does not parse and 61 when a list section holds no code; the tables are then
// left as they were, and no plain file stays behind.
bool gf_readDbase();
