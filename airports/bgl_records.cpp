#include "airports/bgl_records.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fmt/format.h>
#include <map>
#include <numbers>
#include <set>
#include <stdexcept>
#include <utility>

namespace {

constexpr double metresPerNm = 1852.0;
constexpr double degreesToRadians = std::numbers::pi / 180.0;
constexpr std::uint64_t headSize = 6; // id and size of every record and subrecord
constexpr std::uint64_t helipadSize = 0x24;
constexpr std::uint64_t maxNameLength = 44;
constexpr std::string_view warning = "===> ";

// Every read goes through here. The walks test their bounds before they read; a read that
// still falls outside the bytes is a fault of ours, and it costs one airport, not the
// process.
class BglBytes {
public:
  explicit BglBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const { return bytes_.size(); }
  bool fits(std::uint64_t pos, std::uint64_t length) const {
    return pos <= bytes_.size() && length <= bytes_.size() - pos;
  }
  std::uint8_t u8(std::uint64_t pos) const {
    check(pos, 1);
    return bytes_[pos];
  }
  std::uint16_t u16(std::uint64_t pos) const {
    check(pos, 2);
    return static_cast<std::uint16_t>(bytes_[pos] | (bytes_[pos + 1] << 8));
  }
  std::uint32_t u32(std::uint64_t pos) const {
    check(pos, 4);
    return static_cast<std::uint32_t>(bytes_[pos]) | (static_cast<std::uint32_t>(bytes_[pos + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes_[pos + 2]) << 16) | (static_cast<std::uint32_t>(bytes_[pos + 3]) << 24);
  }
  std::int32_t i32(std::uint64_t pos) const { return std::bit_cast<std::int32_t>(u32(pos)); }
  float f32(std::uint64_t pos) const { return std::bit_cast<float>(u32(pos)); }

private:
  void check(std::uint64_t pos, std::uint64_t length) const {
    if (!fits(pos, length)) throw std::out_of_range(fmt::format("read of {} bytes at {} past the end", length, pos));
  }
  std::span<const std::uint8_t> bytes_;
};

struct Position {
  double lat = 0;
  double lon = 0;
};

Position lf_packedPosition(const BglBytes& bytes, std::uint64_t lonAt, std::uint64_t latAt) {
  return {gf_bglLatitude(bytes.u32(latAt)), gf_bglLongitude(bytes.u32(lonAt))};
}

bool lf_validPosition(const Position& p) {
  return p.lat >= -90 && p.lat <= 90 && p.lon >= -180 && p.lon <= 180 &&
         !(std::fabs(p.lat) <= 1e-4 && std::fabs(p.lon) <= 1e-4);
}

double lf_headingRadians(float degrees) {
  const double heading = static_cast<double>(degrees) * degreesToRadians;
  return heading == 0 ? 2 * std::numbers::pi : heading;
}

std::int32_t lf_altitudeFeet(std::int32_t millimetres) {
  const double feet = std::round(static_cast<double>(millimetres) * 3.2808399 / 1000.0);
  if (feet < bglLowestAltitudeFt || feet > bglHighestAltitudeFt) return 0;
  return static_cast<std::int32_t>(feet);
}

// Scenery names are plain 8-bit text of unknown code page: valid UTF-8 stays, other
// bytes are taken as Latin-1; control characters would spoil the stand file.
std::string lf_nameText(std::string_view raw) {
  std::string text;
  text.reserve(raw.size() * 2);
  std::size_t i = 0;
  while (i < raw.size()) {
    const auto c = static_cast<unsigned char>(raw[i]);
    if (c < 0x20 || c == 0x7F) {
      ++i;
      continue;
    }
    if (c < 0x80) {
      text += static_cast<char>(c);
      ++i;
      continue;
    }
    // A whole, minimal UTF-8 sequence is kept as it is.
    std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    bool valid = length > 0 && i + length <= raw.size();
    for (std::size_t k = 1; valid && k < length; ++k) valid = (static_cast<unsigned char>(raw[i + k]) & 0xC0) == 0x80;
    if (valid && length == 3) {
      const auto second = static_cast<unsigned char>(raw[i + 1]);
      valid = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second >= 0xA0);
    }
    if (valid && length == 4) {
      const auto second = static_cast<unsigned char>(raw[i + 1]);
      valid = !(c == 0xF0 && second < 0x90) && !(c == 0xF4 && second >= 0x90);
    }
    if (valid) {
      text.append(raw.substr(i, length));
      i += length;
      continue;
    }
    if (c >= 0xA0) {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += '?';
    }
    ++i;
  }
  return text;
}

// The name field: at most 44 bytes, without the zero bytes that pad it.
std::string lf_decodeAirportNAME(const BglBytes& bytes, std::uint64_t pos, std::uint64_t size) {
  if (size < headSize) return {};
  const auto length = std::min(size - headSize, maxNameLength);
  std::string raw;
  raw.reserve(length);
  for (std::uint64_t k = 0; k < length; ++k) {
    const auto c = bytes.u8(pos + headSize + k);
    if (c == 0) break;
    raw += static_cast<char>(c);
  }
  return lf_nameText(raw);
}

struct Damage {
  std::string what;
};

// The decoding state of one airport record; never shared.
class AirportDecoder {
public:
  AirportDecoder(const BglBytes& bytes, std::string_view path, std::vector<std::string>& report,
                 std::vector<bool>& subrecordsWalked)
      : bytes_(bytes), path_(path), report_(report), subrecordsWalked_(subrecordsWalked) {}

