// The native build's conversion, with the Windows build's rules and messages, so the
// code that calls it is tested the same way on both.
#include "core/utf16.h"

#include "core/errors.h"

#include <climits>
#include <optional>
#include <stdexcept>

namespace {

constexpr std::int32_t noUnicodeTranslation = 1113; // ERROR_NO_UNICODE_TRANSLATION

void lf_checkLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX))
    throw std::overflow_error("Input string too long: size_t-length doesn't fit into int.");
}

std::optional<char32_t> lf_decodeUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int count = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    count = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    count = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    count = 3;
    cp = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (i + count >= text.size()) return std::nullopt;
  for (int k = 1; k <= count; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3F);
  }
  // Over-long forms, surrogates and values beyond U+10FFFF are invalid, as on Windows.
  static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < minimum[count] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  i += count + 1;
  return cp;
}

} // namespace

std::u16string gf_utf8ToUtf16(std::string_view text) {
  if (text.empty()) return {};
  lf_checkLength(text.size());
  std::u16string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto cp = lf_decodeUtf8(text, i);
    if (!cp)
      throw win32::Utf8ConversionException("Invalid UTF-8 sequence found in input string.", noUnicodeTranslation, 0);
    if (*cp >= 0x10000) {
      const char32_t v = *cp - 0x10000;
      result.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      result.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      result.push_back(static_cast<char16_t>(*cp));
    }
  }
  return result;
}

std::string gf_utf16ToUtf8(std::u16string_view text) {
  if (text.empty()) return {};
  lf_checkLength(text.size());
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      throw win32::Utf8ConversionException("Invalid UTF-16 sequence found in input string.", noUnicodeTranslation, 1);
    }
    if (cp < 0x80) {
      result.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      result.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      result.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      result.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      result.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return result;
}
