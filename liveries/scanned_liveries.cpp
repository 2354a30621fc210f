#include "liveries/scanned_liveries.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/file_names.h"
#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"

#include <fmt/format.h>
#include <pugixml.hpp>
#include <tuple>

std::list<LiveryData> ScannedLiveryList;

bool gf_liveryLess(const LiveryData& a, const LiveryData& b) {
  return std::tie(a.airl, a.type, a.title) < std::tie(b.airl, b.type, b.title);
}

namespace {

void lf_setAttribute(pugi::xml_node element, const char* name, const std::string& value) {
  element.append_attribute(name).set_value(value.c_str(), value.size());
}

bool lf_isTrue(const char* text) {
  return text[0] && std::string_view("1tTyY").find(text[0]) != std::string_view::npos;
}

std::string lf_requiredAttribute(pugi::xml_node element, const char* name) {
  const auto attribute = element.attribute(name);
  if (!attribute)
    throw hvm::UserErrorException(999, fmt::format("Missing required attribute '{}' in <{}>", name, "liv"));
  return attribute.value();
}

} // namespace

bool gf_writeScannedLiveries() {
  if (ScannedLiveryList.empty()) return false;
  pugi::xml_document document;
  gf_writeMetaBlock(document);
  auto liveries = document.append_child("liveries");
  for (const auto& livery : ScannedLiveryList) {
    auto element = liveries.append_child("liv");
    lf_setAttribute(element, "airl", livery.airl);
    lf_setAttribute(element, "type", livery.type);
    if (livery.cargo) lf_setAttribute(element, "cargo", "true");
    lf_setAttribute(element, "title", livery.title);
    if (!livery.atcid.empty()) lf_setAttribute(element, "atcid", livery.atcid);
  }
  if (!gf_saveXmlDocument(document, liveriesScannedFile)) return false;
  gf_log(fmt::format("{} liveries in {}", ScannedLiveryList.size(), gf_pathText(liveriesScannedFile)));
  return true;
}

void gf_readScannedLiveries() {
  ScannedLiveryList.clear();
  const auto path = gf_pathText(liveriesScannedFile);
  pugi::xml_document document;
  if (!document.load_file(liveriesScannedFile.c_str()))
    throw hvm::UserErrorException(51, fmt::format("File {} not found", path));
  for (auto* key : {&author, &date, &version})
    if (!gf_readMetaInfo(document, *key)) break;
  const auto liveries = document.child("liveries");
  if (!liveries) throw hvm::UserErrorException(52, fmt::format("{} does not contain a <liveries> section", path));
  for (const auto element : liveries.children("liv")) {
    LiveryData livery;
    livery.airl = lf_requiredAttribute(element, "airl");
    livery.type = lf_requiredAttribute(element, "type");
    livery.title = lf_requiredAttribute(element, "title");
    livery.atcid = element.attribute("atcid").value();
    livery.cargo = lf_isTrue(element.attribute("cargo").value());
    ScannedLiveryList.push_back(std::move(livery));
  }
  if (ScannedLiveryList.empty()) throw hvm::UserErrorException(533, path + " does not contain liveries");
  ScannedLiveryList.sort(gf_liveryLess);
  gf_log(fmt::format("{} liveries read from {}", ScannedLiveryList.size(), path));
}
