// bglwriter: writes BGL scenery files.
//   bglwriter groundnet <parking.xml> <ICAO> <name> <altitude in metres> <out.bgl>
//       an airport record with the parking positions of a groundnet file
//   bglwriter installation <simulator folder> <scenery config folder> <stands folder>
//       the add-on scenery of a stand-in simulator installation (KLAX, EHAM, decoys),
//       with scenery.cfg and scenery_add-ons.xml in the scenery config folder
//   bglwriter seeds <folder>
//       small scenery files showing every structure the scan reads
#include "bgl_writer.h"
#include "groundnet.h"
#include "installation.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

int usage() {
  std::cerr << "usage: bglwriter groundnet <parking.xml> <ICAO> <name> <altitude m> <out.bgl>\n"
               "       bglwriter installation <simulator folder> <scenery config folder> <stands folder>\n"
               "       bglwriter seeds <folder>\n";
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 6 && args[0] == "groundnet") {
      bglwriter::Airport airport;
      airport.ident = args[2];
      airport.altitudeMetres = std::stod(args[4]);
      airport.subrecords.push_back(bglwriter::NameRecord{args[3]});
      bglwriter::ParkingList list;
      for (const auto& stand : bglwriter::readGroundnet(args[1]))
        list.entries.push_back(bglwriter::parkingFromGroundnet(stand));
      airport.subrecords.push_back(list);
      bglwriter::File file;
      file.sections.emplace_back().records.push_back(airport);
      bglwriter::writeFile(args[5], bglwriter::writeBgl(file));
      std::cout << args[5] << ": " << args[2] << " with " << list.entries.size() << " parking positions\n";
      return 0;
    }
    if (args.size() == 4 && args[0] == "installation") {
      const auto airports = bglwriter::writeInstallationScenery({args[1], args[2], args[3]});
      for (const auto& airport : airports)
        std::cout << airport.code << ": " << airport.parkingCount << " parking positions in "
                  << airport.bglFile.string() << "\n";
      return 0;
    }
    if (args.size() == 2 && args[0] == "seeds") {
      for (const auto& [name, file] : bglwriter::seedFiles())
        bglwriter::writeFile(std::filesystem::path(args[1]) / (name + ".bgl"), bglwriter::writeBgl(file));
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << "bglwriter: " << e.what() << "\n";
    return 1;
  }
  return usage();
}
