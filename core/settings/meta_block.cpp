#include "core/settings/meta_block.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/time.h"
#include "core/version.h"

#include <fmt/format.h>
#include <pugixml.hpp>

SharedText simulatorName{"MSFS"};

namespace {

bool lf_appendInfo(pugi::xml_node meta, const std::string& name, const std::string& value) {
  auto info = meta.append_child("info");
  if (!info) return false;
  auto nameAttribute = info.append_attribute("name");
  if (!nameAttribute || !nameAttribute.set_value(name.c_str())) return false;
  auto valueAttribute = info.append_attribute("value");
  return valueAttribute && valueAttribute.set_value(value.c_str());
}

} // namespace

bool gf_writeMetaBlock(pugi::xml_node node) {
  const auto simulator = simulatorName.get();
  if (node.type() != pugi::node_document && node.type() != pugi::node_element) return false;
  auto meta = node.append_child("meta");
  if (!meta) return false;
  const std::pair<const StringParameter&, std::string> entries[] = {
      {author, std::string(programName)},
      {version, gf_versionText(gf_runningVersion())},
      {date, gf_utcDateText()},
      {copyright, copyright.get()},
      {simulator == "P3D" ? P3D : MSFS, simulator == "P3D" ? "v5/v6" : (simulator == "MSFS" ? "2020" : "2024")},
  };
  for (const auto& [key, value] : entries)
    if (!lf_appendInfo(meta, key.name, value)) return false;
  return true;
}

bool gf_readMetaInfo(const pugi::xml_document& document, StringParameter& key) {
  try {
    const auto info = document.select_node(fmt::format("/meta/info[@name='{}']", key.name).c_str()).node();
    if (info) {
      key.set(info.attribute("value").as_string());
      return true;
    }
  } catch (const pugi::xpath_exception& e) {
    gf_log(e.what());
  }
  key.set({});
  return false;
}
