#pragma once
// Reading one aircraft.cfg or sim.cfg whole: its encoding from its first bytes, its lines
// without their line ends (UTF-16 converted to UTF-8, ANSI and UTF-8 kept as their bytes
// stand). Files and lines of add-on packages can be anything: a file above the size cap is
// not read and a line above the line cap is left out, each with a line in the report of
// invalid aircraft.cfg files.
#include "core/text_files.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

inline constexpr std::uintmax_t maxCfgFileBytes = 8u * 1024u * 1024u;
inline constexpr std::size_t maxCfgLineBytes = 64u * 1024u;

struct CfgFile {
  enum class Status { read, noEncoding, unreadable };
  Status status = Status::unreadable;
  TextEncoding encoding = TextEncoding::NoneFound;
  std::vector<std::string> lines;
};

CfgFile gf_readCfgFile(const std::filesystem::path& file);
