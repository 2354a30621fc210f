#include "core/refdata/dbase_tables.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/refdata/stream_cipher.h"
#include "core/settings/file_names.h"
#include "core/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <optional>
#include <pugixml.hpp>
#include <stdexcept>

namespace fs = std::filesystem;

DbaseTables dbaseTables;

namespace {

constexpr double metresPerNm = 1852.0;

// The plain file exists only while it is being loaded: it goes on every path out.
class PlainFileRemover {
public:
  explicit PlainFileRemover(fs::path path) : path_(std::move(path)) {}
  PlainFileRemover(const PlainFileRemover&) = delete;
  PlainFileRemover& operator=(const PlainFileRemover&) = delete;
  ~PlainFileRemover() {
    try {
      gf_removeFile(path_);
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("Warning: could not remove {}, errorcode: {}", gf_pathText(path_), e.what()));
    }
  }

private:
  fs::path path_;
};

// Comma lists: pieces trimmed, empty pieces dropped (an empty alias or code would match
// everything or nothing).
std::vector<std::string> lf_codes(std::string_view text) {
  auto pieces = gf_splitTrim(text, ',');
  std::erase(pieces, std::string{});
  return pieces;
}

bool lf_isTrue(std::string_view text) {
  return !text.empty() && std::string_view("1tTyY").find(text[0]) != std::string_view::npos;
}

void lf_readListSection(const pugi::xml_document& document, const char* section, TypeSet& target, const char* element,
                        const char* attribute) {
  TypeSet codes;
  for (const auto node : document.child(section).children(element))
    for (auto& code : lf_codes(node.attribute(attribute).as_string())) codes.insert(std::move(code));
  if (codes.empty())
    throw hvm::UserErrorException(61, fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.",
                                                  section, element, attribute));
  target = std::move(codes);
}

void lf_readSimilarGroups(const pugi::xml_document& document, DbaseTables& tables) {
  tables.similarGroups.reserve(64);
  for (const auto node : document.child("similar_types").children("similar")) {
    auto group = lf_codes(node.attribute("types").as_string());
    std::sort(group.begin(), group.end());
    tables.similarGroups.push_back(std::move(group));
  }
  tables.similarGroups.shrink_to_fit();
}

void lf_readPublishers(const pugi::xml_document& document, DbaseTables& tables) {
  std::vector<std::string> names;
  for (const auto node : document.child("publishers").children("pub"))
    names.emplace_back(node.attribute("names").as_string());
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  tables.publishers.reserve(640);
  for (const auto& text : names) {
    auto group = gf_splitComma(text);
    std::erase(group, std::string{});
    if (!group.empty()) tables.publishers.push_back(std::move(group));
  }
  tables.publishers.shrink_to_fit();
  gf_log(fmt::format("   {} publishers", tables.publishers.size()));
}

// A span must be a finite positive number of metres; anything else would spoil the
// averages (and an infinite or NaN one every distance test that uses it).
std::optional<double> lf_metres(std::string_view text) {
  text = std::string_view(text).substr(std::min(text.find_first_not_of(whiteSpace), text.size()));
  double metres = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), metres);
  if (error != std::errc() || !std::isfinite(metres) || metres <= 0) return std::nullopt;
  return metres;
}

void lf_readWingspans(const pugi::xml_document& document, DbaseTables& tables) {
  bool anyValid = false;
  for (const auto node : document.child("wingspans").children("wingspan")) {
    const std::string type = node.attribute("type").as_string();
    if (type.empty() || !tables.aircraftTypes.contains(type)) {
      gf_logWarning(fmt::format("wingspan model {} is not valid, skipped", type));
      continue;
    }
    const auto metres = lf_metres(node.attribute("meters").as_string());
    if (!metres) {
      gf_logWarning(
          fmt::format("wingspan '{}' of model {} is not valid, skipped", node.attribute("meters").as_string(), type));
      continue;
    }
    anyValid = true;
    const double halfSpan = *metres * 0.5 / metresPerNm;
    tables.halfSpans.try_emplace(type, halfSpan);
    tables.maxHalfSpanNm = std::max(tables.maxHalfSpanNm, halfSpan);
  }
  if (!anyValid) return;

  std::array<double, sizeCategoryCount> sums{};
  std::array<int, sizeCategoryCount> counts{};
  double overall = 0;
  for (const auto& [type, halfSpan] : tables.halfSpans) {
    const auto index = gf_categoryIndex(gf_aircraftCategory(tables, type));
    sums[index] += halfSpan;
    ++counts[index];
    overall += halfSpan;
  }
  // A class without any span of its own takes the average of all spans.
  const double overallAverage = overall / static_cast<double>(tables.halfSpans.size());
  for (std::size_t i = 0; i < sizeCategoryCount; ++i)
    tables.categoryHalfSpans[i] = counts[i] > 0 ? sums[i] / counts[i] : overallAverage;
}

