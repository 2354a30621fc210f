#pragma once
// Reading one aircraft.cfg or sim.cfg whole: its encoding from its first bytes, its text
// (UTF-16 converted to UTF-8, ANSI and UTF-8 kept as their bytes stand) and its lines as
// views into that text, without their line ends. Files and lines of add-on packages can be
// anything: a file above the size cap is not read and a line above the line cap is left
// out, each with a line in the report of invalid aircraft.cfg files.
#include "core/text_files.h"
#include "liveries/cfg_lines.h"

#include <cstdint>
#include <filesystem>
#include <vector>

inline constexpr std::uintmax_t maxCfgFileBytes = 8u * 1024u * 1024u;
inline constexpr std::size_t maxCfgLineBytes = 64u * 1024u;

struct CfgFile {
  enum class Status { read, noEncoding, unreadable };
  Status status = Status::unreadable;
  TextEncoding encoding = TextEncoding::NoneFound;
  std::vector<char> text;
  CfgLines lines; // views into text, which a move keeps in place

  CfgFile() = default;
  CfgFile(CfgFile&&) = default;
  CfgFile& operator=(CfgFile&&) = default;
  CfgFile(const CfgFile&) = delete;
  CfgFile& operator=(const CfgFile&) = delete;
};

CfgFile gf_readCfgFile(const std::filesystem::path& file);
