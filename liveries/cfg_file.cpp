#include "liveries/cfg_file.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/utf16.h"
#include "liveries/scan_reports.h"

#include <fmt/format.h>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void lf_splitLines(const fs::path& file, std::string_view text, CfgLines& lines) {
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    auto line = text.substr(start, end - start);
    // A CR LF pair ends a line like a lone LF; any other CR is part of the text.
    if (end < text.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    ++number;
    if (line.size() > maxCfgLineBytes) {
      gf_addInvalidCfgLine(fmt::format("{} line {} is longer than {} bytes and was left out", gf_pathText(file), number,
                                       maxCfgLineBytes));
      continue;
    }
    lines.push_back(line);
  }
}

// Throws win32::Utf8ConversionException for text that is no UTF-16.
std::string lf_utf16Text(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    units.push_back(static_cast<char16_t>((hi << 8) | lo));
  }
  return gf_utf16ToUtf8(units);
}

} // namespace

CfgFile gf_readCfgFile(const fs::path& file) {
  CfgFile result;
  std::ifstream in(file, std::ios::binary);
  if (!in) return result;
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::uintmax_t>(in.tellg());
  in.seekg(0, std::ios::beg);
  if (!in) return result;
  if (size > maxCfgFileBytes) {
    gf_addInvalidCfgLine(
        fmt::format("{} is larger than {} bytes and was not scanned", gf_pathText(file), maxCfgFileBytes));
    return result;
  }
  result.text.resize(static_cast<std::size_t>(size));
  in.read(result.text.data(), static_cast<std::streamsize>(size));
  if (in.bad() || static_cast<std::uintmax_t>(in.gcount()) != size) return result;

  const std::string_view bytes(result.text.data(), result.text.size());
  result.encoding = gf_detectTextEncodingOfBytes(bytes);
  std::size_t skip = 0;
  switch (result.encoding) {
  case TextEncoding::NoneFound:
    result.status = CfgFile::Status::noEncoding;
    return result;
  case TextEncoding::Unicode:
  case TextEncoding::UnicodeBigEndian:
    try {
      const auto utf8 = lf_utf16Text(bytes, result.encoding == TextEncoding::UnicodeBigEndian);
      result.text.assign(utf8.begin(), utf8.end());
    } catch (const win32::Utf8ConversionException&) {
      gf_addInvalidCfgLine(fmt::format("{} is no valid UTF-16 text and was not scanned", gf_pathText(file)));
      return result;
    }
    break;
  case TextEncoding::Utf8WithBom:
    skip = 3;
    break;
  default:
    break;
  }
  result.lines.reserve(4048);
  lf_splitLines(file, std::string_view(result.text.data(), result.text.size()).substr(skip), result.lines);
  result.status = CfgFile::Status::read;
  return result;
}
