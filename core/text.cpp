#include "core/text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fmt/format.h>
#include <gsl/narrow>

namespace {

// toupper/tolower take an int that must be an unsigned char value: bytes >= 0x80 are
// negative as char, and passing them is undefined.
char lf_upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
char lf_lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

template <typename Append> void lf_split(std::string_view text, char delimiter, Append append) {
  if (text.empty()) return;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find(delimiter, start);
    if (end == std::string_view::npos) {
      append(text.substr(start));
      return;
    }
    append(text.substr(start, end - start));
    start = end + 1;
  }
}

} // namespace

std::string gf_trim(std::string_view text) {
  const auto first = text.find_first_not_of(whiteSpace);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(whiteSpace);
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> gf_splitTrim(std::string_view text, char delimiter) {
  std::vector<std::string> pieces;
  if (!text.empty()) pieces.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), delimiter)) + 1);
  lf_split(text, delimiter, [&](std::string_view piece) { pieces.push_back(gf_trim(piece)); });
  return pieces;
}

std::vector<std::string> gf_splitTrimComma(std::string_view text) { return gf_splitTrim(text, ','); }

std::vector<std::string> gf_splitComma(std::string_view text) {
  std::vector<std::string> pieces;
  lf_split(text, ',', [&](std::string_view piece) { pieces.push_back(gf_trim(piece)); });
  return pieces;
}

std::list<std::string> gf_splitToList(std::string_view text) {
  std::list<std::string> pieces;
  lf_split(text, ',', [&](std::string_view piece) { pieces.emplace_back(piece); });
  pieces.sort();
  pieces.unique();
  return pieces;
}

void gf_normalizeCommaList(std::string& text) {
  if (text.empty() || text.find_first_of(whiteSpace) == std::string::npos) return;
  text = fmt::format("{}", fmt::join(gf_splitTrim(text, ','), ","));
}

bool gf_containsNoCase(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  if (part.size() > text.size()) return false;
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char a, char b) { return lf_lower(a) == lf_lower(b); }) != text.end();
}

bool gf_equalsUpperCase(std::string_view text, std::string_view other) { return text == gf_toUpper(other); }

bool gf_equalsWithStar(std::string_view text, std::string_view other) {
  return other.size() == text.size() + 1 && other.back() == '*' && other.substr(0, text.size()) == text;
}

std::string gf_toUpper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), lf_upper);
  return result;
}

std::int32_t gf_percentage(std::int64_t part, std::int64_t whole) {
  if (whole <= 0) return 0;
  const double value = std::round(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
  return gsl::narrow<std::int32_t>(value);
}

std::string gf_makeBanner(std::int64_t width, std::int64_t offset, bool leadingBreak, bool trailingBreak,
                          std::string_view title) {
  std::int64_t n = width + offset;
  if (n % 2 != 0) n += 1;
  std::string result = leadingBreak ? "\n" : "";
  const auto stars = [](std::int64_t count) {
    return std::string(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)), '*');
  };
  if (title.empty()) {
    result += stars(n);
  } else if (static_cast<std::int64_t>(title.size()) + 2 < n) {
    result += fmt::format("{} {} {}", stars(n / 2 - 1), title, stars(n / 2 - 1));
  } else {
    result = std::string(title);
  }
  if (trailingBreak) result += '\n';
  return result;
}

std::string gf_numberText(float value) {
  if (std::isnan(value) || std::fmod(value, 1.0f) != 0.0f) return fmt::format("{:.1f}", value);
  return fmt::format("{:.0f}", value);
}

std::string gf_plural(std::int64_t count) { return count == 1 || count < 0 ? "" : "s"; }
std::string gf_plural(std::int32_t count) { return count == 1 || count < 0 ? "" : "s"; }
std::string gf_plural(std::size_t count) { return count == 1 ? "" : "s"; }
