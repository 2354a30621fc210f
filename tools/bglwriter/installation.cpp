#include "installation.h"

#include "groundnet.h"

#include <fstream>
#include <stdexcept>

namespace bglwriter {

namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::string pathText(const fs::path& path) {
  const auto text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

Airport airportFromStands(const std::string& code, const std::string& name, double altitudeMetres, bool v2,
                          const std::vector<GroundnetStand>& stands) {
  Airport airport;
  airport.ident = code;
  airport.v2 = v2;
  airport.altitudeMetres = altitudeMetres;
  if (!stands.empty()) {
    airport.lat = stands.front().lat;
    airport.lon = stands.front().lon;
  }
  airport.subrecords.push_back(NameRecord{name});
  ParkingList list;
  for (const auto& stand : stands) list.entries.push_back(parkingFromGroundnet(stand));
  airport.subrecords.push_back(std::move(list));
  return airport;
}

Airport smallAirport(const std::string& code, double lat, double lon, int stands) {
  Airport airport;
  airport.ident = code;
  airport.altitudeMetres = 100;
  airport.lat = lat;
  airport.lon = lon;
  airport.subrecords.push_back(NameRecord{code + " stock"});
  ParkingList list;
  for (int i = 1; i <= stands; ++i) {
    Parking p;
    p.nameCode = nameGate;
    p.number = static_cast<std::uint32_t>(i);
    p.lat = lat + 0.001 * i;
    p.lon = lon;
    p.radius = 25;
    p.heading = 90;
    list.entries.push_back(p);
  }
  airport.subrecords.push_back(std::move(list));
  return airport;
}

// Scenery of other kinds: records the scan steps over, in sections it does not read.
File objectsOnly() {
  File file;
  Section objects;
  objects.type = 0x25;
  for (std::uint8_t i = 0; i < 4; ++i) objects.records.push_back(RawRecord{0x000B, std::vector<std::uint8_t>(58, i)});
  file.sections.push_back(objects);
  Section names;
  names.type = 0x27;
  names.records.push_back(RawRecord{0x0019, {'L', 'A', 'X', 0, 0, 0}});
  file.sections.push_back(names);
  return file;
}

} // namespace

std::vector<ExpectedAirport> writeInstallationScenery(const InstallationScenery& where) {
  const auto klaxStands = readGroundnet(where.standsFolder / "KLAX.parking.xml");
  const auto ehamStands = readGroundnet(where.standsFolder / "EHAM.parking.xml");
  const auto scenery = where.simulator / "Custom Scenery";
  const auto klax = scenery / "KLAX" / "scenery";
  const auto eham = where.simulator / "Ecosystem" / "EHAM Schiphol";

  auto gates = [](Airport airport) {
    File file;
    Section section;
    section.records.push_back(std::move(airport));
    file.sections.push_back(std::move(section));
    return file;
  };
  std::vector<ExpectedAirport> expected;
  writeFile(klax / "KLAX_GATES.bgl",
            writeBgl(gates(airportFromStands("KLAX", "Los Angeles Intl", 38.1, true, klaxStands))));
  expected.push_back({"KLAX", klax / "KLAX_GATES.bgl", klaxStands.size()});
  writeFile(eham / "scenery" / "EHAM_AFCAD.bgl",
            writeBgl(gates(airportFromStands("EHAM", "Amsterdam Schiphol", -3.4, false, ehamStands))));
  expected.push_back({"EHAM", eham / "scenery" / "EHAM_AFCAD.bgl", ehamStands.size()});

  // Decoys: scenery without airports, and no scenery at all.
  writeFile(klax / "KLAX_OBJECTS.bgl", writeBgl(objectsOnly()));
  writeFile(klax / "KLAX_EMPTY.bgl", writeBgl(File{}));
  writeText(scenery / "KLAX" / "texture" / "KLAX_GROUND.dds", "DDS not really");
  writeText(klax / "readme.txt", "Real gate positions of Los Angeles International.\n");
  writeFile(eham / "scenery" / "EHAM_OBJECTS.bgl", writeBgl(objectsOnly()));
  // Airports the scan must pass by: statics, an inactive area, the stock scenery.
  writeFile(klax / "statics" / "KLAX_STATICS.bgl", writeBgl(gates(smallAirport("KVNY", 34.21, -118.49, 2))));
  writeFile(scenery / "Inactive" / "scenery" / "KSEA.bgl", writeBgl(gates(smallAirport("KSEA", 47.45, -122.31, 3))));
  writeFile(where.simulator / "Scenery" / "World" / "scenery" / "APX_KLAX.bgl",
            writeBgl(gates(smallAirport("KLAX", 33.94, -118.41, 4))));
  writeFile(where.simulator / "Scenery" / "0106" / "scenery" / "APX_KSEA.bgl",
            writeBgl(gates(smallAirport("KSEA", 47.45, -122.31, 5))));

  writeText(where.configFolder / "scenery.cfg", "[General]\r\n"
                                                "Title=Prepar3D Scenery\r\n"
                                                "Description=Prepar3D Scenery Data\r\n"
                                                "Clean_on_Exit=TRUE\r\n"
                                                "\r\n"
                                                "[Area.001]\r\n"
                                                "Title=Default Terrain\r\n"
                                                "Local=Scenery\\World\r\n"
                                                "Layer=1\r\n"
                                                "Active=TRUE\r\n"
                                                "Required=TRUE\r\n"
                                                "\r\n"
                                                "[Area.002]\r\n"
                                                "Title=Western North America\r\n"
                                                "Local=Scenery\\0106\r\n"
                                                "Layer=2\r\n"
                                                "Active=TRUE\r\n"
                                                "Required=FALSE\r\n"
                                                "\r\n"
                                                "[Area.101]\r\n"
                                                "Title=Seattle (switched off)\r\n"
                                                "Local=Custom Scenery\\Inactive\r\n"
                                                "Layer=101\r\n"
                                                "Active=FALSE\r\n"
                                                "Required=FALSE\r\n"
                                                "\r\n"
                                                "[Area.100]\r\n"
                                                "Title=Los Angeles real gates\r\n"
                                                "Local=Custom Scenery\\KLAX\r\n"
                                                "Layer=100\r\n"
                                                "Active=TRUE\r\n"
                                                "Required=FALSE\r\n");
  writeText(where.configFolder / "scenery_add-ons.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<SimBase.Document Type=\"AddOnXml\" version=\"4,0\" id=\"add-on\">\r\n"
            "  <AddOn.Component>\r\n"
            "    <Category>Scenery</Category>\r\n"
            "    <Path>" +
                pathText(fs::absolute(eham)) +
                "</Path>\r\n"
                "    <Name>EHAM Schiphol</Name>\r\n"
                "  </AddOn.Component>\r\n"
                "</SimBase.Document>\r\n");
  return expected;
}

std::vector<std::pair<std::string, File>> seedFiles() {
  std::vector<std::pair<std::string, File>> seeds;
  auto one = [](Airport airport) {
    File file;
    Section section;
    section.records.push_back(std::move(airport));
    file.sections.push_back(std::move(section));
    return file;
  };
  Airport full = smallAirport("EHAM", 52.3, 4.76, 3);
  full.subrecords.push_back(Helipad{52.31, 4.77, 20, 45});
  full.subrecords.push_back(Helipad{52.31, 4.77, 20, 45});
  ParkingList more;
  Parking duplicate;
  duplicate.nameCode = nameGate;
  duplicate.number = 1;
  duplicate.lat = 52.302;
  duplicate.lon = 4.761;
  duplicate.radius = 18;
  duplicate.airlines = {packAirline("KLM"), packAirline("DAL")};
  more.entries.push_back(duplicate);
  more.entries.push_back(duplicate);
  full.subrecords.push_back(more);
  seeds.emplace_back("airport_v2", one(full));
  Airport old = full;
  old.v2 = false;
  old.ident = "KLAX";
  seeds.emplace_back("airport_v1", one(old));
  File two = one(smallAirport("KSEA", 47.45, -122.31, 2));
  two.sections[0].records.emplace_back(smallAirport("KBFI", 47.53, -122.30, 1));
  two.sections.insert(two.sections.begin(), objectsOnly().sections[0]);
  seeds.emplace_back("two_airports", two);
  seeds.emplace_back("objects_only", objectsOnly());
  File damaged = one(smallAirport("EGLL", 51.47, -0.45, 2));
  std::get<Airport>(damaged.sections[0].records[0]).subrecords.push_back(ParkingList{{}, 400});
  seeds.emplace_back("damaged_count", damaged);
  return seeds;
}

} // namespace bglwriter
