// The table of settings. Everything here is built before main in the order written: the
// choice lists before their drop-down lists, RANGE before the range copies, the header
// settings before the list of their names.
#include "core/settings/parameters.h"

#include "core/random.h"
#include "core/settings/settings_version.h"

namespace {

const std::vector<std::int32_t> matchingDepthChoices{1, 2, 3, 4};
const std::vector<std::int32_t> rangeChoices{2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100};
const std::vector<std::int32_t> aboveHeightChoices{18000, 21000, 24000, 27000, 30000, 33000,
                                                   36000, 39000, 42000, 45000, 48000};
// MAX_PARK_SEL and MAX_LIVE_SEL share the list, each with its own copy.
const std::vector<std::int32_t> maxCountChoices{0, 10, 25, 50, 75, 100, 500};
const std::vector<std::int32_t> airportRangeChoices{5, 10, 15, 20, 25, 30};
const std::vector<std::int32_t> airportHeightChoices{2000,  4000,  6000,  8000,  10000, 12000,
                                                     14000, 16000, 18000, 36000, 48000};

} // namespace

CheckBoxParameter ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, 32771, 147};
CheckBoxParameter GUID_CHANGES{"GUID_CHANGES", true, 32773, 203};
CheckBoxParameter AEROWINX{"AEROWINX", false, 32775, 203};
CheckBoxParameter LEARN_SOFT{"LEARN_SOFT", true, 32777, 175};
CheckBoxParameter NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, 32778, 175};
CheckBoxParameter LOG{"LOG", true, 32779, 147};
CheckBoxParameter SCAN_LIVERIES{"SCAN_LIVERIES", true, 32797, 147};
CheckBoxParameter LIG_AUTOMATIC{"LIG_AUTOMATIC", true, 32798, 147};
CheckBoxParameter LIG_PRIORITIZE{"LIG_PRIORITIZE", false, 32799, 147};
CheckBoxParameter SUPPRESS_STUB{"SUPPRESS_STUB", true, 32800, 147};
CheckBoxParameter SCAN_AIRPORTS{"SCAN_AIRPORTS", true, 32801, 175};
CheckBoxParameter AFG_AUTOMATIC{"AFG_AUTOMATIC", true, 32802, 175};
CheckBoxParameter LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, 32809, 203};
CheckBoxParameter HELICOPTERS{"HELICOPTERS", true, 32810, 203};
CheckBoxParameter HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, 32811, 203};
CheckBoxParameter AUTO_RANGE{"AUTO_RANGE", true, 32819, 231};
CheckBoxParameter COLLISION_USER_AIR{"COLLISION_USER_AIR", true, 32833, 287};
CheckBoxParameter COLLISION_USER_GND{"COLLISION_USER_GND", true, 32834, 287};
CheckBoxParameter COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, 32835, 287};
CheckBoxParameter STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, 32856, 315};
CheckBoxParameter INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, 32850, 371};
CheckBoxParameter PARK_SOFT{"PARK_SOFT", true, 32851, 371};
CheckBoxParameter PARK_FAKE{"PARK_FAKE", false, 32852, 371};
CheckBoxParameter WEEK{"WEEK", false, 32854, 371};

ComboBoxParameter MATCHING_DEPTH{"MATCHING_DEPTH", 4, matchingDepthChoices, 32808, 203};
ComboBoxParameter RANGE{"RANGE", 40, rangeChoices, 32818, 231};
ComboBoxParameter AR_ABOVE_HEIGHT{"AR_ABOVE_HEIGHT", 48000, aboveHeightChoices, 32820, 231};
ComboBoxParameter MAX_PARK_SEL{"MAX_PARK_SEL", 500, maxCountChoices, 32846, 315};
ComboBoxParameter MAX_LIVE_SEL{"MAX_LIVE_SEL", 500, maxCountChoices, 32847, 315};
ComboBoxParameter AIRP_RANGE{"AIRP_RANGE", 20, airportRangeChoices, 32840, 343};
ComboBoxParameter AIRP_HEIGHT{"AIRP_HEIGHT", 18000, airportHeightChoices, 32841, 343};

