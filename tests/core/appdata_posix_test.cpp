#include "core/shell/appdata.h"
#include "core/files.h"
#include "core/settings/settings_file.h"
#include "support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using testing_support::LogCapture;

namespace {

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char* name_;
  std::optional<std::string> old_;
};

} // namespace

TEST(AppData, ConfigurationFolderOfTheUser) {
  struct Case {
    const char* config;
    const char* home;
    const char* expected;
  };
  for (const auto& c :
       {Case{"/x/J\xC3\xB6rg/config", "/home/j", "/x/J\xC3\xB6rg/config"}, Case{"", "/home/j", "/home/j/.config"},
        Case{nullptr, "/home/j", "/home/j/.config"}, Case{nullptr, nullptr, ""}}) {
    ScopedEnv config("XDG_CONFIG_HOME", c.config);
    ScopedEnv home("HOME", c.home);
    LogCapture log;
    EXPECT_EQ(gf_pathText(gf_getAppDataPath()), c.expected);
    EXPECT_EQ(log.contains("===> Could not find the AppData path"), std::string(c.expected).empty());
  }
}

TEST(AppData, SettingsFolderIsHivemoorInIt) {
  ScopedEnv config("XDG_CONFIG_HOME", "/x/config");
  gf_setSettingsFolder({});
  EXPECT_EQ(gf_pathText(gf_settingsFolder()), "/x/config/Hivemoor");
  EXPECT_EQ(gf_pathText(gf_settingsFilePath()), "/x/config/Hivemoor/parameters.xml");
  gf_setSettingsFolder("/elsewhere");
  EXPECT_EQ(gf_pathText(gf_settingsFilePath()), "/elsewhere/parameters.xml");
  gf_setSettingsFolder({});
}
