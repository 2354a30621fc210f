#include "airports/bgl_records.h"

#include "bgl_writer.h"

#include <cmath>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

using namespace bglwriter;

namespace {

constexpr double pi = std::numbers::pi;

Parking gate(std::uint32_t nameCode, std::uint32_t number, double lat, double lon, float radius = 20,
             std::uint32_t type = gateMedium) {
  Parking p;
  p.nameCode = nameCode;
  p.number = number;
  p.lat = lat;
  p.lon = lon;
  p.radius = radius;
  p.type = type;
  p.heading = 90;
  return p;
}

Airport airport(std::string ident, bool v2, std::vector<Subrecord> subrecords, double altitudeMetres = 30) {
  Airport a;
  a.ident = std::move(ident);
  a.v2 = v2;
  a.altitudeMetres = altitudeMetres;
  a.subrecords = std::move(subrecords);
  return a;
}

File fileOf(std::vector<Record> records) {
  File file;
  Section section;
  section.records = std::move(records);
  file.sections.push_back(std::move(section));
  return file;
}

BglFileAirports read(const File& file) {
  const auto bytes = writeBgl(file);
  return gf_readBglAirports(bytes, "X:\\scenery\\test.bgl");
}

std::vector<std::string> names(const BglAirport& airport) {
  std::vector<std::string> result;
  for (const auto& s : airport.stands) result.push_back(s.name);
  return result;
}

} // namespace

TEST(BglRecords, DecodesBothRecordKindsAndSeveralAirportsPerFile) {
  ParkingList klax{{gate(nameGate, 12, 33.9425, -118.408, 30, gateHeavy)}};
  ParkingList eham{{gate(letterCode('B'), 16, 52.3086, 4.7639, 22.5, rampCargo)}};
  const auto result = read(fileOf({airport("KLAX", true, {NameRecord{"Los Angeles Intl"}, klax}, 38.1),
                                   RawRecord{0x0033, std::vector<std::uint8_t>(10, 7)},
                                   airport("EHAM", false, {NameRecord{"Schiphol"}, eham}, -3.4)}));
  ASSERT_TRUE(result.readable);
  ASSERT_EQ(result.airports.size(), 2u);
  EXPECT_TRUE(result.report.empty());
  EXPECT_EQ(result.damaged, 0);

  const auto& la = result.airports[0];
  EXPECT_EQ(la.code, "KLAX");
  EXPECT_EQ(la.name, "Los Angeles Intl");
  EXPECT_EQ(la.altitude, 125); // 38.1 m
  ASSERT_EQ(la.stands.size(), 1u);
  const auto& g12 = la.stands[0];
  EXPECT_EQ(g12.name, "g12");
  EXPECT_NEAR(g12.lat, 33.9425, 1e-6);
  EXPECT_NEAR(g12.lon, -118.408, 1e-6);
  EXPECT_DOUBLE_EQ(g12.heading, pi / 2);
  EXPECT_NEAR(g12.radius * 1852, 30, 1e-9);
  EXPECT_FALSE(g12.cargo);
  EXPECT_FALSE(g12.ramp);
  EXPECT_FALSE(g12.heli);

  const auto& ams = result.airports[1];
  EXPECT_EQ(ams.code, "EHAM");
  EXPECT_EQ(ams.altitude, -11);
  ASSERT_EQ(ams.stands.size(), 1u);
  EXPECT_EQ(ams.stands[0].name, "B16");
  EXPECT_TRUE(ams.stands[0].cargo);
  EXPECT_TRUE(ams.stands[0].ramp);
}

TEST(BglRecords, ParkingEntriesOfTheV2RecordCarryOneMoreWordAndAirlineCodes) {
  // If the decoder took the wrong entry length, the second entry of each list would be garbage.
  for (const bool v2 : {false, true}) {
    auto first = gate(nameGate, 1, 10.0, 20.0);
    first.airlines = {packAirline("KLM"), packAirline("DAL"), packAirline("AAL")};
    const auto second = gate(nameGate, 2, 10.001, 20.001, 44.5);
    const auto result = read(fileOf({airport("ABCD", v2, {ParkingList{{first, second}}})}));
    ASSERT_EQ(result.airports.size(), 1u) << v2;
    ASSERT_EQ(names(result.airports[0]), (std::vector<std::string>{"g1", "g2"})) << v2;
    EXPECT_NEAR(result.airports[0].stands[1].radius * 1852, 44.5, 1e-9);
    EXPECT_NEAR(result.airports[0].stands[1].lat, 10.001, 1e-6);
  }
}

