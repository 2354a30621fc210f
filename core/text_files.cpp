#include "core/text_files.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/shell/status_line.h"
#include "core/system_error.h"
#include "core/utf16.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <system_error>

namespace {

bool lf_isValidUtf8Prefix(const unsigned char* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size;) {
    const unsigned char lead = bytes[i];
    std::size_t length = 0;
    if ((lead & 0x80) == 0)
      length = 1;
    else if ((lead & 0xE0) == 0xC0)
      length = 2;
    else if ((lead & 0xF0) == 0xE0)
      length = 3;
    else if ((lead & 0xF8) == 0xF0)
      length = 4;
    else
      return false;
    if (i + length > size) return false; // also a character cut by the look-ahead
    for (std::size_t k = 1; k < length; ++k)
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

bool lf_readUtf16Lines(const std::filesystem::path& path, std::vector<std::string>& lines) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::size_t i = 0;
  bool bigEndian = true;
  if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b0 == 0xFF && b1 == 0xFE) {
      bigEndian = false;
      i = 2;
    } else if (b0 == 0xFE && b1 == 0xFF) {
      i = 2;
    }
  }
  std::u16string line;
  auto flush = [&]() {
    lines.push_back(gf_utf16ToUtf8(line));
    line.clear();
  };
  try {
    for (; i + 1 < bytes.size(); i += 2) {
      const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
      const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
      const auto unit = static_cast<char16_t>((hi << 8) | lo);
      if (unit == u'\n')
        flush();
      else
        line.push_back(unit);
    }
    if (!line.empty()) flush();
  } catch (const win32::Utf8ConversionException& e) {
    gf_showMessage(fmt::format("conversion from error from utf16 to utf8, code: {}", e.errorCode()), true);
    return false;
  } catch (const std::runtime_error& e) {
    gf_showMessage(fmt::format("conversion from error from utf16 to utf8: {}", e.what()), true);
    return false;
  }
  return true;
}

// Binary, so that a line reads the same on every platform: only a CR LF pair is a line end.
bool lf_readTextLines(const std::filesystem::path& path, std::vector<std::string>& lines) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  gf_readAllLines(file, lines);
  return true;
}

} // namespace

TextEncoding gf_detectTextEncoding(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    gf_log(fmt::format("Cannot open file {} for character encoding. Win32 error: {}", gf_pathText(path),
                       gf_lastSystemError()));
    return TextEncoding::NoneFound;
  }
  char bytes[encodingLookAhead];
  file.read(bytes, encodingLookAhead);
  if (file.bad()) return TextEncoding::NoneFound;
  return gf_detectTextEncodingOfBytes(std::string_view(bytes, static_cast<std::size_t>(file.gcount())));
}

TextEncoding gf_detectTextEncodingOfBytes(std::string_view firstBytes) {
  const auto size = std::min(firstBytes.size(), encodingLookAhead);
  const auto* bytes = reinterpret_cast<const unsigned char*>(firstBytes.data());
  if (size < 2) return TextEncoding::NoneFound;
  if (size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return TextEncoding::Utf8WithBom;
  if (bytes[0] == 0xFF && bytes[1] == 0xFE) return TextEncoding::Unicode;
  if (bytes[0] == 0xFE && bytes[1] == 0xFF) return TextEncoding::UnicodeBigEndian;
  return lf_isValidUtf8Prefix(bytes, size) ? TextEncoding::Utf8WithoutBom : TextEncoding::Ansi;
}

std::string_view gf_encodingName(TextEncoding encoding) {
  static const std::map<TextEncoding, std::string_view> names{{TextEncoding::Ansi, "ANSI"},
                                                              {TextEncoding::Unicode, "Unicode"},
                                                              {TextEncoding::UnicodeBigEndian, "Unicode_big_endian"},
                                                              {TextEncoding::Utf8WithBom, "UTF8_with_BOM"},
                                                              {TextEncoding::Utf8WithoutBom, "UTF8_without_BOM"},
                                                              {TextEncoding::NoneFound, "none_found"}};
  const auto found = names.find(encoding);
  if (found == names.end()) throw std::out_of_range("invalid map<K, T> key");
  return found->second;
}

bool gf_readEncodedLines(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines) {
  switch (encoding) {
  case TextEncoding::Unicode:
  case TextEncoding::UnicodeBigEndian:
    return lf_readUtf16Lines(path, lines);
  case TextEncoding::Utf8WithBom: {
    const auto first = lines.size();
    if (!lf_readTextLines(path, lines)) return false;
    if (lines.size() > first) lines[first].erase(0, std::min<std::size_t>(3, lines[first].size()));
    return true;
  }
  case TextEncoding::Ansi:
  case TextEncoding::Utf8WithoutBom:
    return lf_readTextLines(path, lines);
  default:
    throw std::runtime_error(
        fmt::format("file {} has unknown charset: {}", gf_pathText(path), gf_encodingName(encoding)));
  }
}

bool gf_readExtTextFileToStringVector(const std::filesystem::path& path, std::vector<std::string>& lines) {
  try {
    const auto encoding = gf_detectTextEncoding(path);
    if (encoding == TextEncoding::NoneFound) return false;
    return gf_readEncodedLines(encoding, path, lines);
  } catch (const std::exception& e) {
    gf_log(fmt::format("gf_readExtTextFileToStringVector {}", e.what()));
    return true;
  }
}

void gf_readAllLines(std::istream& in, std::vector<std::string>& lines) {
  std::string line;
  while (std::getline(in, line)) {
    // A CR LF pair ends a line like a lone LF; any other CR is part of the text, also one
    // at the end of a last line that has no LF.
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
}

bool gf_writeTextToFile(std::string_view text, const std::filesystem::path& path) {
  return gf_writeReplacing(path, {}, [&](std::ostream& file) { file << text << '\n'; });
}

bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path) {
  return gf_writeReplacing(path, {}, [&](std::ostream& file) {
    for (const auto& line : lines) file << line << '\n' << std::flush;
  });
}

std::vector<std::string>& TextLinesFile::readLines(std::size_t count) {
  lines.clear();
  std::ifstream file(path, std::ios::binary);
  if (file) {
    lines.reserve(count);
    gf_readAllLines(file, lines);
  }
  return lines;
}
