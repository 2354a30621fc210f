#include "liveries/windows_names.h"

#include "core/files.h"
#include "core/text.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace {

FolderListing::Kind lf_kindOf(const fs::file_status& status) {
  switch (status.type()) {
  case fs::file_type::directory:
    return FolderListing::Kind::directory;
  case fs::file_type::regular:
    return FolderListing::Kind::regular;
  case fs::file_type::not_found:
  case fs::file_type::none:
    return FolderListing::Kind::none;
  default:
    return FolderListing::Kind::other;
  }
}

bool lf_isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool lf_hasDrive(std::string_view text) { return text.size() >= 2 && text[1] == ':' && lf_isDriveLetter(text[0]); }

} // namespace

fs::path gf_configPath(std::string_view text) {
  std::string generic(text);
  if constexpr (fs::path::preferred_separator == '/') std::replace(generic.begin(), generic.end(), '\\', '/');
  return gf_pathFromText(generic);
}

bool gf_isAbsoluteConfigPath(std::string_view text) {
  if (text.empty()) return false;
  if (gf_isPathSeparator(text.front())) return true;
  return lf_hasDrive(text) || gf_configPath(text).is_absolute();
}

namespace {

// "D:" or "\\host\share" at the start of the text; empty when it has neither.
std::string_view lf_rootName(std::string_view text) {
  if (lf_hasDrive(text)) return text.substr(0, 2);
  if (text.size() < 3 || !gf_isPathSeparator(text[0]) || !gf_isPathSeparator(text[1]) || gf_isPathSeparator(text[2]))
    return {};
  auto end = std::find_if(text.begin() + 2, text.end(), gf_isPathSeparator);
  if (end != text.end()) end = std::find_if(end + 1, text.end(), gf_isPathSeparator);
  return text.substr(0, static_cast<std::size_t>(end - text.begin()));
}

char lf_upperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::string gf_joinWindowsPath(std::string_view folder, std::string_view value) {
  if (folder.empty()) return std::string(value);
  const auto valueRoot = lf_rootName(value);
  const auto folderRoot = lf_rootName(folder);
  if (!valueRoot.empty()) {
    const bool sameDrive =
        lf_hasDrive(value) && lf_hasDrive(folder) && lf_upperLetter(value[0]) == lf_upperLetter(folder[0]);
    // "D:AI" below the folder when the folder is on D:; a drive with its root, or a host, stands alone.
    if (!sameDrive || (value.size() > 2 && gf_isPathSeparator(value[2]))) return std::string(value);
    value.remove_prefix(2);
  } else if (!value.empty() && gf_isPathSeparator(value.front())) {
    return std::string(folderRoot) + std::string(value);
  }
  std::string joined(folder);
  if (!value.empty() && !gf_isPathSeparator(joined.back())) joined += '\\';
  joined += value;
  return joined;
}

std::string gf_windowsNameKey(std::string_view name) {
  const auto end = name.find_last_not_of(". ");
  return gf_toUpper(end == std::string_view::npos ? std::string_view{} : name.substr(0, end + 1));
}

bool gf_sameWindowsName(std::string_view a, std::string_view b) { return gf_windowsNameKey(a) == gf_windowsNameKey(b); }

fs::path gf_aircraftFolderOf(const fs::path& file) { return file.parent_path(); }

bool gf_isInsideFolderName(std::string_view value) {
  if (value.empty()) return true;
  if (gf_isPathSeparator(value.front())) return false;
  return value.find(':') == std::string_view::npos && value.find("..") == std::string_view::npos;
}

std::string gf_folderKey(const fs::path& folder) {
  std::error_code error;
  auto absolute = fs::absolute(folder, error);
  if (error) absolute = folder;
  const auto generic = absolute.lexically_normal().generic_u8string();
  auto text = gf_toUpper(std::string_view(reinterpret_cast<const char*>(generic.data()), generic.size()));
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool gf_folderWithin(std::string_view innerKey, std::string_view outerKey) {
  if (innerKey.size() < outerKey.size() || innerKey.substr(0, outerKey.size()) != outerKey) return false;
  return innerKey.size() == outerKey.size() || innerKey[outerKey.size()] == '/' || outerKey.ends_with('/');
}

FolderListing::Kind gf_entryKind(const fs::directory_entry& entry) {
  // The listing's own idea of the entry's type costs no status query unless it is a link.
  std::error_code error;
  if (entry.is_directory(error)) return FolderListing::Kind::directory;
  if (error)
    return error == std::errc::no_such_file_or_directory ? FolderListing::Kind::none : FolderListing::Kind::other;
  if (entry.is_regular_file(error)) return FolderListing::Kind::regular;
  return entry.exists(error) ? FolderListing::Kind::other : FolderListing::Kind::none;
}

FolderListing::FolderListing(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) add(*it);
}

void FolderListing::add(const fs::directory_entry& entry) {
  add(gf_pathText(entry.path().filename()), gf_entryKind(entry));
}

void FolderListing::add(std::string_view name, Kind kind) { entries_.emplace(std::string(name), kind); }

namespace {

std::string_view lf_significant(std::string_view name) {
  const auto end = name.find_last_not_of(". ");
  return end == std::string_view::npos ? std::string_view{} : name.substr(0, end + 1);
}

char lf_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::size_t FolderListing::NameHash::operator()(std::string_view name) const {
  std::size_t hash = 14695981039346656037ull;
  for (const char c : lf_significant(name)) hash = (hash ^ static_cast<unsigned char>(lf_upper(c))) * 1099511628211ull;
  return hash;
}

bool FolderListing::NameEqual::operator()(std::string_view a, std::string_view b) const {
  a = lf_significant(a);
  b = lf_significant(b);
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lf_upper(x) == lf_upper(y); });
}

FolderListing::Kind FolderListing::kindOf(std::string_view name) const {
  const auto found = entries_.find(name);
  return found == entries_.end() ? Kind::none : found->second;
}

FolderListing::Kind gf_entryKind(const FolderListing& listing, const fs::path& folder, std::string_view name) {
  if (std::none_of(name.begin(), name.end(), gf_isPathSeparator)) return listing.kindOf(name);
  // A missing entry is an answer; any other failure of the query is not.
  std::error_code error;
  const auto status = fs::status(folder / gf_configPath(name), error);
  if (error && status.type() != fs::file_type::not_found)
    throw fs::filesystem_error("status", folder / gf_configPath(name), error);
  return lf_kindOf(status);
}
