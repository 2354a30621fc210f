#pragma once
// Small helpers on 8-bit text: trimming, comma lists, case tests, numbers as text.
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

// Only these four characters count as white space.
inline constexpr std::string_view whiteSpace = " \t\n\r";

std::string gf_trim(std::string_view text);
std::vector<std::string> gf_splitTrim(std::string_view text, char delimiter);
std::vector<std::string> gf_splitTrimComma(std::string_view text);
std::vector<std::string> gf_splitComma(std::string_view text);
// Untrimmed pieces, sorted byte-wise, each once.
std::list<std::string> gf_splitToList(std::string_view text);
void gf_normalizeCommaList(std::string& text);

bool gf_containsNoCase(std::string_view text, std::string_view part);
bool gf_equalsUpperCase(std::string_view text, std::string_view other);
bool gf_equalsWithStar(std::string_view text, std::string_view other);
std::string gf_toUpper(std::string_view text);

std::int32_t gf_percentage(std::int64_t part, std::int64_t whole);
std::string gf_makeBanner(std::int64_t width, std::int64_t offset, bool leadingBreak, bool trailingBreak,
                          std::string_view title);
std::string gf_numberText(float value);

std::string gf_plural(std::int64_t count);
std::string gf_plural(std::int32_t count);
std::string gf_plural(std::size_t count);
