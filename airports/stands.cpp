#include "airports/stands.h"

#include "core/log.h"
#include "core/refdata/lookups.h"
#include "records/aircraft.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

StandList standList;

// Stands are numbered 1..n in list order; the walk covers a list not numbered yet.
StandData* gf_standByNumber(std::int32_t number) {
  if (number <= 0) return nullptr;
  const auto index = static_cast<std::size_t>(number - 1);
  if (index < standList.size() && standList[index].number == number) return &standList[index];
  for (auto& stand : standList)
    if (stand.number == number) return &stand;
  return nullptr;
}

namespace {

void lf_checkSlot(std::int32_t slot) {
  if (slot < 0 || slot >= slotsPerDay) throw std::out_of_range("invalid bitset position");
}

std::uint64_t lf_slotBit(std::int32_t slot) {
  lf_checkSlot(slot);
  return std::uint64_t{1} << slot;
}

std::string_view lf_withoutTrailingUnderscore(std::string_view callsign) {
  if (!callsign.empty() && callsign.back() == '_') callsign.remove_suffix(1);
  return callsign;
}

StandOptionData* lf_findOption(StandData& stand, std::int32_t number) {
  const auto found = std::find_if(stand.options.begin(), stand.options.end(),
                                  [number](const StandOptionData& option) { return option.number == number; });
  return found == stand.options.end() ? nullptr : &*found;
}

// A decimal int32 from the start: an optional '-', then digits; the rest is ignored. None
// without digits or when it overflows.
std::optional<std::int32_t> lf_leadingInt(std::string_view text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{}) return std::nullopt;
  return value;
}

} // namespace

StandData::StandData(std::string name, std::vector<StandOptionData> options, double lat, double lon, double heading,
                     double radiusMetres, bool cargo, bool ramp, bool heli)
    : options(std::move(options)), name(std::move(name)), lat(lat), lon(lon), heading(heading),
      radius(radiusMetres / metresPerNm), cargo(cargo), ramp(ramp), heli(heli) {
  adjacent.reserve(8);
}

bool gf_standFitsSize(const StandData& stand, double halfSpanNm) {
  const double difference = halfSpanNm - stand.radius;
  if (std::isnan(difference) || difference > 1.8 / metresPerNm) return false;
  // 17.8 m, as the single-precision value it always was.
  const double smallLimit = static_cast<double>(17.8f) / metresPerNm;
  const double step = (halfSpanNm <= smallLimit ? 14.0 : 21.0) / metresPerNm;
  const double steps = std::round((stand.radius - halfSpanNm) / step);
  // A stand so large that its steps do not count as an int32 fits nothing, as any other
  // stand far too large.
  return steps == 0.0;
}

std::uint64_t gf_hours2bitset(std::string_view text) {
  std::uint64_t hours = 0;
  if (text.empty()) return hours;
  // Each warning quotes the whole text: a damaged text of many bad pieces would otherwise
  // fill the log with its square.
  constexpr std::size_t warningsShown = 5;
  std::size_t invalid = 0;
  std::size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    const auto piece = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const auto value = lf_leadingInt(piece);
    if (value && *value >= 0 && *value < slotsPerDay)
      hours |= std::uint64_t{1} << *value;
    else if (++invalid <= warningsShown)
      gf_logWarning(fmt::format("{} invalid hour '{}' in {}", "gf_hours2bitset", piece, text));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (invalid > warningsShown)
    gf_logWarning(fmt::format("{} {} more invalid hours in {}", "gf_hours2bitset", invalid - warningsShown, text));
  return hours;
}

std::string gf_bitset2hours(std::uint64_t hours) {
  std::string text;
  for (std::int32_t slot = 0; slot < slotsPerDay; ++slot) {
    if ((hours >> slot & 1u) == 0) continue;
    if (!text.empty()) text += ',';
    text += fmt::format("{}", slot);
  }
  return text;
}

std::int32_t gf_nextOptionNumber(const std::vector<StandOptionData>& options) {
  std::int32_t highest = 0;
  for (const auto& option : options) highest = std::max(highest, option.number);
  return highest + 1;
}

