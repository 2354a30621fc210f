#include "link_messages.h"

#include <charconv>
#include <cmath>
#include <regex>
#include <vector>

namespace rtstandin {

namespace {

const std::regex wholeNumber("-?[0-9]+");
const std::regex sixDecimals("-?[0-9]+\\.[0-9]{6}");
const std::regex anyNumber("-?[0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]+)?");
const std::regex milliseconds("[0-9]+");

double value(std::string_view text) {
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

bool matches(std::string_view text, const std::regex& pattern) {
  return std::regex_match(text.begin(), text.end(), pattern);
}

MessageCheck invalid(std::string kind, std::string problem) { return {std::move(kind), false, std::move(problem)}; }

MessageCheck checkPosition(std::string_view body) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const auto semicolon = body.find(';', start);
    parts.push_back(body.substr(start, semicolon == std::string_view::npos ? semicolon : semicolon - start));
    if (semicolon == std::string_view::npos) break;
    start = semicolon + 1;
  }
  if (parts.size() != 7) return invalid("Qs121", "7 fields expected");
  static const char* names[] = {"pitch", "bank", "heading", "altitude", "ground speed", "latitude", "longitude"};
  const std::regex* forms[] = {&wholeNumber, &wholeNumber, &sixDecimals, &wholeNumber,
                               &anyNumber,   &sixDecimals, &sixDecimals};
  for (std::size_t i = 0; i < 7; ++i)
    if (!matches(parts[i], *forms[i])) return invalid("Qs121", std::string(names[i]) + " badly written");
  const double pi = 3.141592653589793;
  if (std::fabs(value(parts[0])) > pi * 100000 || std::fabs(value(parts[1])) > pi * 100000)
    return invalid("Qs121", "pitch or bank beyond pi");
  if (value(parts[2]) < 0 || value(parts[2]) > 2 * pi + 1e-6) return invalid("Qs121", "heading outside 0..2 pi");
  if (value(parts[4]) < 0) return invalid("Qs121", "negative ground speed");
  if (std::fabs(value(parts[5])) > pi / 2 + 1e-6) return invalid("Qs121", "latitude beyond pi/2");
  if (std::fabs(value(parts[6])) > pi + 1e-6) return invalid("Qs121", "longitude beyond pi");
  return {"Qs121", true, {}};
}

MessageCheck checkTime(std::string_view body) {
  if (!matches(body, milliseconds)) return invalid("Qs123", "not a whole number");
  // Milliseconds of a time between 1973 and 5138; seconds would be far below.
  const double ms = value(body);
  if (ms < 1e11 || ms > 1e14) return invalid("Qs123", "not a time in milliseconds");
  return {"Qs123", true, {}};
}

} // namespace

MessageCheck checkMessage(std::string_view message) {
  if (message == "Qs999=version") return {"Qs999", true, {}};
  if (message == "exit") return {"exit", true, {}};
  if (message.starts_with("Qs121=")) return checkPosition(message.substr(6));
  if (message.starts_with("Qs123=")) return checkTime(message.substr(6));
  return invalid("unknown", "unknown message");
}

} // namespace rtstandin