  // Throws Damage when the record's structure cannot be trusted.
  BglAirport decode(std::uint64_t pos, std::uint64_t size, bool v2, std::string code) {
    airport_.code = std::move(code);
    airport_.altitude = lf_altitudeFeet(bytes_.i32(pos + 0x14));
    const std::uint64_t end = pos + size;
    std::uint64_t p = pos + (v2 ? 60 : 56);
    while (p < end) {
      // A few bytes after the last subrecord are padding, not a subrecord.
      if (end - p < headSize) break;
      // Airport records of a sound file never overlap. Where a hostile one makes many records
      // share one long run of subrecords, each would walk it again: quadratic, a hang.
      if (subrecordsWalked_[p]) throw Damage{fmt::format("subrecord at {} belongs to another airport record", p)};
      subrecordsWalked_[p] = true;
      const auto id = bytes_.u16(p);
      const std::uint64_t subSize = bytes_.u32(p + 2);
      if (subSize < headSize || subSize > end - p)
        throw Damage{fmt::format("subrecord 0x{:04X} at {} has size {}", id, p, subSize)};
      if (id == bglNameId)
        takeName(lf_decodeAirportNAME(bytes_, p, subSize));
      else if (id == bglHelipadId)
        readHelipad(p, subSize);
      else if (id == (v2 ? bglParkingIdV2 : bglParkingId))
        readTaxiwayParking(p, subSize, v2);
      p += subSize;
    }
    if (duplicate_) lf_renameDuplicateStands(airport_.stands);
    airport_.helipadCount = helipadNumber_ - 1;
    // A name subrecord may follow the helipads: these lines name the airport as it ends up.
    for (const auto& [line, at] : doubleHelipads_)
      report_[line] = fmt::format("double helipad {} (skipped) {:.6f},{:.6f}", airport_.name, at.lat, at.lon);
    return std::move(airport_);
  }

private:
  // A second, different name empties the name; a later one may fill it again.
  void takeName(std::string name) {
    if (airport_.name.empty())
      airport_.name = std::move(name);
    else if (name != airport_.name)
      airport_.name.clear();
  }

  void addReport(std::string line) { report_.push_back(std::move(line)); }

