#pragma once
// The messages RealTraffic takes from Hivemoor on the TCP link, each ended by CR LF:
//   "Qs999=version"                  asks for the edition and version
//   "Qs121=p;b;h;a;g;lat;lon"        the user aircraft: pitch and bank in radians x 100000
//                                    (whole numbers), true heading in radians (6 decimals),
//                                    altitude in feet x 1000 (whole), ground speed in knots
//                                    x 1000, latitude and longitude in radians (6 decimals)
//   "Qs123=ms"                       the simulator's UTC time in milliseconds since 1970
//   "exit"                           the run ends
#include <string>
#include <string_view>

namespace rtstandin {

struct MessageCheck {
  std::string kind; // "Qs999", "Qs121", "Qs123", "exit" or "unknown"
  bool valid = false;
  std::string problem; // what is wrong, when not valid
};

// One message without its CR LF.
MessageCheck checkMessage(std::string_view message);

} // namespace rtstandin