void lf_readFixes(const pugi::xml_document& document, DbaseTables& tables) {
  for (const auto node : document.child("fixes").children("fx")) {
    const std::string wrong = node.attribute("wro").as_string();
    const std::string correct = node.attribute("cor").as_string();
    if (correct.empty() || !tables.aircraftTypes.contains(correct)) {
      gf_logWarning(fmt::format("wrong fix {} -> {}, the latter is not valid", wrong, correct));
      continue;
    }
    if (!tables.typeFixes.try_emplace(wrong, correct).second)
      gf_logWarning(fmt::format("wrong part of fix: '{}', already exists, skipped", wrong));
  }
}

void lf_readThirdParties(const pugi::xml_document& document, DbaseTables& tables) {
  tables.thirdParties.reserve(200);
  for (const auto node : document.child("thirdpartiesP3D").children("thirdpartieP3D"))
    tables.thirdParties.push_back({node.attribute("pub").as_string(), lf_codes(node.attribute("arpts").as_string())});
}

void lf_readRegistrations(const pugi::xml_document& document, DbaseTables& tables) {
  tables.registrations.clear();
  for (const auto node : document.child("dbase").children("db")) {
    RegistrationData data{node.attribute("airl").as_string(), node.attribute("type").as_string(),
                          node.attribute("opr").as_string(), lf_isTrue(node.attribute("cargo").as_string())};
    const std::string reg = node.attribute("reg").as_string();
    if (!tables.registrations.try_emplace(reg, std::move(data)).second)
      gf_logWarning(fmt::format("regcode {} already exists", reg));
  }
  gf_log(fmt::format("{} dbase records read", tables.registrations.size()));
}

} // namespace

bool gf_readDbase() {
  if (!fs::exists(dbaseFile)) throw std::runtime_error(fmt::format("{} not available", gf_pathText(dbaseFile)));
  pugi::xml_document document;
  {
    PlainFileRemover remover(dbaseXmlFile);
    if (!gf_streamDecrypt(dbaseFile, dbaseXmlFile))
      throw std::runtime_error(fmt::format("{} stream decrypt failed", gf_pathText(dbaseFile)));
    const auto result = document.load_file(dbaseXmlFile.c_str());
    if (!result)
      throw hvm::UserErrorException(
          60, fmt::format("'{}' not read because of {}", gf_pathText(dbaseXmlFile), result.description()));
  }

  DbaseTables tables;
  lf_readListSection(document, "aircrafts", tables.aircraftTypes, "aircraft", "types");
  lf_readListSection(document, "high_performance", tables.highPerfTypes, "hpf", "types");
  lf_readListSection(document, "heavy", tables.heavyTypes, "hvy", "types");
  lf_readListSection(document, "large", tables.largeTypes, "lar", "types");
  lf_readListSection(document, "buzjet", tables.buzjetTypes, "bzj", "types");
  lf_readListSection(document, "rotorcraft", tables.rotorcraftTypes, "rot", "types");
  lf_readListSection(document, "cargo_types", tables.cargoTypes, "cargo_type", "types");
  lf_readSimilarGroups(document, tables);
  lf_readListSection(document, "ICAO_airlines", tables.icaoAirlines, "ICAO", "codes");
  lf_readListSection(document, "cargo_operators", tables.cargoOperators, "ICAO", "codes");
  lf_readPublishers(document, tables);
  lf_readWingspans(document, tables);
  lf_readFixes(document, tables);
  lf_readListSection(document, "simaddonsP3D", tables.simaddonAirports, "simaddonP3D", "arpts");
  lf_readThirdParties(document, tables);
  lf_readRegistrations(document, tables);
  dbaseTables = std::move(tables);
  return true;
}
