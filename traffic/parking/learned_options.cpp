#include "traffic/parking/learned_options.h"

#include "airports/park_airport.h"
#include "airports/stands.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "traffic/aircraft.h"

#include <string>
#include <unordered_map>

namespace {

using Visitors = std::unordered_map<std::uint32_t, StandStay>;

StandData* lf_standByNumber(std::int32_t number) {
  for (auto& stand : standList)
    if (stand.number == number) return &stand;
  return nullptr;
}

// How many half-hours of a stay are filled in at the departure, by the aircraft.
std::int32_t lf_stayLimit(const AircraftInfoData& info) {
  if (info.cargo) return 12;
  return info.category == SizeCategory::Heavy ? 8 : 6;
}

std::uint64_t lf_bit(std::int32_t slot) { return std::uint64_t{1} << slot; }

bool lf_usable(const StandOptionData& option, WeekTime week, const std::string& key, bool real) {
  return option.number != 0 && option.day == week.day && option.registration == key && option.real == real;
}

void lf_countUpdate() {
  ++standUpdateCount;
  const std::int32_t count = standUpdateCount;
  if (mainWindow.snapshot().learnedUpdatesShown != count)
    mainWindow.update(parkBandRect, [count](DisplayState& d) { d.learnedUpdatesShown = count; });
}

bool lf_fillStay(WeekTime week, StandData& stand, std::int32_t number, StandStay& entry, const LiveAircraft& aircraft,
                 const std::string& key, bool real) {
  if (number == 0 || entry.lastMark == week) return true;
  const AircraftInfoData& info = aircraft.aircraft.aircraftInfo;
  std::int32_t gap = (week.day - entry.lastMark.day) * slotsPerDay + (week.slot - entry.lastMark.slot);
  if (gap < 0) gap += 7 * slotsPerDay;
  if (gap < 1 || gap >= lf_stayLimit(info)) return false;
  if (week.day == entry.lastMark.day) {
    SlotList slots = gf_listPrecedingSlots(gap, week);
    updateOptions(stand, slots, number);
    gf_setOptionCallsign(stand, number, info.callsign);
  } else {
    const auto made = gf_createStandOption(stand, aircraft.aircraft, real, week, info.callsign, key);
    if (!made) return false;
    gf_markStandOccupancy(stand, week, info.callsign, gap, number, *made);
    entry.optionNumber = *made;
  }
  entry.lastMark = week;
  return true;
}

// Steps shared by both kinds: the key, the stand, the park file's word, and the option of
// this aircraft learned for the day. Nothing when the call ends there.
struct Lookup {
  StandData* stand = nullptr;
  StandOptionData* option = nullptr; // null: none learned yet
  std::string key;
  bool done = false;   // ended, with `result`
  bool result = false; // what the call returns when done
};

Lookup lf_lookUp(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool real) {
  Lookup l;
  const AircraftInfoData& info = aircraft.aircraft.aircraftInfo;
  if (info.registration.empty() && info.callsign.empty()) {
    l.done = true;
    return l;
  }
  l.key = info.registration.empty() ? info.callsign : info.registration;
  l.stand = lf_standByNumber(standNumber);
  if (l.stand == nullptr || week.slot < 0 || week.slot >= slotsPerDay) {
    l.done = true;
    return l;
  }
  // Nothing is learned against the schedule the park or handmade file gives this aircraft.
  for (const auto& option : l.stand->options)
    if (lf_usable(option, week, l.key, real) && option.base == 1 && (option.hours & lf_bit(week.slot)) == 0) {
      l.done = true;
      return l;
    }
  for (auto& option : l.stand->options)
    if (lf_usable(option, week, l.key, real) && option.base == 0) {
      l.option = &option;
      break;
    }
  return l;
}

} // namespace

bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool departing) {
  Lookup l = lf_lookUp(standNumber, aircraft, week, true);
  if (l.done) return l.result;
  StandData& stand = *l.stand;
  const AircraftInfoData& info = aircraft.aircraft.aircraftInfo;
  Visitors& visitors = stand.realStays;
  if (l.option == nullptr) {
    if (const auto made = gf_createStandOption(stand, aircraft.aircraft, true, week, info.callsign, l.key))
      visitors[info.hexid] = {week, *made};
  } else if ((l.option->hours & lf_bit(week.slot)) != 0) {
    // Seen in this half-hour already.
  } else if (!departing) {
    l.option->hours |= lf_bit(week.slot);
  } else {
    const std::int32_t number = l.option->number;
    if (const auto entry = visitors.find(info.hexid); entry == visitors.end()) {
      gf_createStandOption(stand, aircraft.aircraft, true, week, info.callsign, l.key);
    } else {
      if (!(entry->second.lastMark == week) && !lf_fillStay(week, stand, number, entry->second, aircraft, l.key, true))
        gf_createStandOption(stand, aircraft.aircraft, true, week, info.callsign, l.key);
      visitors.erase(info.hexid);
    }
  }
  lf_countUpdate();
  return true;
}

bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, bool tracking, WeekTime week,
                       bool departing) {
  Lookup l = lf_lookUp(standNumber, aircraft, week, false);
  if (l.done) return l.result;
  StandData& stand = *l.stand;
  const AircraftInfoData& info = aircraft.aircraft.aircraftInfo;
  Visitors& visitors = stand.softStays;
  if (l.option == nullptr) {
    if (const auto made = gf_createStandOption(stand, aircraft.aircraft, false, week, info.callsign, l.key))
      visitors[info.hexid] = {week, *made};
  } else if ((l.option->hours & lf_bit(week.slot)) != 0) {
    // Seen in this half-hour already.
  } else if (!tracking && !departing) {
    l.option->hours |= lf_bit(week.slot);
  } else {
    const std::int32_t number = l.option->number;
    if (const auto entry = visitors.find(info.hexid); entry == visitors.end()) {
      const auto made = gf_createStandOption(stand, aircraft.aircraft, false, week, info.callsign, l.key);
      if (made && !departing) visitors[info.hexid] = {week, *made};
    } else if (entry->second.lastMark == week ||
               lf_fillStay(week, stand, number, entry->second, aircraft, l.key, false)) {
      if (departing) visitors.erase(entry);
    } else if (departing) {
      gf_createStandOption(stand, aircraft.aircraft, false, week, info.callsign, l.key);
      visitors.erase(info.hexid);
    }
  }
  lf_countUpdate();
  return true;
}