  void readHelipad(std::uint64_t pos, std::uint64_t size) {
    if (size < helipadSize) {
      addReport(fmt::format("{}Damaged helipad of {} skipped in {}", warning, airport_.code, path_));
      return;
    }
    const auto at = lf_packedPosition(bytes_, pos + 0x0C, pos + 0x10);
    if (!lf_validPosition(at)) {
      addReport(fmt::format("lat/lon helipad incorrect (skipped): {:.6f},{:.6f}", at.lat, at.lon));
      return;
    }
    const float width = bytes_.f32(pos + 0x1C);
    const float heading = bytes_.f32(pos + 0x20);
    // Written so that NaN fails too; a helipad is held to the largest stand radius as well.
    if (!(width > 0.0f && width < 400.0f) || !std::isfinite(heading)) {
      addReport(fmt::format("helipad width {} or heading {} incorrect (skipped): {:.6f},{:.6f}", width, heading, at.lat,
                            at.lon));
      return;
    }
    for (const auto& known : helipadPositions_) {
      if (std::fabs(known.lat - at.lat) < 1e-8 && std::fabs(known.lon - at.lon) < 1e-8) {
        doubleHelipads_.emplace_back(report_.size(), at);
        addReport({});
        return;
      }
    }
    helipadPositions_.push_back(at);
    BglStand stand;
    stand.name = fmt::format("helipad{}", helipadNumber_);
    stand.lat = at.lat;
    stand.lon = at.lon;
    stand.heading = lf_headingRadians(heading);
    stand.radius = static_cast<double>(width) * 0.5 / metresPerNm;
    stand.heli = true;
    // Names of parking entries never end in "helipad" and a number, but keep them apart anyway.
    names_.insert(stand.name);
    airport_.stands.push_back(std::move(stand));
    ++helipadNumber_;
  }

  void readTaxiwayParking(std::uint64_t pos, std::uint64_t size, bool v2) {
    const std::uint64_t end = pos + size;
    if (size < 8) {
      addReport(fmt::format("{}Damaged parking list of {} skipped in {}", warning, airport_.code, path_));
      return;
    }
    const std::uint32_t count = bytes_.u16(pos + 6);
    const std::uint64_t fixedWords = v2 ? 10 : 9;
    // Every entry must lie inside the subrecord before any of them counts.
    std::uint64_t p = pos + 8;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (end - p < 4 || (fixedWords + (bytes_.u32(p) >> 24)) * 4 > end - p) {
        addReport(fmt::format("{}Damaged parking list of {} ({} entries) skipped in {}", warning, airport_.code, count,
                              path_));
        return;
      }
      p += (fixedWords + (bytes_.u32(p) >> 24)) * 4;
    }
    p = pos + 8;
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto packed = bytes_.u32(p);
      readParkingEntry(p, packed);
      p += (fixedWords + (packed >> 24)) * 4;
    }
  }

  void readParkingEntry(std::uint64_t p, std::uint32_t packed) {
    const float radius = bytes_.f32(p + 0x04);
    // Written so that NaN fails too.
    if (!(radius > 1.0f && radius < 200.0f)) {
      addReport(fmt::format("Skipped position with radius {:.1F} m in {}", radius, path_));
      return;
    }
    const std::string name = lf_parkingNamePrefix(packed & 0x3F) + fmt::format("{}", (packed >> 12) & 0xFFF);
    const std::uint32_t type = (packed >> 8) & 0xF;
    if (type < 1 || type > 11) return;
    const auto at = lf_packedPosition(bytes_, p + 0x1C, p + 0x20);
    if (!lf_validPosition(at)) {
      addReport(fmt::format("LatLon {} invalid (skipped)", fmt::format("{:.6f},{:.6f}", at.lat, at.lon)));
      return;
    }
    const float heading = bytes_.f32(p + 0x08);
    if (!std::isfinite(heading)) {
      addReport(fmt::format("Skipped position {} with heading {} in {}", name, heading, path_));
      return;
    }
    std::string finalName = name;
    if (!names_.insert(name).second) {
      duplicate_ = true;
      finalName.clear();
      for (const char suffix : std::string_view("abcdef")) {
        if (names_.insert(name + suffix).second) {
          finalName = name + suffix;
          break;
        }
      }
      if (finalName.empty()) {
        addReport(fmt::format("{}Warning: more than 6 duplicate IDs {} in {}", warning, name, path_));
        return;
      }
    }
    BglStand stand;
    stand.suffixed = finalName != name;
    stand.name = std::move(finalName);
    stand.lat = at.lat;
    stand.lon = at.lon;
    stand.heading = lf_headingRadians(heading);
    stand.radius = static_cast<double>(radius) / metresPerNm;
    stand.cargo = type == 5;
    stand.ramp = type <= 7;
    airport_.stands.push_back(std::move(stand));
  }

  const BglBytes& bytes_;
  std::string_view path_;
  std::vector<std::string>& report_;
  std::vector<bool>& subrecordsWalked_;
  BglAirport airport_;
  std::vector<std::pair<std::size_t, Position>> doubleHelipads_; // report line, position
  std::vector<Position> helipadPositions_;
  std::int32_t helipadNumber_ = 1;
  std::set<std::string, std::less<>> names_;
  bool duplicate_ = false;
};

