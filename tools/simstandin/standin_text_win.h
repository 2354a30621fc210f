#pragma once
// UTF-8 to the wide texts of the Windows interfaces, for the stand-in's own use.
#include <string>
#include <windows.h>

namespace standin {

inline std::wstring wideText(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

} // namespace standin
