#include "bgl_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace bglwriter {

namespace {

class Bytes {
public:
  std::size_t size() const { return bytes_.size(); }
  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) u8(static_cast<std::uint8_t>(v >> shift));
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f32(float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  }
  void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
  void put32(std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes_.at(at + k) = static_cast<std::uint8_t>(v >> (8 * k));
  }
  std::vector<std::uint8_t>& data() { return bytes_; }

private:
  std::vector<std::uint8_t> bytes_;
};

// Starts a record or subrecord; `finish` writes its size once its body is written.
std::size_t start(Bytes& out, std::uint16_t id) {
  const auto at = out.size();
  out.u16(id);
  out.u32(0);
  return at;
}

// A negative override leaves the value as it is.
std::uint32_t value(std::int64_t override, std::size_t actual) {
  return static_cast<std::uint32_t>(override >= 0 ? override : static_cast<std::int64_t>(actual));
}

void finish(Bytes& out, std::size_t at, std::int64_t sizeOverride = -1) {
  const auto size = out.size() - at;
  // The size field sits at offset 2, so it straddles a word: write it byte by byte.
  const std::uint32_t written = value(sizeOverride, size);
  for (int k = 0; k < 4; ++k) out.data().at(at + 2 + k) = static_cast<std::uint8_t>(written >> (8 * k));
}

void writeRaw(Bytes& out, const RawRecord& raw) {
  const auto at = start(out, raw.id);
  out.append(raw.body);
  finish(out, at, raw.sizeOverride);
}

void writeName(Bytes& out, const NameRecord& name) {
  const auto at = start(out, 0x0019);
  for (const char c : name.text) out.u8(static_cast<std::uint8_t>(c));
  while ((out.size() - at) % 4 != 0) out.u8(0);
  finish(out, at);
}

void writeHelipad(Bytes& out, const Helipad& helipad) {
  const auto at = start(out, 0x0026);
  out.zeros(6);                        // surface, flags
  out.u32(packLongitude(helipad.lon)); // 0x0C
  out.u32(packLatitude(helipad.lat));  // 0x10
  out.u32(0);                          // 0x14 altitude
  out.f32(helipad.width);              // 0x18 length
  out.f32(helipad.width);              // 0x1C width
  out.f32(helipad.heading);            // 0x20
  finish(out, at);
}

void writeParking(Bytes& out, const ParkingList& list, bool v2) {
  const auto at = start(out, v2 ? 0x00AD : 0x003D);
  out.u16(static_cast<std::uint16_t>(value(list.countOverride, list.entries.size())));
  for (const auto& p : list.entries) {
    if (p.nameCode > 0x3F || p.number > 0xFFF || p.type > 0xF || p.airlines.size() > 0xFF)
      throw std::invalid_argument("parking entry field out of range");
    out.u32(p.nameCode | (p.type << 8) | (p.number << 12) | (static_cast<std::uint32_t>(p.airlines.size()) << 24));
    out.f32(p.radius);
    out.f32(p.heading);
    out.zeros(16); // tee offsets
    out.u32(packLongitude(p.lon));
    out.u32(packLatitude(p.lat));
    for (const auto code : p.airlines) out.u32(code);
    if (v2) out.u32(0);
  }
  finish(out, at);
}

void writeAirport(Bytes& out, const Airport& airport) {
  const auto at = start(out, airport.v2 ? 0x00AB : 0x003C);
  out.zeros(2);                                                                    // 0x06 counts
  out.u32(packLongitude(airport.lon));                                             // 0x08
  out.u32(packLatitude(airport.lat));                                              // 0x0C
  out.u32(0);                                                                      // 0x10
  out.i32(static_cast<std::int32_t>(std::llround(airport.altitudeMetres * 1000))); // 0x14 millimetres
  out.zeros(0x28 - 0x18);                                                          // tower position
  out.u32(packIdent(airport.ident));                                               // 0x28
  out.zeros((airport.v2 ? 60 : 56) - 0x2C);                                        // region and the rest
  for (const auto& sub : airport.subrecords) {
    if (const auto* name = std::get_if<NameRecord>(&sub))
      writeName(out, *name);
    else if (const auto* helipad = std::get_if<Helipad>(&sub))
      writeHelipad(out, *helipad);
    else if (const auto* parking = std::get_if<ParkingList>(&sub))
      writeParking(out, *parking, airport.v2);
    else
      writeRaw(out, std::get<RawRecord>(sub));
  }
  finish(out, at, airport.sizeOverride);
}