// Walks the records from one start to the end of the file. A position walked before ends
// the walk: from there on it would only repeat itself, so hostile section tables that
// point into one chain again and again cost nothing.
void lf_walkRecords(const BglBytes& bytes, std::uint64_t start, std::string_view path, std::vector<bool>& walked,
                    std::vector<bool>& subrecordsWalked, BglFileAirports& result) {
  std::uint64_t p = start;
  while (p < bytes.size()) {
    if (walked[p]) return;
    walked[p] = true;
    if (!bytes.fits(p, headSize)) return;
    const auto id = bytes.u16(p);
    const std::uint64_t size = bytes.u32(p + 2);
    if (size < headSize) return;
    const bool airport = id == bglAirportRecordId || id == bglAirportRecordIdV2;
    if (!bytes.fits(p, size)) {
      if (airport) {
        ++result.damaged;
        result.report.push_back(
            fmt::format("{}Damaged airport record at {} (size {}) skipped in {}", warning, p, size, path));
      }
      return;
    }
    if (airport) {
      const bool v2 = id == bglAirportRecordIdV2;
      if (size < (v2 ? 60u : 56u)) {
        ++result.damaged;
        result.report.push_back(
            fmt::format("{}Damaged airport record at {} (size {}) skipped in {}", warning, p, size, path));
      } else if (auto code = lf_decodeIdentifierOrRegionCode(bytes.u32(p + 0x28))) {
        // Skipped lines of a damaged airport would only confuse: keep them apart until it is whole.
        std::vector<std::string> lines;
        try {
          AirportDecoder decoder(bytes, path, lines, subrecordsWalked);
          result.airports.push_back(decoder.decode(p, size, v2, *code));
          result.report.insert(result.report.end(), lines.begin(), lines.end());
        } catch (const Damage& damage) {
          ++result.damaged;
          result.report.push_back(
              fmt::format("{}Damaged airport {} skipped in {}: {}", warning, *code, path, damage.what));
        } catch (const std::out_of_range& e) {
          ++result.damaged;
          result.report.push_back(
              fmt::format("{}Damaged airport {} skipped in {}: {}", warning, *code, path, e.what()));
        }
      }
    }
    p += size;
  }
}

std::uint32_t lf_subsectionHeaderSize(std::uint32_t code) { return ((code & 0x10000) | 0x40000) >> 14; }

} // namespace

double gf_bglLatitude(std::uint32_t raw) { return 90.0 - static_cast<double>(raw) * 180.0 / 536870912.0; }

double gf_bglLongitude(std::uint32_t raw) { return static_cast<double>(raw) * 360.0 / (3.0 * 268435456.0) - 180.0; }