TEST(BglRecords, ParkingTypesAndNamePrefixes) {
  struct Case {
    std::uint32_t type;
    bool stand, cargo, ramp;
  };
  const Case types[] = {{0, false, false, false},  {1, true, false, true},    {2, true, false, true},
                        {3, true, false, true},    {4, true, false, true},    {5, true, true, true},
                        {6, true, false, true},    {7, true, false, true},    {8, true, false, false},
                        {9, true, false, false},   {10, true, false, false},  {11, true, false, false},
                        {12, false, false, false}, {13, false, false, false}, {15, false, false, false}};
  ParkingList list;
  for (std::uint32_t i = 0; i < std::size(types); ++i)
    list.entries.push_back(gate(nameGate, i + 1, 40 + 0.001 * i, 10, 20, types[i].type));
  const auto result = read(fileOf({airport("TYPE", true, {list})}));
  ASSERT_EQ(result.airports.size(), 1u);
  EXPECT_TRUE(result.report.empty()); // skipped types leave no line
  std::size_t k = 0;
  for (std::uint32_t i = 0; i < std::size(types); ++i) {
    if (!types[i].stand) continue;
    ASSERT_LT(k, result.airports[0].stands.size());
    const auto& s = result.airports[0].stands[k++];
    EXPECT_EQ(s.name, fmt::format("g{}", i + 1));
    EXPECT_EQ(s.cargo, types[i].cargo) << types[i].type;
    EXPECT_EQ(s.ramp, types[i].ramp) << types[i].type;
  }
  EXPECT_EQ(k, result.airports[0].stands.size());

  const std::vector<std::string> prefixes{"", "r", "p", "np", "ep", "sep", "sp", "swp", "wp", "nwp", "g", ""};
  for (std::uint32_t code = 0; code < prefixes.size(); ++code) EXPECT_EQ(lf_parkingNamePrefix(code), prefixes[code]);
  EXPECT_EQ(lf_parkingNamePrefix(12), "A");
  EXPECT_EQ(lf_parkingNamePrefix(37), "Z");
  EXPECT_EQ(lf_parkingNamePrefix(38), "[");

  ParkingList named;
  for (std::uint32_t code = 0; code < 64; ++code)
    named.entries.push_back(gate(code, 100 + code, 41 + 0.001 * code, 10));
  const auto all = read(fileOf({airport("NAME", false, {named})}));
  ASSERT_EQ(all.airports.size(), 1u);
  ASSERT_EQ(all.airports[0].stands.size(), 64u); // every name distinct: 0 and 11 both give "" but other numbers
  for (std::uint32_t code = 0; code < 64; ++code)
    EXPECT_EQ(all.airports[0].stands[code].name, lf_parkingNamePrefix(code) + std::to_string(100 + code));
}

TEST(BglRecords, RadiusBoundariesAndImpossibleValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  ParkingList list;
  const float radii[] = {1.0f, 1.1f, 199.9f, 200.0f, nan, inf, -5.0f};
  for (std::uint32_t i = 0; i < std::size(radii); ++i)
    list.entries.push_back(gate(nameGate, i + 1, 30 + 0.001 * i, 10, radii[i]));
  auto badHeading = gate(nameGate, 20, 31, 10);
  badHeading.heading = nan;
  list.entries.push_back(badHeading);
  const auto result = read(fileOf({airport("RADI", true, {list})}));
  ASSERT_EQ(result.airports.size(), 1u);
  EXPECT_EQ(names(result.airports[0]), (std::vector<std::string>{"g2", "g3"}));
  EXPECT_NEAR(result.airports[0].stands[0].radius * 1852, 1.1, 1e-6);
  EXPECT_NEAR(result.airports[0].stands[1].radius * 1852, 199.9, 1e-4);
  EXPECT_EQ(result.report, (std::vector<std::string>{
                               "Skipped position with radius 1.0 m in X:\\scenery\\test.bgl",
                               "Skipped position with radius 200.0 m in X:\\scenery\\test.bgl",
                               "Skipped position with radius NAN m in X:\\scenery\\test.bgl",
                               "Skipped position with radius INF m in X:\\scenery\\test.bgl",
                               "Skipped position with radius -5.0 m in X:\\scenery\\test.bgl",
                               "Skipped position g20 with heading nan in X:\\scenery\\test.bgl",
                           }));
}

