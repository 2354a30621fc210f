#include "link_messages.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace rtstandin {

namespace {

// How a number of a message must be written.
enum class Form {
  Whole,        // -?[0-9]+
  SixDecimals,  // -?[0-9]+ "." and exactly six digits
  AnyNumber,    // -?[0-9]+, an optional fraction, an optional exponent
  Milliseconds, // [0-9]+
};

std::size_t digitsFrom(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  return end - at;
}

bool written(std::string_view text, Form form) {
  std::size_t at = 0;
  if (form != Form::Milliseconds && at < text.size() && text[at] == '-') ++at;
  const auto whole = digitsFrom(text, at);
  if (whole == 0) return false;
  at += whole;
  if (form == Form::Whole || form == Form::Milliseconds) return at == text.size();
  if (form == Form::SixDecimals)
    return at < text.size() && text[at] == '.' && digitsFrom(text, at + 1) == 6 && at + 7 == text.size();
  if (at < text.size() && text[at] == '.') {
    const auto fraction = digitsFrom(text, at + 1);
    if (fraction == 0) return false;
    at += 1 + fraction;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    const auto exponent = digitsFrom(text, at);
    if (exponent == 0) return false;
    at += exponent;
  }
  return at == text.size();
}

double value(std::string_view text) {
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
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
  static const Form forms[] = {Form::Whole,     Form::Whole,       Form::SixDecimals, Form::Whole,
                               Form::AnyNumber, Form::SixDecimals, Form::SixDecimals};
  for (std::size_t i = 0; i < 7; ++i)
    if (!written(parts[i], forms[i])) return invalid("Qs121", std::string(names[i]) + " badly written");
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
  if (!written(body, Form::Milliseconds)) return invalid("Qs123", "not a whole number");
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
