#pragma once
// RealTraffic's reply to "Qs999=version" may come in several reads. A reply is complete
// at its first line end, or as soon as it is one whole JSON value. The watch looks at
// each new byte once, so a reply that trickles in costs no more than one that comes whole.
#include <cstddef>
#include <string_view>

class ReplyWatch {
public:
  // The reply received so far, which only grows between calls; true once it is complete.
  bool complete(std::string_view reply);

private:
  bool checkJson(std::string_view reply);

  std::size_t scanned = 0;
  bool done = false;
  bool started = false;
  bool scalar = false; // a number or a literal such as true, not an object, array or string
  bool inString = false;
  bool escaped = false;
  std::size_t depth = 0;
  bool valueClosed = false;
  // Once the first value has closed, its text is valid JSON or never will be.
  bool judged = false;
  int scalarChecks = 0;
};