TEST(BglRecords, HeadingsPositionsAndHelipads) {
  auto north = gate(nameGate, 1, 50, 8);
  north.heading = 0;
  auto full = gate(nameGate, 2, 50.001, 8);
  full.heading = 360;
  auto nearNull = gate(nameGate, 3, 0.00005, 0.00005);
  auto equator = gate(nameGate, 4, 0.0002, 0.00005);
  Helipad pad{50.01, 8.01, 30, 0};
  Helipad nullPad{0.00005, 0.00005, 30, 0};
  Helipad nanPad{50.02, 8.02, std::numeric_limits<float>::quiet_NaN(), 0};
  Helipad second{50.03, 8.03, 16, 180};
  const auto result = read(fileOf({airport(
      "HELI", true,
      {NameRecord{"Pads"}, pad, pad, nullPad, nanPad, ParkingList{{north, full, nearNull, equator}}, second})}));
  ASSERT_EQ(result.airports.size(), 1u);
  const auto& a = result.airports[0];
  // Helipads after the parking list count too.
  EXPECT_EQ(names(a), (std::vector<std::string>{"helipad1", "g1", "g2", "g4", "helipad2"}));
  EXPECT_EQ(a.helipadCount, 2);
  EXPECT_DOUBLE_EQ(a.stands[0].heading, 2 * pi);
  EXPECT_TRUE(a.stands[0].heli);
  EXPECT_FALSE(a.stands[0].cargo || a.stands[0].ramp);
  EXPECT_NEAR(a.stands[0].radius * 1852, 15, 1e-9);
  EXPECT_DOUBLE_EQ(a.stands[1].heading, 2 * pi);
  EXPECT_DOUBLE_EQ(a.stands[2].heading, 2 * pi);
  EXPECT_DOUBLE_EQ(a.stands[4].heading, pi);
  EXPECT_EQ(result.report, (std::vector<std::string>{
                               "double helipad Pads (skipped) 50.010000,8.010000",
                               "lat/lon helipad incorrect (skipped): 0.000050,0.000050",
                               "helipad width nan or heading 0 incorrect (skipped): 50.020000,8.020000",
                               "LatLon 0.000050,0.000050 invalid (skipped)",
                           }));
}

TEST(BglRecords, NamesAltitudesAndIdentifiers) {
  // Two different names empty the name, a third fills it again; a long name stops at 44 bytes.
  const auto names3 =
      read(fileOf({airport("NAMA", true, {NameRecord{"One"}, NameRecord{"Two"}, NameRecord{"Three"}})}));
  ASSERT_EQ(names3.airports.size(), 1u);
  EXPECT_EQ(names3.airports[0].name, "Three");
  const auto names2 = read(fileOf({airport("NAMB", true, {NameRecord{"One"}, NameRecord{"Two"}})}));
  EXPECT_EQ(names2.airports[0].name, "");
  const std::string fifty(50, 'N');
  const auto longName = read(fileOf({airport("NAMC", true, {NameRecord{fifty}})}));
  EXPECT_EQ(longName.airports[0].name, std::string(44, 'N'));
  const auto latin = read(fileOf({airport("NAMD", true, {NameRecord{"Z\xFCrich\x01 Kloten"}})}));
  EXPECT_EQ(latin.airports[0].name, "Z\xC3\xBCrich Kloten");

  struct Altitude {
    double metres;
    std::int32_t feet;
  };
  for (const auto& [metres, feet] : {Altitude{-3, -10}, Altitude{-8, -26}, Altitude{-433, -1421}, Altitude{-460, 0},
                                     Altitude{3500, 11483}, Altitude{4411, 14472}, Altitude{4600, 0}}) {
    const auto result = read(fileOf({airport("ALTI", true, {}, metres)}));
    ASSERT_EQ(result.airports.size(), 1u);
    EXPECT_EQ(result.airports[0].altitude, feet) << metres;
  }

  EXPECT_EQ(lf_decodeIdentifierOrRegionCode(packIdent("K0A9")), "K0A9");
  EXPECT_EQ(lf_decodeIdentifierOrRegionCode(packIdent("KLAX") | 0x1F), "KLAX"); // low bits unused
  for (const auto* bad : {"LAX", "KLAXX", "K AX", "0"})
    EXPECT_FALSE(lf_decodeIdentifierOrRegionCode(packIdent(bad))) << bad;
  EXPECT_FALSE(lf_decodeIdentifierOrRegionCode(0));
  EXPECT_FALSE(lf_decodeIdentifierOrRegionCode(0xFFFFFFFF));
  const auto skipped = read(fileOf({airport("LAX", true, {ParkingList{{gate(nameGate, 1, 1, 1)}}}),
                                    airport("KLAXX", true, {}), airport("KSEA", true, {})}));
  ASSERT_EQ(skipped.airports.size(), 1u);
  EXPECT_EQ(skipped.airports[0].code, "KSEA");
}

