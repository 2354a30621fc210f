#pragma once
// The questions the program asks of the reference database. Exact: texts compare byte by
// byte, upper and lower case apart. They never fail: what is not known is Light, has its
// class's half span, or gives nothing.
#include "core/refdata/dbase_tables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

SizeCategory gf_aircraftCategory(std::string_view type);
SizeCategory gf_aircraftCategory(const DbaseTables& tables, std::string_view type);
bool gf_isKnownAircraftType(std::string_view type);
bool gf_isKnownAirline(std::string_view code);
// Half the wing span in nautical miles: the type's own, else its class's average.
double gf_halfWingspanNm(std::string_view type);

// The keys to try for a registration, in order: DAIPA gives DA-IPA, D-AIPA, DAIPA.
std::vector<std::string> gf_registrationCandidates(std::string_view registration);
std::optional<RegistrationData> gf_lookupRegistration(std::string_view registration);
std::string gf_airlineOfRegistration(std::string_view registration);
std::string gf_operatorOfRegistration(std::string_view registration);
// A known registration of at most 5 characters that stands in the text as a word of its own
// (no letter or digit right before or after it): the earliest, the longer of two at one place.
std::optional<std::string> gf_findRegistrationInText(std::string_view text);