std::optional<std::int32_t> gf_createStandOption(StandData& stand, const AircraftData& aircraft, bool real,
                                                 WeekTime when, std::string_view callsign,
                                                 std::string_view registration) {
  if (registration.empty()) return std::nullopt;
  const std::string trimmedCallsign(lf_withoutTrailingUnderscore(callsign));
  const auto hours = lf_slotBit(when.slot);
  std::string airline = aircraft.aircraftInfo.airline;
  std::string type = aircraft.aircraftInfo.type;
  if (const auto known = gf_lookupRegistration(registration)) {
    type = known->type;
    airline = known->opr.empty() ? known->airl : known->opr;
  }
  for (const auto& option : stand.options)
    if (option.registration == registration && option.day == when.day && option.hours == hours &&
        option.callsign == trimmedCallsign)
      return std::nullopt;
  // Options may stand out of number order (a learned file merged into a park file), so the
  // next number follows the highest, never merely the last.
  const auto number = gf_nextOptionNumber(stand.options);
  stand.options.push_back({std::move(airline),
                           std::move(type),
                           std::string(registration),
                           trimmedCallsign,
                           {},
                           hours,
                           number,
                           when.day,
                           0,
                           real});
  return number;
}

void gf_setOptionCallsign(StandData& stand, std::int32_t number, std::string_view callsign) {
  callsign = lf_withoutTrailingUnderscore(callsign);
  if (callsign.empty() || number == 0) return;
  auto* option = lf_findOption(stand, number);
  if (option == nullptr) return;
  if (option->callsign.empty())
    option->callsign = callsign;
  else if (callsign != option->callsign && callsign != option->coupledCallsign)
    option->coupledCallsign = callsign;
}

SlotList gf_listPrecedingSlots(std::int32_t count, WeekTime when) {
  SlotList slots;
  slots.reserve(slotsPerDay);
  auto slot = when.slot;
  for (std::int32_t k = 0; k < count; ++k) {
    slots.push_back(slot);
    slot = slot == 0 ? slotsPerDay - 1 : slot - 1;
  }
  return slots;
}

bool updateOptions(StandData& stand, SlotList& slots, std::int32_t number) {
  auto* option = lf_findOption(stand, number);
  if (option == nullptr) return false;
  while (!slots.empty()) {
    option->hours |= lf_slotBit(slots.back());
    slots.pop_back();
  }
  return true;
}

bool updateOptionsWrapped(StandData& stand, SlotList& slots, std::int32_t first, std::int32_t second) {
  auto* earlier = lf_findOption(stand, first);
  if (earlier == nullptr) return false;
  // A list whose oldest slot is 0 began on the later day.
  if (!slots.empty() && slots.back() != 0) {
    while (!slots.empty()) {
      const auto slot = slots.back();
      earlier->hours |= lf_slotBit(slot);
      slots.pop_back();
      if (slot == slotsPerDay - 1) break;
    }
  }
  auto* later = lf_findOption(stand, second);
  if (later == nullptr) return false;
  while (slots.size() > 1) {
    later->hours |= lf_slotBit(slots.back());
    slots.pop_back();
  }
  return true;
}

void gf_markStandOccupancy(StandData& stand, WeekTime when, std::string_view callsign, std::int32_t count,
                           std::int32_t first, std::int32_t second) {
  auto slots = gf_listPrecedingSlots(count, when);
  updateOptionsWrapped(stand, slots, first, second);
  gf_setOptionCallsign(stand, first, callsign);
  gf_setOptionCallsign(stand, second, callsign);
}

bool gf_matchOptionByCallsignOrType(std::string_view callsign, const AircraftInfoData& aircraft,
                                    const StandOptionData& option) {
  if (option.number == 0 || !option.real) return false;
  // Options without a (coupled) callsign are many: an aircraft without one belongs to none.
  if (!callsign.empty() && (callsign == option.callsign || callsign == option.coupledCallsign)) return true;
  return gf_matchStringPair(aircraft, option);
}

bool gf_matchOptionByCallsignOrType(const AircraftData& aircraft, const StandOptionData& option) {
  return gf_matchOptionByCallsignOrType(aircraft.aircraftInfo.callsign, aircraft.aircraftInfo, option);
}

bool gf_matchOptionByRegAndSlot(WeekTime when, std::string_view registration, const StandOptionData& option) {
  const auto bit = lf_slotBit(when.slot);
  if (option.number == 0 || option.day != when.day || !option.real || option.registration != registration) return false;
  const auto before = lf_slotBit((when.slot + slotsPerDay - 1) % slotsPerDay);
  const auto after = lf_slotBit((when.slot + 1) % slotsPerDay);
  return (option.hours & (bit | before | after)) != 0;
}
