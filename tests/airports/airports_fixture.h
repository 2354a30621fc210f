#pragma once
// Fixtures of the airport tests: reference data of their own, aircraft records and stands.
#include "airports/stands.h"
#include "core/refdata/dbase_tables.h"
#include "core/settings/parameters.h"
#include "records/aircraft.h"

#include <string>
#include <utility>

namespace airports_testing {

// Replaces the reference data for the life of the object with a few registrations and
// wing spans, and puts the old tables back at the end.
class ReferenceData {
public:
  ReferenceData() : saved_(std::move(dbaseTables)) {
    dbaseTables = DbaseTables{};
    // D-AIPA is found by its candidate key "D-AIPA" for "DAIPA"; PH-BXA has an operator.
    dbaseTables.registrations = {
        {"D-AIPA", {"DLH", "A320", "", false}},
        {"PH-BXA", {"KLM", "B738", "TRA", false}},
        {"N12345", {"UAL", "B77W", "", false}},
    };
    // Half spans in nautical miles: metres / 2 / 1852.
    dbaseTables.halfSpans = {
        {"C172", 11.0 / 2 / 1852}, {"C208", 15.9 / 2 / 1852}, {"B752", 38.1 / 2 / 1852}, {"B763", 47.6 / 2 / 1852},
        {"A306", 44.8 / 2 / 1852}, {"A320", 35.8 / 2 / 1852}, {"B738", 35.8 / 2 / 1852}, {"A21N", 35.8 / 2 / 1852},
        {"B77W", 64.8 / 2 / 1852}, {"EC35", 10.2 / 2 / 1852},
    };
    dbaseTables.categoryHalfSpans = {10.0 / 1852, 8.0 / 1852, 17.0 / 1852, 30.0 / 1852, 6.0 / 1852, 5.0 / 1852};
    dbaseTables.publishers = {{"FlyTampa", "flytampa", "FT_"}, {"Aerosoft", "aerosoft"}};
  }
  ReferenceData(const ReferenceData&) = delete;
  ReferenceData& operator=(const ReferenceData&) = delete;
  ~ReferenceData() { dbaseTables = std::move(saved_); }

private:
  DbaseTables saved_;
};

// Keeps the per-airport settings (and RANGE) as they were before the test.
class AirportSettingsGuard {
public:
  AirportSettingsGuard()
      : range_(RANGE.get()), maxLive_(MAX_LIVE_SEL.get()), percentage_(parking_percentage.get()),
        maxFit_(MAX_FIT.get()), maxFitHours_(MAX_FIT_FL.get()), autoRange_(AUTO_RANGE.get()), week_(WEEK.get()),
        fake_(PARK_FAKE.get()), soft_(PARK_SOFT.get()), initial_(INITIAL_LOAD_ONLY.get()), learnSoft_(LEARN_SOFT.get()),
        random_(RANDOM.get()) {}
  AirportSettingsGuard(const AirportSettingsGuard&) = delete;
  AirportSettingsGuard& operator=(const AirportSettingsGuard&) = delete;
  ~AirportSettingsGuard() {
    RANGE.set(range_);
    MAX_LIVE_SEL.set(maxLive_);
    parking_percentage.set(percentage_);
    MAX_FIT.set(maxFit_);
    MAX_FIT_FL.set(maxFitHours_);
    AUTO_RANGE.set(autoRange_);
    WEEK.set(week_);
    PARK_FAKE.set(fake_);
    PARK_SOFT.set(soft_);
    INITIAL_LOAD_ONLY.set(initial_);
    LEARN_SOFT.set(learnSoft_);
    RANDOM.set(random_);
  }

private:
  std::int32_t range_, maxLive_, percentage_, maxFit_;
  float maxFitHours_;
  bool autoRange_, week_, fake_, soft_, initial_, learnSoft_, random_;
};

// The settings every golden file of the tests was written with.
inline void setDefaultAirportSettings() {
  RANGE.set(40);
  MAX_LIVE_SEL.set(500);
  parking_percentage.set(30);
  MAX_FIT.set(47);
  AUTO_RANGE.set(true);
  WEEK.set(false);
  PARK_FAKE.set(false);
  PARK_SOFT.set(true);
  INITIAL_LOAD_ONLY.set(false);
  LEARN_SOFT.set(true);
}

inline AircraftData makeAircraft(std::string airline, std::string type, std::string callsign = {},
                                 std::string registration = {}) {
  AircraftData aircraft;
  aircraft.aircraftInfo.airline = std::move(airline);
  aircraft.aircraftInfo.type = std::move(type);
  aircraft.aircraftInfo.callsign = std::move(callsign);
  aircraft.aircraftInfo.registration = std::move(registration);
  return aircraft;
}

inline StandOptionData makeOption(std::string registration, std::int32_t number, std::int32_t day, std::uint64_t hours,
                                  bool real = true) {
  StandOptionData option;
  option.airline = "DLH";
  option.type = "A320";
  option.registration = std::move(registration);
  option.number = number;
  option.day = day;
  option.hours = hours;
  option.real = real;
  return option;
}

inline std::uint64_t bit(std::int32_t slot) { return std::uint64_t{1} << slot; }

} // namespace airports_testing