std::uint32_t identDigit(char c) {
  if (c == ' ') return 0;
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0') + 2;
  const auto upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper >= 'A' && upper <= 'Z') return static_cast<std::uint32_t>(upper - 'A') + 12;
  throw std::invalid_argument(std::string("no identifier character: ") + c);
}

std::uint32_t packRounded(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= 0)) return 0;
  if (rounded > 4294967295.0) return 0xFFFFFFFF;
  return static_cast<std::uint32_t>(rounded);
}

} // namespace

std::uint32_t packIdent(std::string_view ident) {
  if (ident.empty() || ident.size() > 5) throw std::invalid_argument("an identifier has 1 to 5 characters");
  std::uint32_t v = 0;
  for (const char c : ident) v = v * 38 + identDigit(c);
  return v << 5;
}

std::uint32_t packAirline(std::string_view code) { return packIdent(code.substr(0, 5)); }

std::uint32_t packLatitude(double lat) { return packRounded((90.0 - lat) * 536870912.0 / 180.0); }

std::uint32_t packLongitude(double lon) { return packRounded((lon + 180.0) * 3.0 * 268435456.0 / 360.0); }

ParkingName parkingName(std::string_view name) {
  static constexpr std::string_view prefixes[] = {"", "r", "p", "np", "ep", "sep", "sp", "swp", "wp", "nwp", "g"};
  const auto digits = name.find_first_of("0123456789");
  const auto prefix = name.substr(0, std::min(digits, name.size()));
  ParkingName result;
  if (digits != std::string_view::npos) {
    for (std::size_t k = digits; k < name.size() && std::isdigit(static_cast<unsigned char>(name[k])); ++k)
      result.number = std::min<std::uint32_t>(result.number * 10 + static_cast<std::uint32_t>(name[k] - '0'), 0xFFF);
  }
  for (std::uint32_t code = 0; code < std::size(prefixes); ++code)
    if (prefix == prefixes[code]) {
      result.nameCode = code;
      return result;
    }
  const auto first = static_cast<char>(std::toupper(static_cast<unsigned char>(prefix.front())));
  result.nameCode = first >= 'A' && first <= 'Z' ? letterCode(first) : nameNone;
  return result;
}

std::vector<std::uint8_t> writeBgl(const File& file) {
  Bytes out;
  out.u32(0x19920201);
  out.u32(file.headerSize);
  out.u32(0x6A3B1C00); // file time, low
  out.u32(0x01D6A7C3); // file time, high
  out.u32(0x08051803);
  out.u32(value(file.sectionCountOverride, file.sections.size()));
  out.zeros(0x38 - 0x18); // bounds of the file's cells
  const std::size_t table = out.size();
  out.zeros(20 * file.sections.size());
  for (std::size_t i = 0; i < file.sections.size(); ++i) {
    const auto& section = file.sections[i];
    const bool longHeaders = (section.sizeCode & 0x10000) != 0;
    const std::size_t subsection = out.size();
    out.zeros(longHeaders ? 20 : 16);
    const std::size_t data = out.size();
    for (const auto& record : section.records) {
      if (const auto* airport = std::get_if<Airport>(&record))
        writeAirport(out, *airport);
      else
        writeRaw(out, std::get<RawRecord>(record));
    }
    const std::size_t entry = table + 20 * i;
    out.put32(entry, section.type);
    out.put32(entry + 4, section.sizeCode);
    out.put32(entry + 8, 1);
    out.put32(entry + 12, static_cast<std::uint32_t>(subsection));
    out.put32(entry + 16, longHeaders ? 20 : 16);
    out.put32(subsection + 4, static_cast<std::uint32_t>(section.records.size()));
    out.put32(subsection + 8, value(section.dataOffsetOverride, data));
    out.put32(subsection + 12, static_cast<std::uint32_t>(out.size() - data));
  }
  return std::move(out.data());
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

} // namespace bglwriter
