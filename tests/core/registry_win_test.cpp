#include "core/files.h"
#include "core/registry.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

const wchar_t* const v5Key = L"SOFTWARE\\Lockheed Martin\\Prepar3D v5";
const wchar_t* const v6Key = L"SOFTWARE\\Lockheed Martin\\Prepar3D v6";

// Writes the simulator keys into this test's Wine prefix and removes them again.
class SimulatorKeys : public ::testing::Test {
protected:
  void SetUp() override { removeAll(); }
  void TearDown() override { removeAll(); }

  static void removeAll() {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, v5Key, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, v6Key, KEY_WOW64_64KEY, 0);
  }

  static void createKey(const wchar_t* subKey, const wchar_t* setupPath, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    if (setupPath != nullptr) {
      const auto bytes = static_cast<DWORD>((wcslen(setupPath) + 1) * sizeof(wchar_t));
      RegSetValueExW(key, L"SetupPath", 0, type, reinterpret_cast<const BYTE*>(setupPath), bytes);
    }
    RegCloseKey(key);
  }
};

} // namespace

TEST_F(SimulatorKeys, NothingInstalled) {
  EXPECT_FALSE(gf_isP3DInstalled(5));
  EXPECT_FALSE(gf_isP3DInstalled(6));
  EXPECT_TRUE(gf_readP3DSetupPath(5).empty());
}

TEST_F(SimulatorKeys, OnlyVersion5WithANonAsciiPath) {
  createKey(v5Key, L"C:\\Sims\\J\u00F6rg\\Prepar3D v5\\");
  EXPECT_TRUE(gf_isP3DInstalled(5));
  EXPECT_FALSE(gf_isP3DInstalled(6));
  EXPECT_EQ(gf_pathText(gf_readP3DSetupPath(5)), "C:\\Sims\\J\xC3\xB6rg\\Prepar3D v5\\");
  EXPECT_TRUE(gf_readP3DSetupPath(6).empty());
}

TEST_F(SimulatorKeys, MissingOrNonStringValueGivesAnEmptyPath) {
  createKey(v6Key, nullptr);
  EXPECT_TRUE(gf_isP3DInstalled(6));
  EXPECT_TRUE(gf_readP3DSetupPath(6).empty());
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, v6Key, 0, KEY_WRITE | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
  const DWORD number = 6;
  RegSetValueExW(key, L"SetupPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
  EXPECT_TRUE(gf_readP3DSetupPath(6).empty());
}