std::optional<std::string> lf_decodeIdentifierOrRegionCode(std::uint32_t word) {
  std::uint32_t v = word >> 5;
  std::string text;
  do {
    const auto d = v % 38;
    v /= 38;
    char c = ' ';
    if (d >= 2 && d <= 11)
      c = static_cast<char>(d + 46);
    else if (d != 0)
      c = static_cast<char>(d + 53);
    text.insert(text.begin(), c);
  } while (v != 0);
  if (text.size() != 4 || text.find(' ') != std::string::npos) return std::nullopt;
  return text;
}

std::string lf_parkingNamePrefix(std::uint32_t nameCode) {
  static constexpr std::string_view prefixes[] = {"", "r", "p", "np", "ep", "sep", "sp", "swp", "wp", "nwp", "g", ""};
  if (nameCode < std::size(prefixes)) return std::string(prefixes[nameCode]);
  return std::string(1, static_cast<char>((nameCode & 0x3F) + 53));
}

void lf_renameDuplicateStands(std::vector<BglStand>& stands) {
  std::map<std::string, std::size_t, std::less<>> byName;
  for (std::size_t i = 0; i < stands.size(); ++i) byName.emplace(stands[i].name, i);
  for (auto& first : stands) {
    if (!first.suffixed || first.name.empty()) continue;
    const std::string base = first.name.substr(0, first.name.size() - 1);
    std::vector<std::size_t> group;
    for (const auto& name : {base, base + 'a', base + 'b', base + 'c', base + 'd', base + 'e', base + 'f'}) {
      const auto found = byName.find(name);
      if (found != byName.end()) group.push_back(found->second);
    }
    std::sort(group.begin(), group.end());
    std::vector<std::size_t> bySize = group;
    std::stable_sort(bySize.begin(), bySize.end(),
                     [&](std::size_t a, std::size_t b) { return stands[a].radius < stands[b].radius; });
    for (std::size_t k = 0; k < bySize.size(); ++k) {
      auto& stand = stands[bySize[k]];
      stand.name = k == 0 ? base : base + static_cast<char>('a' + k - 1);
      stand.suffixed = false;
      byName[stand.name] = bySize[k];
    }
  }
}

std::uint64_t gf_bglSectionCount(std::span<const std::uint8_t> header, std::uint64_t fileSize) {
  const BglBytes bytes(header);
  if (!bytes.fits(0, 0x18)) return 0;
  const std::uint64_t count = bytes.u32(0x14);
  if (count == 0 || bglHeaderSize + bglSectionEntrySize * count >= fileSize) return 0;
  return count;
}

bool gf_bglEntriesHaveAirportSection(std::span<const std::uint8_t> entries) {
  const BglBytes bytes(entries);
  for (std::uint64_t entry = 0; bytes.fits(entry, bglSectionEntrySize); entry += bglSectionEntrySize)
    if (bytes.u32(entry) == bglAirportSectionType) return true;
  return false;
}

BglFileAirports gf_readBglAirports(std::span<const std::uint8_t> data, std::string_view bglPath) {
  BglFileAirports result;
  const BglBytes bytes(data);
  if (!bytes.fits(0, bglHeaderSize) || bytes.u32(0x04) != bglHeaderSize) return result;
  result.readable = true;
  std::vector<bool> walked(bytes.size(), false);
  std::vector<bool> subrecordsWalked(bytes.size(), false);
  const std::uint64_t count = bytes.u32(0x14);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t entry = bglHeaderSize + bglSectionEntrySize * i;
    // The table ends with the file, whatever the count says.
    if (!bytes.fits(entry, bglSectionEntrySize)) break;
    if (bytes.u32(entry) != bglAirportSectionType || lf_subsectionHeaderSize(bytes.u32(entry + 4)) != 16) continue;
    const std::uint64_t subsection = bytes.u32(entry + 0x0C);
    if (!bytes.fits(subsection, 16)) {
      ++result.damaged;
      result.report.push_back(fmt::format("{}Damaged airport section {} skipped in {}", warning, i, bglPath));
      continue;
    }
    lf_walkRecords(bytes, bytes.u32(subsection + 0x08), bglPath, walked, subrecordsWalked, result);
  }
  return result;
}
