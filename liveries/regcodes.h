#pragma once
// Registration codes tie a registration to one installed livery title, so that an aircraft
// whose registration is known gets its very own livery. Three sources, each later one
// winning: the registrations the scanned liveries carry (in-line), the program's
// registration-code file input/AIG-regcodes.enc, and the user's files input/my_regcodes/*.TXT.
// Their entries may also mark a title special (it belongs to one aircraft) or forbid it.
#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Hash and equality that look texts up by string_view without making a string.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
using TextSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

struct RegcodeData {
  std::string title;
  std::list<std::string> regs; // sorted, each once; none: a title not to use
  bool special = false;
};

// Registration -> title, a view into the livery tables' own title texts.
extern std::unordered_map<std::string, std::string_view, TextHash, std::equal_to<>> RegcodeMap;
// The installed special titles, in the order their entries came (a title may repeat).
extern std::vector<std::string_view> SpecialTitles;
// Filled at the start of a scan, emptied when it ends: the scan leaves these titles out.
extern TextSet DontUseTitles;
// The lines of output/info/OfflineRegcodes.txt.
extern std::vector<std::string> OfflineRegcodeReport;

bool gf_isSpecialTitle(std::string_view title);
// Empties RegcodeMap and SpecialTitles (with the livery tables they point into).
void gf_clearRegcodes();

// Readers; false when a problem was reported (the entries read are appended all the same).
bool gf_readAigRegcodes(std::list<RegcodeData>& entries);
// Every .TXT file directly in the folder, in the order of their names. A folder that cannot
// be listed throws std::filesystem::filesystem_error.
bool gf_readMyRegcodeFiles(const std::filesystem::path& folder, std::list<RegcodeData>& entries);
void gf_readAigDontUseTitles();
void gf_readMyDontUseTitles();

// While the livery tables are built (worker thread), after the airline livery table.
void gf_addInlineRegcodes();
void gf_processOfflineRegcodes();
