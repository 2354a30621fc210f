#pragma once
// Every setting of the program, one global object each, named as the setting is named in
// parameters.xml. Where a name is no valid C++ identifier the object has its own:
//   LAST_EPOCH_TIME        the setting "LAST_EPOCH_TIME:" (its name keeps the colon)
//   FLUSH_STATIC_BUTTON    the push button "Flush static"
//   UNBLOCK_BUTTON         the push button "Unblock"
//   REREAD_BUTTON          the push button "Re-read"
// The meta keys (author, date, version, copyright, MSFS, P3D) are no settings: they take
// what gf_readMetaInfo reads from a file's meta block and are never stored.
// MAX_FIT_FL, parking_percentage and ALL_INSTALL_PATH are shown but never stored in
// parameters.xml either.
#include "core/settings/parameter.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

// Check boxes.
extern CheckBoxParameter ALWAYS_ON_TOP;
extern CheckBoxParameter GUID_CHANGES;
extern CheckBoxParameter AEROWINX;
extern CheckBoxParameter LEARN_SOFT;
extern CheckBoxParameter NAV_LIGHTS_WHILE_PARKED;
extern CheckBoxParameter LOG;
extern CheckBoxParameter SCAN_LIVERIES;
extern CheckBoxParameter LIG_AUTOMATIC;
extern CheckBoxParameter LIG_PRIORITIZE;
extern CheckBoxParameter SUPPRESS_STUB;
extern CheckBoxParameter SCAN_AIRPORTS;
extern CheckBoxParameter AFG_AUTOMATIC;
extern CheckBoxParameter LIGHT_AIRCRAFT;
extern CheckBoxParameter HELICOPTERS;
extern CheckBoxParameter HIGH_PERF_AIRCRAFT;
extern CheckBoxParameter AUTO_RANGE;
extern CheckBoxParameter COLLISION_USER_AIR;
extern CheckBoxParameter COLLISION_USER_GND;
extern CheckBoxParameter COLLISION_LIVE_PARKED_GND;
extern CheckBoxParameter STRAIGHT_PBS_ONLY;
extern CheckBoxParameter INITIAL_LOAD_ONLY;
extern CheckBoxParameter PARK_SOFT;
extern CheckBoxParameter PARK_FAKE;
extern CheckBoxParameter WEEK;

// Drop-down lists.
extern ComboBoxParameter MATCHING_DEPTH;
extern ComboBoxParameter RANGE; // nm; change it with gf_setRange (settings_version.h)
extern ComboBoxParameter AR_ABOVE_HEIGHT;
extern ComboBoxParameter MAX_PARK_SEL;
extern ComboBoxParameter MAX_LIVE_SEL;
extern ComboBoxParameter AIRP_RANGE;
extern ComboBoxParameter AIRP_HEIGHT;

// Edit boxes and push buttons.
extern IntEditParameter MAX_FIT;            // half-hours; the window shows it as MAX_FIT_FL
extern FloatEditParameter MAX_FIT_FL;       // MAX_FIT in hours
extern IntEditParameter parking_percentage; // lives in the airport files' header
extern TextEditParameter ALL_INSTALL_PATH;  // shows SIM_INSTALL_PATH
extern TextEditParameter BLOCK_CALLSIGN;
extern TextEditParameter DESTINATION;
extern ButtonParameter FLUSH_STATIC_BUTTON;
extern ButtonParameter UNBLOCK_BUTTON;
extern ButtonParameter REREAD_BUTTON;

// Integers without a control.
extern IntParameter MAIN_WINDOW_X;
extern IntParameter MAIN_WINDOW_Y;
extern IntParameter CUSTOM_PARKING_PERCENTAGE;
extern IntParameter HOLDING_THRESHOLD_METERS;
extern IntParameter MAX_HOLDING_MINUTES;
extern IntParameter P3D_VERSION;
extern IntParameter LAST_EPOCH_TIME;
// Settings of older versions, kept so that the version update can convert them.
extern IntParameter LATERAL_RANGE;           // became RANGE
extern IntParameter AIRPORT_RANGE;           // became AIRP_RANGE
extern IntParameter AUTO_RANGE_ABOVE_HEIGHT; // became AR_ABOVE_HEIGHT
extern IntParameter AIRPORT_HEIGHT;          // became AIRP_HEIGHT
extern IntParameter CUSTOM_MAX_PARK;         // became MAX_PARK_SEL
extern IntParameter MAX_LIVE;                // became MAX_LIVE_SEL

// Bool and texts without a control.
extern BoolParameter RANDOM;
extern StringParameter PROGRAM_VERSION;
extern StringParameter SIM_INSTALL_PATH;
extern StringParameter PORT_NUMBER;
extern StringParameter lfolder0, lfolder1, lfolder2, lfolder3, lfolder4, lfolder5, lfolder6, lfolder7, lfolder8,
    lfolder9;
extern StringParameter afolder0, afolder1, afolder2, afolder3, afolder4, afolder5, afolder6, afolder7, afolder8,
    afolder9;
extern StringParameter PROGRAM_INSTALL_PATH;
extern StringParameter AIG_VERSION;
extern StringParameter DBASE_VERSION;

// Meta keys.
extern StringParameter author;
extern StringParameter date;
extern StringParameter version;
extern StringParameter copyright; // the program's copyright line
extern StringParameter MSFS;
extern StringParameter P3D;

// The traffic range as the traffic filter and live traffic use it; set with RANGE by
// gf_setRange only.
extern std::atomic<double> rangeNm;
extern std::atomic<std::int32_t> rangeMetres;

// The keys of the per-airport settings in the `parameters` header of the airport files,
// in the order they are written.
extern const std::array<std::string, 10> airportHeaderNames;
