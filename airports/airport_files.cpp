#include "airports/airport_files.h"

#include "airports/archive_downloads.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/file_names.h"
#include "core/text.h"
#include "core/text_files.h"

#include <fmt/format.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Codes come from the airports file, the park airports file and the window: anything but
// letters and digits could reach outside the airport folders.
bool lf_isPlainCode(std::string_view code) {
  if (code.empty() || code.size() > 8) return false;
  for (const char c : code)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// The pieces of a name between '/' and '\'.
std::vector<std::string> lf_nameParts(std::string_view name) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : name) {
    if (c == '/' || c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

// The byte count of the UTF-8 character at k, 0 when none begins there.
std::size_t lf_utf8Length(std::string_view text, std::size_t k) {
  const auto lead = static_cast<unsigned char>(text[k]);
  std::size_t length = 0;
  char32_t code = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    code = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    code = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (k + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[k + i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3Fu);
  }
  // Over-long forms, surrogates and values beyond U+10FFFF are no characters either.
  constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool lf_isUtf8(std::string_view text) {
  for (std::size_t k = 0; k < text.size();) {
    const auto length = lf_utf8Length(text, k);
    if (length == 0) return false;
    k += length;
  }
  return true;
}

bool lf_isDeviceName(std::string_view name) {
  const auto upper = gf_toUpper(name);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

std::string lf_unescapeBlanks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text.substr(k, 3) == "%20") {
      result += ' ';
      k += 2;
    } else {
      result += text[k];
    }
  }
  return result;
}

fs::path lf_thirdpartyFolder(std::string_view publisher) {
  const auto folder = gf_publisherFolderName(publisher);
  return folder.empty() ? learnedThirdpartyFolder : learnedThirdpartyFolder / gf_pathFromText(folder);
}

} // namespace

std::string gf_codeXmlText(std::string_view code) { return std::string(code) + ".xml"; }
fs::path gf_codeXmlPath(std::string_view code) { return gf_pathFromText(gf_codeXmlText(code)); }
fs::path gf_codeTxtPath(std::string_view code) { return gf_pathFromText(std::string(code) + ".txt"); }

std::optional<std::string> gf_readLinkFile(const fs::path& link) {
  if (!fs::exists(link)) return std::nullopt;
  TextLinesFile file{link, {}};
  const auto& lines = file.readLines(1);
  if (lines.empty()) return std::nullopt;
  auto first = lines.front();
  while (!first.empty() && whiteSpace.find(first.back()) != std::string_view::npos) first.pop_back();
  const auto xml = first.rfind(".xml");
  if (first.size() < 4 || xml == std::string::npos) return std::nullopt;
  first.resize(xml + 4);
  // A link written in another code page names no path the program can open on Windows.
  if (!lf_isUtf8(first)) {
    gf_logWarning(fmt::format("The link file '{}' is not UTF-8 text: save it as UTF-8", gf_pathText(link)));
    return std::nullopt;
  }
  return first;
}

std::string gf_findAirportFile(std::string_view code) {
  if (!lf_isPlainCode(code)) return {};
  for (const auto& folder : {myThirdpartyFolder, myOrbxFolder}) {
    if (auto target = gf_readLinkFile(folder / gf_codeTxtPath(code))) return *target;
    const auto file = folder / gf_codeXmlPath(code);
    if (fs::exists(file)) return gf_pathText(file);
  }
  if (gf_probeStockAirportFile(code)) return gf_stockArchiveName(code);
  return {};
}

fs::path gf_localAirportPath(std::string_view name) {
  std::string text(name);
  for (auto& c : text)
    if (c == '\\') c = '/';
  return gf_pathFromText(text).make_preferred();
}

bool gf_ensureAirportFile(std::string_view code) {
  const auto name = gf_findAirportFile(code);
  if (name.empty()) return false;
  if (gf_isArchiveName(name)) return gf_fetchArchiveFile(name).ok();
  if (fs::exists(gf_localAirportPath(name))) return true;
  gf_logWarning(fmt::format("The stand file '{}' of {} does not exist", name, code));
  return false;
}

std::string gf_publisherFolderName(std::string_view publisher) {
  std::string folder;
  folder.reserve(publisher.size());
  for (std::size_t k = 0; k < publisher.size();) {
    // A byte that begins no UTF-8 character (a file written in another code page) would
    // make no path on Windows.
    const auto length = lf_utf8Length(publisher, k);
    if (length == 0) {
      folder += '_';
      ++k;
      continue;
    }
    const char c = publisher[k];
    const bool unfit = length == 1 && (static_cast<unsigned char>(c) < 0x20 ||
                                       std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos);
    if (unfit)
      folder += '_';
    else
      folder += publisher.substr(k, length);
    k += length;
  }
  // Long enough for any publisher's name, short enough for Windows' path limit; cut
  // between characters.
  constexpr std::size_t longestName = 64;
  if (folder.size() > longestName) {
    std::size_t cut = longestName;
    while (cut > 0 && (static_cast<unsigned char>(folder[cut]) & 0xC0) == 0x80) --cut;
    folder.resize(cut);
  }
  const auto first = folder.find_first_not_of(" .");
  if (first == std::string::npos) return {};
  const auto last = folder.find_last_not_of(" .");
  folder = folder.substr(first, last - first + 1);
  // Windows keeps these names for its devices, whatever follows a dot.
  if (lf_isDeviceName(folder.substr(0, folder.find('.')))) folder.insert(0, "_");
  return folder;
}

fs::path gf_learnedFilePath(std::string_view name, std::string_view publisher) {
  if (name.empty()) return {};
  const auto parts = lf_nameParts(name);
  const auto fileName = gf_publisherFolderName(parts.back());
  if (fileName.empty()) return {};
  const auto file = gf_pathFromText(fileName);
  if (gf_isArchiveName(name) && parts.size() >= 3) {
    if (parts[1] == "stock") return learnedStockFolder / file;
    if (parts[1] == "simaddon") return learnedSimaddonFolder / file;
    if (parts[1] == "thirdparty" && parts.size() >= 4) return lf_thirdpartyFolder(lf_unescapeBlanks(parts[2])) / file;
    return lf_thirdpartyFolder(publisher) / file;
  }
  if (parts.size() >= 2 && parts[0] == "airports") {
    for (std::size_t k = 1; k + 1 < parts.size(); ++k)
      if (parts[k] == "my_ORBX") return learnedSimaddonFolder / file;
  }
  // Every other file, a publisher's or one a link names anywhere on the disk, keeps its
  // learned file beside the publishers': never in place of the park file itself.
  return lf_thirdpartyFolder(publisher) / file;
}