TEST(BglRecords, DuplicateNamesGetLettersByGrowingRadius) {
  ParkingList list;
  const float radii[] = {30, 20, 25, 40, 40, 12, 35, 50};
  for (std::uint32_t i = 0; i < std::size(radii); ++i)
    list.entries.push_back(gate(nameGate, 1, 20 + 0.001 * i, 5, radii[i]));
  list.entries.push_back(gate(nameGate, 2, 21, 5, 33));
  const auto result = read(fileOf({airport("DUPL", true, {list})}));
  ASSERT_EQ(result.airports.size(), 1u);
  const auto& stands = result.airports[0].stands;
  ASSERT_EQ(stands.size(), 8u);
  EXPECT_EQ(result.report,
            (std::vector<std::string>{"===> Warning: more than 6 duplicate IDs g1 in X:\\scenery\\test.bgl"}));
  // In list order the seven kept entries have radii 30 20 25 40 40 12 35; equal radii keep their order.
  const std::vector<std::pair<std::string, double>> expected{{"g1c", 30}, {"g1a", 20}, {"g1b", 25},
                                                             {"g1", 12},  {"g1d", 35}, {"g2", 33}};
  std::vector<std::pair<std::string, double>> got;
  for (const auto& s : stands) {
    EXPECT_FALSE(s.suffixed);
    if (s.radius * 1852 < 39.9 || s.radius * 1852 > 40.1) got.emplace_back(s.name, std::round(s.radius * 1852));
  }
  EXPECT_EQ(got, expected);
  // The two stands of 40 m: the earlier one in the list takes the earlier letter.
  EXPECT_EQ(stands[3].name, "g1e");
  EXPECT_EQ(stands[4].name, "g1f");
}

TEST(BglRecords, FilesThatAreNotReadAndSectionsThatAreSkipped) {
  auto file = fileOf({airport("KLAX", true, {ParkingList{{gate(nameGate, 1, 1, 1)}}})});
  auto wrongHeader = file;
  wrongHeader.headerSize = 0x3C;
  EXPECT_FALSE(read(wrongHeader).readable);
  EXPECT_TRUE(read(wrongHeader).airports.empty());
  auto longSubsections = file;
  longSubsections.sections[0].sizeCode = 0x10001;
  EXPECT_TRUE(read(longSubsections).airports.empty());
  auto otherSection = file;
  otherSection.sections[0].type = 0x22;
  EXPECT_TRUE(read(otherSection).airports.empty());

  // The pre-filter reads only the header and the table.
  const auto bytes = writeBgl(file);
  const std::span<const std::uint8_t> all(bytes);
  EXPECT_EQ(gf_bglSectionCount(all.first(56), bytes.size()), 1u);
  EXPECT_TRUE(gf_bglEntriesHaveAirportSection(all.subspan(56, 20)));
  EXPECT_EQ(gf_bglSectionCount(all.first(14), bytes.size()), 0u);
  EXPECT_EQ(gf_bglSectionCount(all.first(56), 76), 0u); // the table would not end before the file
  EXPECT_FALSE(gf_bglEntriesHaveAirportSection(writeBgl(otherSection)));
  auto many = file;
  many.sectionCountOverride = 0xFFFFFFFF;
  EXPECT_EQ(gf_bglSectionCount(writeBgl(many), bytes.size()), 0u); // no 32-bit overflow
  EXPECT_EQ(read(many).airports.size(), 1u);                       // nor a walk of billions of entries
}

