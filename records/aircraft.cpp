#include "records/aircraft.h"

#include "core/random.h"
#include "core/refdata/lookups.h"

#include <fmt/format.h>

#include <array>
#include <cctype>
#include <numbers>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace {

constexpr double lf_radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

const std::array<CategoryRow, sizeCategoryCount> categoryTables{{
    {lf_radians(0.15), 250, 250, 100, 200, lf_radians(-9), lf_radians(-15), 0.5, 5},
    {lf_radians(0.1), 300, 300, 200, 250, lf_radians(-8), lf_radians(-18), 0.75, 4.5},
    {lf_radians(0.07), 400, 350, 200, 300, lf_radians(-6), lf_radians(-16.5), 0.6, 4},
    {lf_radians(0.05), 450, 450, 250, 400, lf_radians(-5), lf_radians(-12.5), 0.5, 3},
    {lf_radians(0.1), 150, 150, 100, 200, lf_radians(-6), lf_radians(-20), 1.0, 4.5},
    {lf_radians(0.2), 100, 100, 100, 100, lf_radians(-20), lf_radians(-30), 0.75, 5},
}};

// The simulator link's thread prints names too: the maps are built once, thread-safely.
template <typename Enum, std::size_t N>
std::string_view lf_nameOf(Enum value, const std::array<std::pair<std::int32_t, std::string_view>, N>& rows) {
  static const std::unordered_map<std::int32_t, std::string_view> names(rows.begin(), rows.end());
  return names.at(static_cast<std::int32_t>(value));
}

} // namespace

const CategoryRow& gf_categoryRow(SizeCategory category) {
  return categoryTables.at(static_cast<std::size_t>(static_cast<std::int32_t>(category)));
}

std::string_view gf_categoryName(SizeCategory category) {
  static constexpr std::array<std::pair<std::int32_t, std::string_view>, 6> rows{
      {{0, "Light"}, {1, "Buzjets"}, {2, "Large"}, {3, "Heavy"}, {4, "HighPerf"}, {5, "Rotorcraft"}}};
  return lf_nameOf(category, rows);
}

std::string_view gf_phaseName(FlightPhase phase) {
  static constexpr std::array<std::pair<std::int32_t, std::string_view>, 8> rows{{{0, "pushing_back"},
                                                                                  {1, "pushed_back"},
                                                                                  {2, "taxi"},
                                                                                  {3, "take_off"},
                                                                                  {4, "flying"},
                                                                                  {5, "parking"},
                                                                                  {6, "parked"},
                                                                                  {7, "birth"}}};
  return lf_nameOf(phase, rows);
}

std::string_view gf_stateName(LiveState state) {
  static constexpr std::array<std::pair<std::int32_t, std::string_view>, 5> rows{
      {{0, "buffer"}, {1, "adding2sim"}, {2, "active"}, {3, "liveryrespawn"}, {4, "removingfromsim"}}};
  return lf_nameOf(state, rows);
}

AircraftInfoData::AircraftInfoData(const AircraftHead& head)
    : airline(head.airline), type(head.type), origin(head.origin), destination(head.destination),
      callsign(head.callsign), coupledCallsign1(head.coupledCallsign1), coupledCallsign2(head.coupledCallsign2),
      registration(head.registration), coupledSearchDone(head.flag) {
  halfSpanNm = gf_halfWingspanNm(type);
  category = gf_aircraftCategory(type);
  const CategoryRow& row = gf_categoryRow(category);
  flareTicks = row.flareTicks;
  touchdownTicks = row.touchdownTicks;
  rotationTicks = row.rotationTicks;
  climbTicks = row.climbTicks;
  rotationPitch = gf_jitter(row.rotationPitch, 2.5);
  climbPitch = gf_jitter(row.climbPitch, 5);
  turnRate = row.turnRate;
}

AircraftData::AircraftData(AircraftInfoData info, std::int32_t standNumber_, double standLat_, double standLon_,
                           double standHeading_, bool cargoStand_)
    : aircraftInfo(std::move(info)), standLat(standLat_), standLon(standLon_), standHeading(standHeading_),
      standNumber(standNumber_), cargoStand(cargoStand_) {}

LiveAircraft::LiveAircraft(const FeedPoint& firstReport, AircraftInfoData info, double reportTime)
    : aircraft(std::move(info), 0, 0.0, 0.0, 0.0, false), lastReportTime(reportTime) {
  feedPoints.push_back(firstReport);
}

std::string gf_airlineTypeText(std::string_view airline, std::string_view type) {
  return fmt::format("{:3} {:4}", airline, type);
}

std::string gf_formatRoute(std::string_view origin, std::string_view destination) {
  if (origin.empty() && destination.empty()) return std::string(8, ' ');
  return fmt::format("{:3}->{:3}", origin, destination);
}

std::string gf_paddedCallsign(std::string_view callsign) { return fmt::format("{:8}", callsign); }

std::string gf_acRouteText(const AircraftInfoData& info) {
  return fmt::format("{} {:8} {}", gf_paddedCallsign(info.callsign), info.registration,
                     gf_formatRoute(info.origin, info.destination));
}

std::string gf_acLogText(const AircraftInfoData& info) {
  return fmt::format("{} {}", gf_acRouteText(info), gf_airlineTypeText(info.airline, info.type));
}

std::string gf_acShortText(const AircraftInfoData& info) {
  return fmt::format("{} {} {}", gf_paddedCallsign(info.callsign), info.registration,
                     gf_airlineTypeText(info.airline, info.type));
}

std::string gf_airlineTypeRegText(const AircraftInfoData& info) {
  return fmt::format("{} {}", gf_airlineTypeText(info.airline, info.type), info.registration);
}

bool gf_hasValidCallsign(const AircraftInfoData& info) {
  return !info.callsign.empty() && info.callsign != "@@@@@@@@" && info.callsign.size() <= 8;
}

std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign) {
  const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  if (callsign.size() <= 3 || !letter(callsign[0]) || !letter(callsign[1]) || !letter(callsign[2]) ||
      !std::isdigit(static_cast<unsigned char>(callsign[3])))
    return std::nullopt;
  std::string code(callsign.substr(0, 3));
  for (char& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return code;
}

bool gf_setOperatorFromCallsign(AircraftInfoData& info) {
  auto code = gf_airlineFromCallsign(info.callsign);
  if (!code) return false;
  info.airline = std::move(*code);
  return true;
}
