#pragma once
// The simulator's installation follows Windows' rules for names: letter case does not
// count, a name ends before its trailing dots and blanks, and configuration files write
// paths with backslashes. Everything of the livery scan that depends on those rules is
// here, so that the native build finds the same files as Windows does.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

// A path written in a configuration file: backslashes separate on every platform.
std::filesystem::path gf_configPath(std::string_view text);
// A drive ("D:"), a leading separator or a path the platform takes as absolute.
bool gf_isAbsoluteConfigPath(std::string_view text);
// A path text of a configuration file put below a folder as Windows joins them, as text on
// every platform: a value with its own drive ("D:\AI") or host ("\\host\share") replaces
// the folder, one with a leading separator ("\AI") keeps only the folder's drive or host, a
// drive-relative one ("D:AI") goes below the folder when the drive is the folder's, and
// any other value goes below the folder, joined by a backslash.
std::string gf_joinWindowsPath(std::string_view folder, std::string_view value);
// Backslash or slash: path texts of either platform.
constexpr bool gf_isPathSeparator(char c) { return c == '\\' || c == '/'; }

// The name as Windows compares it: upper case, trailing dots and blanks removed.
std::string gf_windowsNameKey(std::string_view name);
bool gf_sameWindowsName(std::string_view a, std::string_view b);

// The folder of an aircraft.cfg or sim.cfg file: its path up to its last separator.
std::filesystem::path gf_aircraftFolderOf(const std::filesystem::path& file);

// A value of a model=, texture= or sim= key names something inside the aircraft folder:
// no drive or host (':', a leading separator) and no way up ('..').
bool gf_isInsideFolderName(std::string_view value);

// A configured folder as the scan compares folders: absolute, lexically normal, generic
// separators, upper case, no trailing separator.
std::string gf_folderKey(const std::filesystem::path& folder);
// The first key names a folder inside (or equal to) the second.
bool gf_folderWithin(std::string_view innerKey, std::string_view outerKey);

// The entries of one folder, listed once and looked up by Windows' name rules. A folder
// that cannot be listed has no entries.
class FolderListing {
public:
  enum class Kind : std::uint8_t { none, directory, regular, other };

  FolderListing() = default;
  explicit FolderListing(const std::filesystem::path& folder);
  // An entry as a listing of the folder found it.
  void add(const std::filesystem::directory_entry& entry);
  void add(std::string_view name, Kind kind);
  // The kind of the entry (symbolic links followed), none when there is no such entry.
  Kind kindOf(std::string_view name) const;

private:
  // Names hashed and compared as Windows compares them, looked up without a copy.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  std::unordered_map<std::string, Kind, NameHash, NameEqual> entries_;
};

// The kind of a listed entry, symbolic links followed; other when it cannot be told.
FolderListing::Kind gf_entryKind(const std::filesystem::directory_entry& entry);

// The kind of `name` below `folder`: looked up in the listing when the name is one name,
// by a status query of the joined path when it holds a separator.
FolderListing::Kind gf_entryKind(const FolderListing& listing, const std::filesystem::path& folder,
                                 std::string_view name);
