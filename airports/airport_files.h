#pragma once
// Where an airport's stand file comes from, and where its learned file lives.
//
//   airports/my_thirdparty/ICAO.xml or ICAO.txt   publishers' and the user's files, or links
//   airports/my_ORBX/ICAO.xml or ICAO.txt         files the add-on scan generated, or links
//   archive/stock/ICAO.xml                        the stock file of the online archive
//   airports/learned/stock|simaddon|thirdparty/PUBLISHER/ICAO.xml   the learned files
//
// A link file ICAO.txt names the stand file on its first line: a path (relative to the
// program's folder, or absolute) or an archive name. One rule locates a file: the reader,
// the check whether an airport has a file and the learned file's path all go by it.
#include "airports/airport_list.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

std::string gf_codeXmlText(std::string_view code);
std::filesystem::path gf_codeXmlPath(std::string_view code);
std::filesystem::path gf_codeTxtPath(std::string_view code);

// The target of a link file: its first line up to and including its last ".xml"; none when
// the file is missing or empty, its first line names no ".xml", or it is no UTF-8 text
// (logged).
std::optional<std::string> gf_readLinkFile(const std::filesystem::path& link);

// The airport's stand file as a text: a link's target, a local path (beginning with
// "airports"), the stock archive name, or empty when there is none. A code that is no
// plain airport code has no file.
std::string gf_findAirportFile(std::string_view code);
// The local file a stand file name (not an archive name) stands for; the '\' of a name
// written on Windows separates folders on every platform.
std::filesystem::path gf_localAirportPath(std::string_view name);
// Whether the airport's stand file can be had: the located local file exists, or the
// located archive file downloads.
bool gf_ensureAirportFile(std::string_view code);
inline bool gf_ensureAirportFile(const AirportData& airport) { return gf_ensureAirportFile(airport.code); }

// A publisher's name as a folder name: no separators, drive colons or other characters
// that a file name cannot hold (bytes of no UTF-8 character among them), at most 64 bytes,
// no leading or trailing blanks or dots, no Windows device name; empty when nothing is left.
std::string gf_publisherFolderName(std::string_view publisher);
// Where the learned file of the park airport file `name` (as gf_findAirportFile gives it)
// lives: below airports/learned, in stock or simaddon for the archive's and the scan's
// files, else in thirdparty/PUBLISHER. Empty for an empty name. Never the park file itself.
std::filesystem::path gf_learnedFilePath(std::string_view name, std::string_view publisher);
