#pragma once
// The stands of the park airport and their options. An option is one observed use of a
// stand: which registration (with airline, type and callsigns) stood there on which
// weekday during which half-hours of that day. Live traffic adds and extends options while
// it watches aircraft park; the static parking planner and the livery matcher search them.
#include "core/time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct AircraftData;
struct AircraftInfoData;

inline constexpr std::int32_t slotsPerDay = 48;
inline constexpr double metresPerNm = 1852.0;

struct StandOptionData {
  std::string airline; // ICAO airline code, or "PVT" / "ZZZ" for default occupants
  std::string type;    // ICAO type code
  std::string registration;
  std::string callsign;
  std::string coupledCallsign; // the latest other callsign seen during the same stay
  std::uint64_t hours = 0;     // bit n: half-hour n of the day
  std::int32_t number = 0;     // 1..n within its stand; 0: out of use, skipped by every search
  std::int32_t day = 0;        // 1 Monday .. 7 Sunday, UTC
  std::int32_t base = 0;       // 1: belongs to the park airport file; 0: learned
  bool real = true;            // false: a soft use (assumed, not seen)

  bool operator==(const StandOptionData&) const = default;
};

// What an `opt` element says about whom an option belongs to.
struct OptionKey {
  std::string callsign;
  std::string coupledCallsign;
  std::string airline;
  std::string type;

  bool operator==(const OptionKey&) const = default;
};

// The stay of one aircraft on a stand as live traffic records it.
struct StandStay {
  WeekTime lastMark;             // the last half-hour recorded
  std::int32_t optionNumber = 0; // the option being extended
};

struct StandData {
  StandData() = default;
  // Radius in metres (stored in nautical miles), heading in radians.
  StandData(std::string name, std::vector<StandOptionData> options, double lat, double lon, double heading,
            double radiusMetres, bool cargo, bool ramp, bool heli);

  std::vector<StandOptionData> options;
  std::unordered_map<std::uint32_t, StandStay> realStays; // by the aircraft's hexid
  std::unordered_map<std::uint32_t, StandStay> softStays;
  std::string name;
  std::vector<std::int32_t> adjacent; // numbers of the stands that overlap this one
  double lat = 0.0;                   // degrees
  double lon = 0.0;
  double heading = 0.0; // radians
  double radius = 0.0;  // nautical miles
  std::int32_t number = 0;
  bool manual = false;        // made by hand in the learned file, written there in full
  bool radius_change = false; // the learned file overrides the radius
  bool cargo_change = false;  // the learned file overrides the cargo flag
  bool suffixed = false;      // the scenery reader added a letter to a taken name
  bool takenByStatic = false;
  bool takenByLive = false;
  bool excluded = false;
  bool nextToTaken = false;
  bool cargo = false;
  bool ramp = false;
  bool heli = false;
};

using StandList = std::vector<StandData>;

// The stands of the current park airport, in file order; worker thread only.
extern StandList standList;
// The stand with this number (1..n); none for 0, which marks stands out of use.
StandData* gf_standByNumber(std::int32_t number);

// Whether an aircraft of this half wing span (nm) suits the stand: neither too small nor
// far too large.
bool gf_standFitsSize(const StandData& stand, double halfSpanNm);

// "3,5,7" and back. Bad pieces of a text are logged and skipped.
std::uint64_t gf_hours2bitset(std::string_view text);
std::string gf_bitset2hours(std::uint64_t hours);

// One more than the highest option number of the list (1 for none).
std::int32_t gf_nextOptionNumber(const std::vector<StandOptionData>& options);

// A learned option for the half-hour `when`, registered to `registration`; airline and type
// from the reference data when the registration is known there, else from the aircraft.
// Nothing (no number) for an empty registration or when the same use is recorded already.
std::optional<std::int32_t> gf_createStandOption(StandData& stand, const AircraftData& aircraft, bool real,
                                                 WeekTime when, std::string_view callsign,
                                                 std::string_view registration);
// Records a callsign on the option: as its callsign, else as its coupled callsign.
void gf_setOptionCallsign(StandData& stand, std::int32_t number, std::string_view callsign);

// Slot lists hold slot numbers newest first; the setters consume them from the end.
using SlotList = std::vector<std::int32_t>;
// The slot of `when` and the count - 1 slots before it, stepping back over midnight.
SlotList gf_listPrecedingSlots(std::int32_t count, WeekTime when);
// Sets every slot of the list on the option with that number; false when there is none.
bool updateOptions(StandData& stand, SlotList& slots, std::int32_t number);
// A stay over midnight: the earlier day's option (first) takes the slots up to 47, the
// later day's option (second) the rest but the newest, which it holds already.
bool updateOptionsWrapped(StandData& stand, SlotList& slots, std::int32_t first, std::int32_t second);
void gf_markStandOccupancy(StandData& stand, WeekTime when, std::string_view callsign, std::int32_t count,
                           std::int32_t first, std::int32_t second);

// Records whose first two texts are airline and type.
template <typename A, typename B> bool gf_matchStringPair(const A& a, const B& b) {
  return a.airline == b.airline && a.type == b.type;
}
// A real option in use whose callsign or coupled callsign is the aircraft's, or whose
// airline and type are. An empty callsign matches no callsign.
bool gf_matchOptionByCallsignOrType(std::string_view callsign, const AircraftInfoData& aircraft,
                                    const StandOptionData& option);
bool gf_matchOptionByCallsignOrType(const AircraftData& aircraft, const StandOptionData& option);
// A real option in use of that registration on that day holding the slot or a neighbour.
bool gf_matchOptionByRegAndSlot(WeekTime when, std::string_view registration, const StandOptionData& option);
