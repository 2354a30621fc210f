#pragma once
// Two log reports of how well the installed liveries fit the traffic: the live aircraft no
// livery was found for, and the live matches per matching step with the models the
// simulator refused to create. Worker thread only.
#include <string>
#include <unordered_set>
#include <vector>

// "{:3} {:4}" of airline and type, a blank and the registration, of every live aircraft with
// a registration that got no livery; live traffic fills it and drops an aircraft found in
// it. It keeps its content for the whole process.
extern std::unordered_set<std::string> NoMatchSet;

// With LOG on: "\nNo match found for:", the entries in sorted order and an empty line.
void gf_logNoLiveryMatches();
// Once any live aircraft was matched, whether LOG is on or not.
void gf_logLiveryMatchingSummary();
// Two blanks and "type airline" per model the simulator refused, sorted.
std::vector<std::string> gf_listUncreatableModels();
