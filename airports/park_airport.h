#pragma once
// The park airport's stand file: read into the stand list together with its learned file,
// with the quality of what was learned, and saved again as the learned file when live
// traffic leaves the airport. Worker thread only; the window shows what it needs through
// the display state (and core/shell/requests.h: parkAirportLoaded, learnedParamChanged).
#include "airports/airport_file.h"
#include "airports/airport_list.h"
#include "airports/stands.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct ParkAirportFileInfo {
  std::string airport_name;
  std::string publisher;
  std::int32_t altitude = 0; // feet
};

// What became of the park airport's learned file when it was read.
enum class LearnedFileState {
  None,      // there was none: saving starts one
  Merged,    // read and merged whole: saving replaces it
  NotMerged, // it could not be read, or only in part: saving must not replace it
};

struct ParkLearnedFile {
  std::filesystem::path path; // where it was looked for, and where it is saved
  LearnedFileState state = LearnedFileState::None;
  // Its `parkpos` elements that matched no stand, written back when it is saved.
  std::vector<std::string> keptParkpos;
};

extern ParkAirportFileInfo parkAirportFileInfo;
extern QualityFactors qualityFactors;
// The current park airport (chosen by live traffic; its altitude becomes the file's).
extern AirportData currentParkAirport;
// The learned file was a handmade file that replaced the park airport file's stands.
extern bool parkFileHandmade;
extern std::int32_t rtTrafficWeek; // the file's RT_traffic_week, 0 when absent
// Stand option updates since the file was read; the learned file is saved when above 0.
extern std::int32_t standUpdateCount;
extern ParkLearnedFile parkLearnedFile;

// Reads the park airport's stand file `name` (as gf_findAirportFile gives it) and its
// learned file into the stands, numbers the stands and links the ones that overlap, and
// shows the airport in the window. The caller empties the stands and the info first.
// Returns an error text, empty on success ("no stands found" when no stand is left, the
// airport still counting as loaded). Throws UserErrorException 65 when the file has no
// altitude and 94 when a stand id appears twice.
std::string gf_readApf(const std::string& name, ParkAirportFileInfo& info, QualityFactors& quality, StandList& stands);

// Numbers the stands 1..n and fills each stand's adjacent list with the numbers of the
// stands it overlaps: their radii together exceed 1.1 times their distance.
void gf_numberAndLinkStands(StandList& stands);
// No stand keeps more neighbours than this; a file that stacks more is broken.
inline constexpr std::size_t maxAdjacentStands = 64;

// Writes what was learned at the park airport into its learned file and says so in the
// message line. Never replaces a learned file that was not merged whole: what was learned
// then goes into a new file beside it. False when nothing could be written: the update
// count and the parameter-changed flag then stay as they were.
bool gf_saveLearnedAirport();
