#include "liveries/cfg_file.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/utf16.h"
#include "liveries/scan_reports.h"

#include <fmt/format.h>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class LineCollector {
public:
  LineCollector(const fs::path& file, std::vector<std::string>& lines) : file_(file), lines_(lines) {}
  void add(std::string line) {
    ++number_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > maxCfgLineBytes) {
      gf_addInvalidCfgLine(fmt::format("{} line {} is longer than {} bytes and was left out", gf_pathText(file_),
                                       number_, maxCfgLineBytes));
      return;
    }
    lines_.push_back(std::move(line));
  }

private:
  const fs::path& file_;
  std::vector<std::string>& lines_;
  std::size_t number_ = 0;
};

void lf_splitBytes(std::string_view bytes, LineCollector& lines) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    auto end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    lines.add(std::string(bytes.substr(start, end - start)));
    start = end + 1;
  }
}

// Throws win32::Utf8ConversionException for text that is no UTF-16.
void lf_splitUtf16(std::string_view bytes, bool bigEndian, LineCollector& lines) {
  std::u16string line;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    const auto unit = static_cast<char16_t>((hi << 8) | lo);
    if (unit == u'\n') {
      lines.add(gf_utf16ToUtf8(line));
      line.clear();
    } else {
      line.push_back(unit);
    }
  }
  if (!line.empty()) lines.add(gf_utf16ToUtf8(line));
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
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (in.bad() || static_cast<std::uintmax_t>(in.gcount()) != size) return result;

  result.encoding = gf_detectTextEncodingOfBytes(bytes);
  if (result.encoding == TextEncoding::NoneFound) {
    result.status = CfgFile::Status::noEncoding;
    return result;
  }
  result.lines.reserve(4048);
  LineCollector lines(file, result.lines);
  try {
    switch (result.encoding) {
    case TextEncoding::Unicode:
    case TextEncoding::UnicodeBigEndian:
      lf_splitUtf16(bytes, result.encoding == TextEncoding::UnicodeBigEndian, lines);
      break;
    case TextEncoding::Utf8WithBom:
      lf_splitBytes(std::string_view(bytes).substr(3), lines);
      break;
    default:
      lf_splitBytes(bytes, lines);
      break;
    }
  } catch (const win32::Utf8ConversionException&) {
    gf_addInvalidCfgLine(fmt::format("{} is no valid UTF-16 text and was not scanned", gf_pathText(file)));
    result.lines.clear();
    return result;
  }
  result.status = CfgFile::Status::read;
  return result;
}
