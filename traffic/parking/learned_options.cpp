#include "traffic/parking/learned_options.h"

#include "airports/park_airport.h"
#include "airports/stands.h"
#include "core/shell/main_window.h"
#include "records/aircraft.h"
#include "traffic/parking/stand_queries.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::int32_t weekSlots = 7 * slotsPerDay;

// The option of this kind and origin (base) that records the key on the week's day.
bool lf_keyOption(const StandOptionData& option, WeekTime week, const std::string& key, bool real, std::int32_t base) {
  return option.number != 0 && option.day == week.day && option.registration == key && option.real == real &&
         option.base == base;
}

// The park or handmade file says where this aircraft stands on this day; a sighting at
// another half-hour does not overrule it.
bool lf_fileSaysOtherwise(const StandData& stand, WeekTime week, const std::string& key, bool real) {
  return std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOptionData& option) {
    return lf_keyOption(option, week, key, real, 1) && !gf_hasHalfHour(option.hours, week.slot);
  });
}

StandOptionData* lf_learnedOption(StandData& stand, WeekTime week, const std::string& key, bool real) {
  for (auto& option : stand.options)
    if (lf_keyOption(option, week, key, real, 0)) return &option;
  return nullptr;
}

std::string lf_key(const LiveAircraft& aircraft) {
  const auto& info = aircraft.aircraft.aircraftInfo;
  return info.registration.empty() ? info.callsign : info.registration;
}

std::optional<std::int32_t> lf_createOption(StandData& stand, const LiveAircraft& aircraft, bool real, WeekTime week,
                                            const std::string& key) {
  return gf_createStandOption(stand, aircraft.aircraft, real, week, aircraft.aircraft.aircraftInfo.callsign, key);
}

// Steps shared by both kinds: the key, the stand and the file's precedence; the option
// found, or a new one made (and its visitor remembered). True when the caller goes on with
// `option`, false with `result` as the answer.
struct Sighting {
  StandData* stand = nullptr;
  std::string key;
  StandOptionData* option = nullptr;
  bool done = false;   // nothing more to do but count
  bool result = false; // the answer when stand or key is missing or the file says otherwise
};

Sighting lf_sight(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool real, bool rememberNew) {
  Sighting s;
  const auto& info = aircraft.aircraft.aircraftInfo;
  // Before the clock has given the week time there is no half-hour to learn.
  if (week.day < 1 || week.day > 7 || week.slot < 0 || week.slot >= slotsPerDay) return s;
  if (info.registration.empty() && info.callsign.empty()) return s;
  s.key = lf_key(aircraft);
  s.stand = gf_standByNumber(standNumber);
  if (s.stand == nullptr || lf_fileSaysOtherwise(*s.stand, week, s.key, real)) {
    s.stand = nullptr;
    return s;
  }
  s.result = true;
  s.option = lf_learnedOption(*s.stand, week, s.key, real);
  if (s.option == nullptr) {
    const auto made = lf_createOption(*s.stand, aircraft, real, week, s.key);
    if (made && rememberNew) (real ? s.stand->realStays : s.stand->softStays)[info.hexid] = {week, *made};
    s.done = true;
  } else if (gf_hasHalfHour(s.option->hours, week.slot)) {
    s.done = true;
  }
  return s;
}

} // namespace

void gf_countLearnedUpdate() {
  ++standUpdateCount;
  const std::int32_t count = standUpdateCount;
  if (mainWindow.snapshot().learnedUpdatesShown != count)
    mainWindow.update(parkBandRect, [count](DisplayState& d) { d.learnedUpdatesShown = count; });
}

std::int32_t gf_stayLimit(const LiveAircraft& aircraft) {
  const auto& info = aircraft.aircraft.aircraftInfo;
  if (info.cargo) return 12;
  return info.category == SizeCategory::Heavy ? 8 : 6;
}

bool lf_fillStay(WeekTime week, StandData& stand, std::int32_t number, StandStay& entry, const LiveAircraft& aircraft,
                 const std::string& key, bool real) {
  if (number == 0 || entry.lastMark == week) return true;
  std::int32_t gap = (week.day - entry.lastMark.day) * slotsPerDay + (week.slot - entry.lastMark.slot);
  if (gap < 0) gap += weekSlots;
  if (gap < 1 || gap >= gf_stayLimit(aircraft)) return false;
  const std::string& callsign = aircraft.aircraft.aircraftInfo.callsign;
  if (week.day == entry.lastMark.day) {
    auto slots = gf_listPrecedingSlots(gap, week);
    updateOptions(stand, slots, number);
    gf_setOptionCallsign(stand, number, callsign);
  } else {
    const auto made = gf_createStandOption(stand, aircraft.aircraft, real, week, callsign, key);
    if (!made) return false;
    // The earlier day's half-hours go to the option the visit began with, not to the
    // later day's option that was found: that one holds another day's stay.
    const std::int32_t earlier = entry.optionNumber != 0 ? entry.optionNumber : number;
    gf_markStandOccupancy(stand, week, callsign, gap, earlier, *made);
    entry.optionNumber = *made;
  }
  entry.lastMark = week;
  return true;
}

bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool departing) {
  constexpr bool real = true;
  Sighting s = lf_sight(standNumber, aircraft, week, real, true);
  if (s.stand == nullptr) return s.result;
  if (!s.done) {
    if (!departing) {
      s.option->hours |= std::uint64_t{1} << week.slot;
    } else {
      auto& stays = s.stand->realStays;
      const auto hexid = aircraft.aircraft.aircraftInfo.hexid;
      const auto entry = stays.find(hexid);
      const std::int32_t number = s.option->number; // the option may move when one is added
      if (entry == stays.end()) {
        lf_createOption(*s.stand, aircraft, real, week, s.key);
      } else {
        if (!(entry->second.lastMark == week) &&
            !lf_fillStay(week, *s.stand, number, entry->second, aircraft, s.key, real))
          lf_createOption(*s.stand, aircraft, real, week, s.key);
        stays.erase(entry);
      }
    }
  }
  gf_countLearnedUpdate();
  return true;
}

bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, bool tracking, WeekTime week,
                       bool departing) {
  constexpr bool real = false;
  Sighting s = lf_sight(standNumber, aircraft, week, real, true);
  if (s.stand == nullptr) return s.result;
  if (!s.done) {
    if (!tracking && !departing) {
      s.option->hours |= std::uint64_t{1} << week.slot;
    } else {
      auto& stays = s.stand->softStays;
      const auto hexid = aircraft.aircraft.aircraftInfo.hexid;
      const auto entry = stays.find(hexid);
      const std::int32_t number = s.option->number;
      if (entry == stays.end()) {
        const auto made = lf_createOption(*s.stand, aircraft, real, week, s.key);
        if (made && !departing) stays[hexid] = {week, *made};
      } else if (entry->second.lastMark == week ||
                 lf_fillStay(week, *s.stand, number, entry->second, aircraft, s.key, real)) {
        if (departing) stays.erase(entry);
      } else if (departing) {
        lf_createOption(*s.stand, aircraft, real, week, s.key);
        stays.erase(entry);
      }
    }
  }
  gf_countLearnedUpdate();
  return true;
}