TEST(BglRecords, EveryTruncationIsHandled) {
  ParkingList list;
  for (std::uint32_t i = 1; i <= 4; ++i) list.entries.push_back(gate(nameGate, i, 10 + 0.001 * i, 10));
  const auto bytes = writeBgl(fileOf({airport("KSEA", true, {NameRecord{"Seattle"}, Helipad{10.5, 10.5, 20, 0}, list}),
                                      airport("KBFI", false, {list})}));
  const auto whole = gf_readBglAirports(bytes, "t.bgl");
  ASSERT_EQ(whole.airports.size(), 2u);
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    const auto cut = gf_readBglAirports(std::span(bytes).first(length), "t.bgl");
    // A cut file keeps the airports that end before the cut and reports the one cut through.
    ASSERT_LE(cut.airports.size(), 1u) << length;
    if (!cut.airports.empty()) {
      EXPECT_EQ(cut.airports[0].code, "KSEA");
      EXPECT_EQ(cut.airports[0].stands.size(), 5u);
    }
  }
}

TEST(BglRecords, DamagedCountsAndSizesCostOnlyTheirAirportOrList) {
  const auto good = gate(nameGate, 1, 10, 10);
  // A parking count beyond its list skips that list; the airport's other lists stay.
  ParkingList badCount{{good}, 50};
  ParkingList fine{{gate(nameGate, 7, 10.01, 10)}};
  auto damagedList = read(fileOf({airport("AAAA", true, {badCount, fine}), airport("BBBB", true, {fine})}));
  ASSERT_EQ(damagedList.airports.size(), 2u);
  EXPECT_EQ(names(damagedList.airports[0]), (std::vector<std::string>{"g7"}));
  EXPECT_EQ(
      damagedList.report,
      (std::vector<std::string>{"===> Damaged parking list of AAAA (50 entries) skipped in X:\\scenery\\test.bgl"}));

  // A subrecord size beyond its airport record skips that airport; the next one is read.
  auto broken = airport("CCCC", true, {NameRecord{"C"}, RawRecord{0x0024, std::vector<std::uint8_t>(6), 5000}});
  auto tiny = airport("DDDD", true, {RawRecord{0x0024, {}, 2}});
  auto damagedAirports = read(fileOf({broken, tiny, airport("EEEE", true, {fine})}));
  ASSERT_EQ(damagedAirports.airports.size(), 1u);
  EXPECT_EQ(damagedAirports.airports[0].code, "EEEE");
  EXPECT_EQ(damagedAirports.damaged, 2);
  ASSERT_EQ(damagedAirports.report.size(), 2u);
  EXPECT_EQ(damagedAirports.report[0].rfind("===> Damaged airport CCCC skipped in X:\\scenery\\test.bgl: ", 0), 0u);

  // An airport record whose size runs past the file ends the walk with a report line.
  auto past = airport("FFFF", true, {fine});
  past.sizeOverride = 100000;
  const auto pastEnd = read(fileOf({airport("GGGG", true, {fine}), past}));
  ASSERT_EQ(pastEnd.airports.size(), 1u);
  EXPECT_EQ(pastEnd.damaged, 1);

  // A name subrecord cannot reach beyond its airport: the next airport's name stays its own.
  auto nameless = airport("HHHH", true, {});
  const auto named = read(fileOf({nameless, airport("IIII", true, {NameRecord{"Next door"}})}));
  ASSERT_EQ(named.airports.size(), 2u);
  EXPECT_EQ(named.airports[0].name, "");
}

TEST(BglRecords, PointersOutsideTheFileAndLoopsEnd) {
  auto file = fileOf({airport("KLAX", true, {})});
  file.sections[0].dataOffsetOverride = 0x7FFFFFF0;
  EXPECT_TRUE(read(file).airports.empty());
  // Many section entries pointing at the same records read them once.
  auto repeated = fileOf({airport("KLAX", true, {ParkingList{{gate(nameGate, 1, 1, 1)}}})});
  for (int i = 0; i < 200; ++i) repeated.sections.push_back(repeated.sections[0]);
  const auto bytes = writeBgl(repeated);
  auto copy = bytes;
  const auto firstTable = copy[56 + 12] | (copy[56 + 13] << 8);
  for (std::size_t i = 1; i < 201; ++i) {
    copy[56 + 20 * i + 12] = static_cast<std::uint8_t>(firstTable);
    copy[56 + 20 * i + 13] = static_cast<std::uint8_t>(firstTable >> 8);
  }
  EXPECT_EQ(gf_readBglAirports(bytes, "r.bgl").airports.size(), 201u);
  EXPECT_EQ(gf_readBglAirports(copy, "r.bgl").airports.size(), 1u);
}

