// The stand-in installation's codes are the program's own reference data's: the demo scans
// it with data/dbase.xml, the tests with the stand-in reference.
#include "p3d_install.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <tuple>

namespace {

std::set<std::string> lf_codes(const pugi::xml_document& document, const char* section, const char* attribute) {
  std::set<std::string> codes;
  for (const auto node : document.child(section).children()) {
    std::string list = node.attribute(attribute).value();
    for (std::size_t start = 0; start <= list.size();) {
      const auto end = std::min(list.find(',', start), list.size());
      if (end > start) codes.insert(list.substr(start, end - start));
      start = end + 1;
    }
  }
  return codes;
}

} // namespace

TEST(StandInInstallation, ItsCodesAreThoseOfTheReferenceData) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(HVM_SOURCE_DIR "/data/dbase.xml"));
  const auto airlines = lf_codes(document, "ICAO_airlines", "codes");
  const auto types = lf_codes(document, "aircrafts", "types");
  const auto vocabulary = p3dinstall::gf_vocabulary();
  for (const auto& airline : vocabulary.airlines) EXPECT_TRUE(airlines.contains(airline)) << airline;
  for (const auto& type : vocabulary.types) EXPECT_TRUE(types.contains(type)) << type;
  for (const auto& airline : vocabulary.unknownAirlines) EXPECT_FALSE(airlines.contains(airline)) << airline;
  for (const auto& type : vocabulary.unknownTypes) EXPECT_FALSE(types.contains(type)) << type;

  // The stand-in reference agrees with the real one where the manifest relies on it.
  const auto reference = p3dinstall::gf_standInReference();
  for (const auto& [section, element, set] :
       {std::tuple{"heavy", "types", &reference.heavyTypes}, std::tuple{"large", "types", &reference.largeTypes},
        std::tuple{"buzjet", "types", &reference.buzjetTypes},
        std::tuple{"rotorcraft", "types", &reference.rotorcraftTypes}}) {
    const auto real = lf_codes(document, section, element);
    for (const auto& type : vocabulary.types) EXPECT_EQ(real.contains(type), set->contains(type)) << section << type;
  }
  for (const auto& [registration, data] : reference.registrations) {
    const auto node = document.child("dbase").find_child_by_attribute("db", "reg", registration.c_str());
    ASSERT_TRUE(node) << registration;
    EXPECT_EQ(data.airl, node.attribute("airl").value()) << registration;
    EXPECT_EQ(data.type, node.attribute("type").value()) << registration;
    EXPECT_EQ(data.opr, node.attribute("opr").value()) << registration;
  }
}
