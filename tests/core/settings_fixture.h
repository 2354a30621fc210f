#pragma once
// Fixtures of the settings tests: a settings folder of their own, a recording control
// port, and the entries of a settings file.
#include "core/files.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "support/test_support.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

namespace settings_testing {

// Points the settings at a fresh folder (created) for the life of the object.
class SettingsFolder {
public:
  explicit SettingsFolder(std::string_view subfolder = "Hivemoor") : folder_(dir_ / subfolder) {
    std::filesystem::create_directories(folder_);
    gf_setSettingsFolder(folder_);
  }
  ~SettingsFolder() { gf_setSettingsFolder({}); }
  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path file() const { return folder_ / "parameters.xml"; }
  const testing_support::TempDir& dir() const { return dir_; }

private:
  testing_support::TempDir dir_{"hvm-settings"};
  std::filesystem::path folder_;
};

// Records every control change as one text, e.g. "check 32797 1".
class RecordingPort : public ControlPort {
public:
  RecordingPort() { gf_setControlPort(this); }
  ~RecordingPort() override { gf_setControlPort(nullptr); }
  void setCheck(std::uint16_t id, bool checked) override { add(fmt::format("check {} {}", id, checked ? 1 : 0)); }
  void selectRow(std::uint16_t id, std::int32_t row) override { add(fmt::format("row {} {}", id, row)); }
  void fillRows(std::uint16_t id, const std::vector<std::string>& rows, std::int32_t selected) override {
    add(fmt::format("fill {} {} {}", id, fmt::join(rows, ","), selected));
  }
  void setText(std::uint16_t id, const std::string& text) override { add(fmt::format("text {} {}", id, text)); }
  void enable(std::uint16_t id, bool enabled) override { add(fmt::format("enable {} {}", id, enabled ? 1 : 0)); }

  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  bool saw(const std::string& call) const {
    for (const auto& c : calls())
      if (c == call) return true;
    return false;
  }

private:
  void add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

using Entries = std::vector<std::pair<std::string, std::string>>;

// The name and value of every <parameter> of the file's <parameters>, in file order.
inline Entries readEntries(const std::filesystem::path& file) {
  pugi::xml_document document;
  Entries entries;
  if (!document.load_file(file.c_str())) return entries;
  for (const auto& entry : document.child("parameters").children("parameter"))
    entries.emplace_back(entry.attribute("name").value(), entry.attribute("value").value());
  return entries;
}

inline std::optional<std::string> entryValue(const std::filesystem::path& file, const std::string& name) {
  for (const auto& [n, v] : readEntries(file))
    if (n == name) return v;
  return std::nullopt;
}

// A settings file holding these entries, in this order.
inline void writeSettings(const std::filesystem::path& file, const Entries& entries) {
  pugi::xml_document document;
  auto root = document.append_child("parameters");
  for (const auto& [name, value] : entries) {
    auto entry = root.append_child("parameter");
    entry.append_attribute("name") = name.c_str();
    entry.append_attribute("value") = value.c_str();
  }
  ASSERT_TRUE(gf_writeXmlDocument(document, file));
}

inline std::vector<StringParameter*> folderParameters() {
  return {&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4, &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9,
          &afolder0, &afolder1, &afolder2, &afolder3, &afolder4, &afolder5, &afolder6, &afolder7, &afolder8, &afolder9};
}

} // namespace settings_testing