IntEditParameter MAX_FIT{"MAX_FIT", 47, 0, 47, 32853, 371};
FloatEditParameter MAX_FIT_FL{"MAX_FIT_FL", 24.0f, 0.5f, 24.0f, 32855, 371};
IntEditParameter parking_percentage{"parking_percentage", 30, 0, 100, 32848, 371};
TextEditParameter ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", 32788, 119};
TextEditParameter BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", 32828, 259};
TextEditParameter DESTINATION{"DESTINATION", "", 32839, 343};
ButtonParameter FLUSH_STATIC_BUTTON{"Flush static", 32858, 369};
ButtonParameter UNBLOCK_BUTTON{"Unblock", 32829, 257};
ButtonParameter REREAD_BUTTON{"Re-read", 32838, 341};

IntParameter MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -30000, 30000};
IntParameter MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -30000, 30000};
IntParameter CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
IntParameter HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
IntParameter MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};
IntParameter P3D_VERSION{"P3D_VERSION", 5, 5, 6};
IntParameter LAST_EPOCH_TIME{"LAST_EPOCH_TIME:", 0, 0, 2147483647};
IntParameter LATERAL_RANGE{"LATERAL_RANGE", 40, 2, 100};
IntParameter AIRPORT_RANGE{"AIRPORT_RANGE", 20, 8, 30};
IntParameter AUTO_RANGE_ABOVE_HEIGHT{"AUTO_RANGE_ABOVE_HEIGHT", 49000, 18000, 49000};
IntParameter AIRPORT_HEIGHT{"AIRPORT_HEIGHT", 18000, 2000, 45000};
IntParameter CUSTOM_MAX_PARK{"CUSTOM_MAX_PARK", -1, -1, 500};
IntParameter MAX_LIVE{"MAX_LIVE", -1, -1, 300};

BoolParameter RANDOM{"RANDOM", true};
StringParameter PROGRAM_VERSION{"PROGRAM_VERSION", ""};
StringParameter SIM_INSTALL_PATH{"SIM_INSTALL_PATH", ""};
StringParameter PORT_NUMBER{"PORT_NUMBER", "10747"};
StringParameter lfolder0{"lfolder0", ""}, lfolder1{"lfolder1", ""}, lfolder2{"lfolder2", ""}, lfolder3{"lfolder3", ""},
    lfolder4{"lfolder4", ""}, lfolder5{"lfolder5", ""}, lfolder6{"lfolder6", ""}, lfolder7{"lfolder7", ""},
    lfolder8{"lfolder8", ""}, lfolder9{"lfolder9", ""};
StringParameter afolder0{"afolder0", ""}, afolder1{"afolder1", ""}, afolder2{"afolder2", ""}, afolder3{"afolder3", ""},
    afolder4{"afolder4", ""}, afolder5{"afolder5", ""}, afolder6{"afolder6", ""}, afolder7{"afolder7", ""},
    afolder8{"afolder8", ""}, afolder9{"afolder9", ""};
StringParameter PROGRAM_INSTALL_PATH{"PROGRAM_INSTALL_PATH", ""};
StringParameter AIG_VERSION{"AIG_VERSION", ""};
StringParameter DBASE_VERSION{"DBASE_VERSION", ""};

StringParameter author{"author", ""};
StringParameter date{"date", ""};
StringParameter version{"version", ""};
StringParameter copyright{"copyright", "(c) 2026 the Hivemoor authors"};
StringParameter MSFS{"MSFS", ""};
StringParameter P3D{"P3D", ""};

std::atomic<double> rangeNm{static_cast<double>(RANGE.defaultValue)};
std::atomic<std::int32_t> rangeMetres{gf_rangeMetres(RANGE.defaultValue)};

const std::array<std::string, 10> airportHeaderNames{LATERAL_RANGE.name, AUTO_RANGE.name, INITIAL_LOAD_ONLY.name,
                                                     PARK_SOFT.name,     PARK_FAKE.name,  parking_percentage.name,
                                                     MAX_FIT.name,       WEEK.name,       LEARN_SOFT.name,
                                                     MAX_LIVE.name};

bool gf_randomOn() { return RANDOM.get(); }
