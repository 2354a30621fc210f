#pragma once
// Wide texts of the Windows build, where wchar_t is a UTF-16 code unit: the conversions
// of utf16.h for the platform's wchar_t interfaces.
#include "core/utf16.h"

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "only for the Windows build");

inline std::wstring gf_asWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string_view gf_asUtf16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}
inline std::wstring gf_utf8ToWide(std::string_view text) { return gf_asWide(gf_utf8ToUtf16(text)); }
inline std::string gf_wideToUtf8(std::wstring_view text) { return gf_utf16ToUtf8(gf_asUtf16(text)); }
