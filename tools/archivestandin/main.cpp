// The stand-in of the program's online archive of stand files, for the demo and manual
// runs: serves a folder laid out as the archive (P3D/archive/stock/ICAO.xml,
// P3D/archive/simaddon/ICAO.xml, P3D/archive/thirdparty/PUBLISHER/ICAO.xml) on 127.0.0.1,
// after writing the stock files it is asked to make from FlightGear parking lists.
//
//   archivestandin FOLDER [--port N] [--stock ICAO:ALTITUDE_FT:NAME=PARKING_LIST]...
//
// It prints the download base to give the program ("http://127.0.0.1:N/") and serves until
// its standard input ends.
#include "flightgear_parking.h"
#include "support/test_http_server.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

int lf_usage() {
  std::cerr << "usage: archivestandin FOLDER [--port N] [--stock ICAO:ALTITUDE_FT:NAME=PARKING_LIST]...\n";
  return 2;
}

// "KLAX:125:Los Angeles Intl=tests/data/stands/KLAX.parking.xml"
bool lf_makeStock(std::string_view argument, const std::filesystem::path& folder) {
  const auto equals = argument.find('=');
  const auto first = argument.find(':');
  const auto second = first == std::string_view::npos ? first : argument.find(':', first + 1);
  if (equals == std::string_view::npos || second == std::string_view::npos || second > equals) return false;
  archive_standin::StockAirport airport;
  airport.code = std::string(argument.substr(0, first));
  const auto altitude = argument.substr(first + 1, second - first - 1);
  if (std::from_chars(altitude.data(), altitude.data() + altitude.size(), airport.altitude).ec != std::errc{})
    return false;
  airport.name = std::string(argument.substr(second + 1, equals - second - 1));
  const auto data = archive_standin::standsFromParkingList(std::string(argument.substr(equals + 1)), airport);
  const auto path = archive_standin::writeStockFile(data, folder / "P3D" / "archive" / "stock");
  std::cerr << "archivestandin: " << data.stands.size() << " stands written to " << path.string() << '\n';
  return true;
}

} // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return lf_usage();
    const std::filesystem::path folder(args[0]);
    std::uint16_t port = 0;
    for (std::size_t k = 1; k < args.size(); ++k) {
      if (args[k] == "--port" && k + 1 < args.size()) {
        const auto text = args[++k];
        if (std::from_chars(text.data(), text.data() + text.size(), port).ec != std::errc{}) return lf_usage();
      } else if (args[k] == "--stock" && k + 1 < args.size()) {
        if (!lf_makeStock(args[++k], folder)) return lf_usage();
      } else {
        return lf_usage();
      }
    }
    testing_support::TestHttpServer server(port);
    server.serveFolder("/", folder);
    std::cout << server.url("/") << std::endl;
    for (std::string line; std::getline(std::cin, line);) {}
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "archivestandin: " << e.what() << '\n';
    return 1;
  }
}
