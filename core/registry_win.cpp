#include "core/registry.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/utf16_win.h"

#include <string>
#include <windows.h>

namespace {

// Owns one open key; predefined root keys are never closed.
class RegKey {
public:
  RegKey(HKEY parent, const wchar_t* subKey) {
    const LSTATUS status = RegOpenKeyExW(parent, subKey, 0, KEY_READ | KEY_WOW64_64KEY, &key_);
    if (status != ERROR_SUCCESS) {
      key_ = nullptr;
      throw winreg::RegException(static_cast<std::int32_t>(status), "RegOpenKeyExW failed.");
    }
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (key_ != nullptr && !lf_isPredefined(key_)) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

private:
  static bool lf_isPredefined(HKEY key) {
    return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT || key == HKEY_USERS ||
           key == HKEY_CURRENT_CONFIG;
  }
  HKEY key_ = nullptr;
};

const wchar_t* lf_p3dKey(int version) {
  return version == 6 ? L"SOFTWARE\\Lockheed Martin\\Prepar3D v6" : L"SOFTWARE\\Lockheed Martin\\Prepar3D v5";
}

std::wstring lf_regGetString(HKEY key, const wchar_t* valueName) {
  DWORD size = 0;
  LSTATUS status = RegGetValueW(key, nullptr, valueName, RRF_RT_REG_SZ, nullptr, nullptr, &size);
  if (status != ERROR_SUCCESS)
    throw winreg::RegException(static_cast<std::int32_t>(status),
                               "Cannot get size of string value: RegGetValueW failed.");
  std::wstring text(size / sizeof(wchar_t), L'\0');
  status = RegGetValueW(key, nullptr, valueName, RRF_RT_REG_SZ, nullptr, text.data(), &size);
  if (status != ERROR_SUCCESS)
    throw winreg::RegException(static_cast<std::int32_t>(status), "Cannot get string value: RegGetValueW failed.");
  // The size counts the terminating zero; a value shortened meanwhile is cut at its zero.
  text.resize(size / sizeof(wchar_t) > 0 ? size / sizeof(wchar_t) - 1 : 0);
  if (const auto zero = text.find(L'\0'); zero != std::wstring::npos) text.resize(zero);
  return text;
}

} // namespace

bool gf_isP3DInstalled(int version) {
  try {
    RegKey key(HKEY_LOCAL_MACHINE, lf_p3dKey(version));
    return true;
  } catch (const winreg::RegException&) {
    return false;
  }
}

std::filesystem::path gf_readP3DSetupPath(int version) {
  std::wstring value;
  try {
    RegKey key(HKEY_LOCAL_MACHINE, lf_p3dKey(version));
    value = lf_regGetString(key.get(), L"SetupPath");
  } catch (const winreg::RegException&) {
    return {};
  }
  return gf_pathFromText(gf_wideToUtf8(value));
}
