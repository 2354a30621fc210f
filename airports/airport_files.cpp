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
  return first.substr(0, xml + 4);
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
  for (const char c : publisher) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unfit = byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
    folder += unfit ? '_' : c;
  }
  const auto first = folder.find_first_not_of(" .");
  if (first == std::string::npos) return {};
  const auto last = folder.find_last_not_of(" .");
  return folder.substr(first, last - first + 1);
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