TEST(BglRecords, HelipadWidthsAndTheNameOfADoubleHelipad) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float widths[] = {0.0f, -4.0f, 2.2f, 399.9f, 400.0f, 1e30f, nan};
  std::vector<Subrecord> subrecords;
  for (std::size_t i = 0; i < std::size(widths); ++i)
    subrecords.emplace_back(std::in_place_type<Helipad>, 60 + 0.001 * i, 9, widths[i], 0.0f);
  // The name follows the helipads: the line of the double one still names the airport.
  subrecords.emplace_back(std::in_place_type<Helipad>, 60 + 0.001 * 2, 9, 16.0f, 0.0f);
  subrecords.emplace_back(std::in_place_type<NameRecord>, "Late Name");
  const auto result = read(fileOf({airport("PADS", false, subrecords)}));
  ASSERT_EQ(result.airports.size(), 1u);
  const auto& a = result.airports[0];
  ASSERT_EQ(names(a), (std::vector<std::string>{"helipad1", "helipad2"}));
  EXPECT_NEAR(a.stands[0].radius * 1852, 1.1, 1e-6);
  EXPECT_NEAR(a.stands[1].radius * 1852, 199.95, 1e-3);
  EXPECT_EQ(a.name, "Late Name");
  ASSERT_EQ(result.report.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(result.report[i].rfind("helipad width ", 0), 0u) << result.report[i];
  EXPECT_EQ(result.report[5], "double helipad Late Name (skipped) 60.002000,9.000000");
}

TEST(BglRecords, AirportRecordsThatShareTheirSubrecordsAreReadOnce) {
  // One airport whose subrecords hide the fixed parts of many more, each reached by a section
  // of its own and each reaching to the end of the first one's long run of subrecords: read
  // one by one they would walk that run again and again, a hang on a larger file.
  constexpr std::size_t hidden = 200;
  constexpr std::size_t filler = 200;
  Airport outer = airport("OUTR", false, {ParkingList{{gate(nameGate, 1, 10, 10)}}});
  for (std::size_t i = 0; i < hidden; ++i) {
    outer.subrecords.emplace_back(std::in_place_type<RawRecord>, 0x0001, std::vector<std::uint8_t>(56, 0));
    for (std::size_t k = 0; k < filler; ++k)
      outer.subrecords.emplace_back(std::in_place_type<RawRecord>, 0x0002, std::vector<std::uint8_t>{});
  }
  File file = fileOf({outer});
  for (std::size_t i = 0; i < hidden; ++i) {
    Section pointer;
    pointer.dataOffsetOverride = 0; // set below, once the positions are known
    file.sections.push_back(pointer);
  }
  auto bytes = writeBgl(file);
  const auto u32At = [&](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
  };
  const auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  const std::size_t outerAt = u32At(u32At(56 + 12) + 8);
  const std::size_t outerEnd = outerAt + u32At(outerAt + 2);
  std::size_t p = outerAt + 56 + 8 + 36; // past the fixed part and the parking list of one entry
  for (std::size_t i = 0; i < hidden; ++i) {
    const std::size_t fixedPart = p + 6; // the body of the 62-byte raw subrecord
    bytes[fixedPart] = 0x3C;
    bytes[fixedPart + 1] = 0;
    put32(fixedPart + 2, static_cast<std::uint32_t>(outerEnd - fixedPart));
    put32(fixedPart + 0x28, packIdent(fmt::format("H{:03}", i)));
    const std::size_t subsection = u32At(56 + 20 * (i + 1) + 12);
    put32(subsection + 8, static_cast<std::uint32_t>(fixedPart));
    p += 62 + 6 * filler;
  }
  ASSERT_EQ(p, outerEnd);
  const auto result = gf_readBglAirports(bytes, "shared.bgl");
  ASSERT_EQ(result.airports.size(), 1u);
  EXPECT_EQ(result.airports[0].code, "OUTR");
  EXPECT_EQ(result.airports[0].stands.size(), 1u);
  EXPECT_EQ(result.damaged, static_cast<std::int32_t>(hidden));
  ASSERT_EQ(result.report.size(), hidden);
  EXPECT_EQ(result.report[0].rfind("===> Damaged airport H000 skipped in shared.bgl: subrecord at ", 0), 0u);
}
